// kvimport import and kvimport send: select or open the mails, press the
// add-in's button, make the choices in its dialog and press Import.
#include <iostream>

#include "app/commands.hpp"
#include "addin/ribbon.hpp"
#include "app/exit_codes.hpp"

namespace kv::app {
namespace {

// What came of one press of an add-in button, told the way a person at the
// screen would tell it.
int Outcome(FrontEnd& fe, const ScriptOutcome& outcome, std::size_t mails) {
    if (fe.Prompts().SawStartKorvaneFirst())
        throw CommandError(exitcode::NoSettings,
                           "settings or database unavailable; check DBCn and UserRessId in the file of --registry");
    if (fe.View().PendingScripts() > 0)
        throw CommandError(exitcode::ImportFailed,
                           "the import dialog did not open; see KVOutlookAddin.log beside kvimport");
    if (outcome.failure) BadArgument(*outcome.failure);
    if (!outcome.closedByImport)
        throw CommandError(exitcode::ImportFailed, "the import did not finish; nothing more was filed");
    std::size_t skipped = 0;
    for (const auto& m : fe.Prompts().Messages())
        if (IsDuplicateQuestion(m.request) && m.answer != ui::Answer::Yes) ++skipped;
    std::cout << "Importeret: " << mails - std::min(skipped, mails) << ", sprunget over: " << skipped << '\n';
    return exitcode::Ok;
}

}  // namespace

int RunImport(const ImportOptions& options) {
    FrontEnd fe(options.common);
    ScriptOutcome outcome;
    std::size_t count = 1;
    if (!options.open.empty()) {
        if (options.mails.all || !options.mails.positions.empty() || !options.mails.subject.empty())
            BadArgument("--open imports one mail from its window; leave out --all, --mail and --subject");
        auto item = ItemOf(fe.Store(), options.from, options.open, "--open");
        fe.Start(options.from);
        auto inspector = fe.Store().OpenInspector(item);
        const FrontEnd::Press press =
            fe.InspectorButton(inspector, "KorvaneNMail", "CBButtonMail", ribbon::kReadMailRibbon);
        fe.View().QueueUser(ImportScript(options.dialog, fe.Prompts(), outcome));
        press();
    } else {
        auto mails = ChooseMails(fe.Store(), options.from, options.mails);
        count = mails.size();
        fe.Start(options.from);
        fe.Store().Select(fe.Explorer(), mails);
        const FrontEnd::Press press = fe.ExplorerButton();
        fe.View().QueueUser(ImportScript(options.dialog, fe.Prompts(), outcome));
        press();
    }
    return Outcome(fe, outcome, count);
}

int RunSend(const std::string& draft, const ImportOptions& options) {
    FrontEnd fe(options.common);
    ScriptOutcome outcome;
    auto item = ItemOf(fe.Store(), "Drafts", draft, "DRAFT");
    fe.Start("Drafts");
    auto inspector = fe.Store().OpenInspector(item);
    const FrontEnd::Press press =
        fe.InspectorButton(inspector, "KorvaneSMail", "CBNewButtonMail", ribbon::kComposeMailRibbon);
    const std::string subject = item->Subject();  // once sent, the item is gone
    fe.View().QueueUser(ImportScript(options.dialog, fe.Prompts(), outcome));
    press();
    for (const auto& shown : fe.Prompts().Shown())
        if (shown.find("Alle modtagere kunne ikke genkendes") != std::string::npos)
            throw CommandError(exitcode::ImportFailed, "not every recipient of DRAFT has an address; correct it first");
    int code = Outcome(fe, outcome, 1);
    if (!fe.Context().gImportDone)
        throw CommandError(exitcode::ImportFailed, "the mail was not imported, so it was not sent");
    std::cout << "Sendt: " << subject << '\n';
    return code;
}

}  // namespace kv::app
