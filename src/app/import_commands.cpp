// kvimport import and kvimport send: select or open the mails, press the
// add-in's button, make the choices in its dialog and press Import.
#include <algorithm>
#include <iostream>

#include "app/commands.hpp"
#include "addin/ribbon.hpp"
#include "app/exit_codes.hpp"

namespace kv::app {
namespace {

// The dialog's texts for a run that stopped: at a mail it could not record,
// and at any other failure (its title names the step).
constexpr const char* kRecordFailed = "Der skete en fejl under importen til Korvane";
constexpr const char* kStepFailedTitle = "Korvane Mailimport (";

// How far a stopped import came and why it stopped, a line each.
std::string StopReport(FrontEnd& fe) {
    const auto& boxes = fe.Prompts().Messages();
    const auto shown = [&](auto match) {
        const auto it = std::find_if(boxes.rbegin(), boxes.rend(), [&](const auto& m) { return match(m.request); });
        return it == boxes.rend() ? nullptr : &it->request;
    };
    const ImportWitness& witness = fe.Witness();
    const bool unrecorded = shown([](const auto& r) { return r.text == kRecordFailed; }) && witness.SavedCount() > 0;
    std::string reason;
    if (unrecorded) {
        const auto* box = shown([](const auto& r) { return r.title == "UpdateDB"; });
        reason = box ? box->text : "the database's DocMailImportExec did not answer success";
    } else if (const auto* box = shown([](const auto& r) { return r.title.starts_with(kStepFailedTitle); })) {
        reason = witness.SaveFailure().value_or("not told by the add-in, whose box \"" + box->title +
                                                "\" names the step it stopped at");
    } else {
        reason = "the dialog stayed open after Import; see KVOutlookAddin.log beside kvimport";
    }
    std::string report = "the import did not finish; nothing more was filed\nfiled before the stop: " +
                         std::to_string(witness.SavedCount() - (unrecorded ? 1 : 0)) + "\nreason: " + reason;
    if (unrecorded)
        report += "\nsaved but not recorded in Korvane: " + witness.LastSaved() +
                  " (file it by hand, or remove it before importing the mail again)";
    return report;
}

// What came of one press of an add-in button, told the way a person at the
// screen would tell it.
int Outcome(FrontEnd& fe, const ScriptOutcome& outcome) {
    fe.CheckSettingsLoaded();
    if (fe.View().PendingScripts() > 0)
        throw CommandError(exitcode::ImportFailed,
                           "the import dialog did not open; see KVOutlookAddin.log beside kvimport");
    if (outcome.failure) BadArgument(*outcome.failure);
    if (!outcome.closedByImport) throw CommandError(exitcode::ImportFailed, StopReport(fe));
    std::size_t skipped = 0;
    for (const auto& m : fe.Prompts().Messages())
        if (IsDuplicateQuestion(m.request) && m.answer != ui::Answer::Yes) ++skipped;
    std::cout << "Importeret: " << fe.Witness().SavedCount() << ", sprunget over: " << skipped << '\n';
    return exitcode::Ok;
}

// Leaves the chosen mails that cannot be read out of mails, naming each on
// a line of its own; fails when none is left to file.
std::size_t LeaveOutUnreadable(std::vector<std::shared_ptr<outlook::Item>>& mails) {
    const std::vector<std::string> reasons = SetAsideUnreadable(mails);
    for (const auto& reason : reasons) std::cerr << "kvimport: left out: " << reason << '\n';
    if (mails.empty()) throw CommandError(exitcode::NotAllFiled, "nothing was filed: no chosen mail can be read");
    return reasons.size();
}

}  // namespace

int RunImport(const ImportOptions& options) {
    FrontEnd fe(options.common);
    ScriptOutcome outcome;
    std::size_t leftOut = 0;
    if (!options.open.empty()) {
        if (options.mails.all || !options.mails.positions.empty() || !options.mails.subject.empty())
            BadArgument("--open imports one mail from its window; leave out --all, --mail and --subject");
        auto item = ItemOf(fe.Store(), options.from, options.open, "--open");
        std::vector<std::shared_ptr<outlook::Item>> one{item};
        LeaveOutUnreadable(one);
        fe.Start(options.from);
        auto inspector = fe.Store().OpenInspector(item);
        const FrontEnd::Press press =
            fe.InspectorButton(inspector, "KorvaneNMail", "CBButtonMail", ribbon::kReadMailRibbon);
        fe.View().QueueUser(ImportScript(options.dialog, fe.Prompts(), outcome));
        press();
    } else {
        auto mails = ChooseMails(fe.Store(), options.from, options.mails);
        leftOut = LeaveOutUnreadable(mails);
        fe.Start(options.from);
        fe.Store().Select(fe.Explorer(), mails);
        const FrontEnd::Press press = fe.ExplorerButton();
        fe.View().QueueUser(ImportScript(options.dialog, fe.Prompts(), outcome));
        press();
    }
    const int code = Outcome(fe, outcome);
    if (leftOut > 0)
        throw CommandError(exitcode::NotAllFiled, "not every chosen mail was filed: " + std::to_string(leftOut) +
                                                      " could not be read (named above)");
    return code;
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
    int code = Outcome(fe, outcome);
    if (!fe.Context().gImportDone)
        throw CommandError(exitcode::ImportFailed, "the mail was not imported, so it was not sent");
    std::cout << "Sendt: " << subject << '\n';
    return code;
}

}  // namespace kv::app
