// kvimport: files mails of a mail store into Korvane through the Outlook
// add-in, by doing on the command line what a person does with the mouse.
#include <CLI/CLI.hpp>

#include <iostream>
#include <sstream>

#include "app/commands.hpp"
#include "app/exit_codes.hpp"

namespace {

using namespace kv::app;

constexpr const char* kExitCodes =
    "\nExit codes: 0 every chosen mail filed or deliberately skipped; 1 the import failed or did not finish;\n"
    "2 bad arguments (a missing store, an unknown resource, job, folder or position); 3 settings or database\n"
    "unavailable (no settings file, no DBCn or UserRessId, a database that cannot be opened); 4 chosen mails\n"
    "that cannot be read (empty, binary, no mail headers) were left out, each named, and the others filed.\n";

void AddCommon(CLI::App& cmd, CommonOptions& common, bool importing) {
    cmd.add_option(
        "--registry", common.registryFile,
        "the .reg file with Korvane's settings (default: $KV_REGISTRY_FILE, else ~/.config/korvane/registry.reg)");
    cmd.add_option("--store", common.storeDir,
                   "the mail store folder (default: $KV_MAIL_STORE, else ~/.local/share/korvane/mail)");
    cmd.add_option("--log-level", common.logLevel,
                   "raise the add-in's LogLevel; the log is KVOutlookAddin.log beside kvimport");
    if (importing)
        cmd.add_option("--duplicates", common.duplicates,
                       "answer to 'already filed' questions: ask (reads j/n from standard input), import or skip "
                       "(default: ask on a terminal, skip otherwise)")
            ->check(CLI::IsMember({"ask", "import", "skip"}));
}

void AddDialog(CLI::App& cmd, DialogChoices& d, bool importing) {
    auto opt = [&](const char* name, std::optional<int>& target, const char* text) {
        cmd.add_option_function<int>(
            name, [&target](const int& v) { target = v; }, text);
    };
    opt("--type", d.type, "resource type in the dialog: 0 <Alle>, 1 Selskaber, 2 Personale, 3 Kunder og Internt, ...");
    opt("--resource", d.resource, "click the resource with this RessID in the resource list");
    opt("--job", d.job, "type this JobID into the job-number box and press Enter");
    opt("--job-item", d.jobItem, "click the job with this JobID in the job list");
    opt("--status", d.status, "job list filter: 1 active, 2 closed, 3 all jobs");
    cmd.add_option_function<std::string>(
        "--folder", [&d](const std::string& v) { d.folder = v; },
        "folder in the tree, relative to \"Dokumenter\" (e.g. Korrespondance/2024)");
    if (!importing) return;
    cmd.add_option_function<std::string>(
        "--new-folder", [&d](const std::string& v) { d.newFolder = v; },
        "create this sub-folder of the chosen folder and import into it");
    cmd.add_flag("--delete", d.deleteAfter, "tick \"Slet mail efter import\"");
}

int Guard(const std::function<int()>& run) {
    try {
        return run();
    } catch (const CommandError& e) {
        std::istringstream lines(e.what());
        for (std::string line; std::getline(lines, line);) std::cerr << "kvimport: " << line << '\n';
        return e.Code();
    } catch (const kv::Error& e) {
        std::cerr << "kvimport: " << e.Description() << '\n';
        return exitcode::ImportFailed;
    } catch (const std::exception& e) {
        std::cerr << "kvimport: " << e.what() << '\n';
        return exitcode::ImportFailed;
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"kvimport: file mails into Korvane through the Outlook add-in, on a stand-in Outlook."};
    app.footer(std::string(
                   "\nExamples:\n"
                   "  kvimport demo /tmp/kv\n"
                   "  kvimport import --registry /tmp/kv/registry.reg --store /tmp/kv/mail --all --job 417\n"
                   "  kvimport browse --registry /tmp/kv/registry.reg --store /tmp/kv/mail --type 3 --resource 100\n") +
               kExitCodes);
    app.require_subcommand(1);

    std::string demoDir;
    auto* demo = app.add_subcommand("demo", "create a demo Korvane world in DIR and print what to try next");
    demo->add_option("DIR", demoDir, "a new or empty folder")->required();
    demo->footer("\nExample:\n  kvimport demo /tmp/kv\n");

    ImportOptions imp;
    auto* import = app.add_subcommand("import", "select mails (or open one) and import them through the dialog");
    AddCommon(*import, imp.common, true);
    import->add_option("--from", imp.from, "mail folder shown in the explorer (default Inbox)");
    import->add_flag("--all", imp.mails.all, "select every item of the folder");
    import->add_option("--mail", imp.mails.positions, "select the item at this position (from 1; repeatable)");
    import->add_option("--subject", imp.mails.subject, "select the items whose subject matches this pattern");
    import->add_option("--open", imp.open,
                       "open one item (position or file in the store) and import it from its window");
    AddDialog(*import, imp.dialog, true);
    import->footer(
        std::string("\nExamples:\n"
                    "  kvimport import --all --type 3 --resource 100 --job-item 417 --folder Korrespondance\n"
                    "  kvimport import --subject tilbud --job 417 --new-folder Tilbud --duplicates import\n"
                    "  kvimport import --open 2 --type 4 --resource 200\n") +
        kExitCodes);

    ImportOptions snd;
    std::string draft;
    auto* send = app.add_subcommand("send", "import a draft through \"Korvane Import og send\" and send it");
    send->add_option("DRAFT", draft, "position in Drafts or the draft's file in the store")->required();
    AddCommon(*send, snd.common, true);
    AddDialog(*send, snd.dialog, true);
    send->footer(std::string("\nExample:\n  kvimport send 1 --job 417\n") + kExitCodes);

    BrowseOptions brw;
    auto* browse = app.add_subcommand("browse", "print what the import dialog shows for the given choices");
    AddCommon(*browse, brw.common, false);
    browse->add_option("--from", brw.from, "mail folder whose first mail opens the dialog (default Inbox)");
    browse->add_option("--depth", brw.depth, "folder levels shown below the chosen folder (default 2)");
    AddDialog(*browse, brw.dialog, false);
    browse->footer(std::string("\nExamples:\n"
                               "  kvimport browse\n"
                               "  kvimport browse --type 3 --resource 100 --status 3\n"
                               "  kvimport browse --job 417 --folder Korrespondance --depth 1\n") +
                   kExitCodes);

    CommonOptions lst;
    std::string listFrom = "Inbox";
    auto* mails = app.add_subcommand("mails", "list the items of a mail folder with their positions");
    AddCommon(*mails, lst, false);  // --registry is accepted alike, though listing needs no settings
    mails->add_option("--from", listFrom, "mail folder (default Inbox)");
    mails->footer("\nExample:\n  kvimport mails --from Drafts\n");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return exitcode::BadArguments;
    }

    if (*demo) return Guard([&] { return RunDemo(demoDir); });
    if (*import) return Guard([&] { return RunImport(imp); });
    if (*send) return Guard([&] { return RunSend(draft, snd); });
    if (*browse) return Guard([&] { return RunBrowse(brw); });
    return Guard([&] { return RunMails(lst, listFrom); });
}
