// kvimport browse and kvimport mails: what the dialog and the mail folders
// show, without filing anything.
#include <iostream>
#include <sstream>

#include "app/commands.hpp"
#include "app/exit_codes.hpp"

namespace kv::app {

int RunBrowse(const BrowseOptions& options) {
    FrontEnd fe(options.common);
    if (options.depth < 0) BadArgument("--depth must be 0 or more");
    auto items = fe.Store().Items(options.from);
    if (items.empty())
        BadArgument("the dialog opens for a selected mail, and \"" + options.from + "\" has none; check --from");
    fe.Start(options.from);
    // The dialog opens as it does for the user: one mail selected, the button pressed.
    fe.Store().Select(fe.Explorer(), {items.front()});
    std::ostringstream shown;
    ScriptOutcome outcome;
    const FrontEnd::Press press = fe.ExplorerButton();
    fe.View().QueueUser(BrowseScript(options.dialog, options.depth, shown, outcome));
    press();
    fe.CheckSettingsLoaded();
    if (fe.View().PendingScripts() > 0)
        throw CommandError(exitcode::ImportFailed,
                           "the import dialog did not open; see KVOutlookAddin.log beside kvimport");
    if (outcome.failure) BadArgument(*outcome.failure);
    std::cout << shown.str();
    return exitcode::Ok;
}

int RunMails(const CommonOptions& common, const std::string& from) {
    auto store = OpenExistingStore(common);
    try {
        store->GetFolder(from);
    } catch (const Error&) {
        BadArgument("the mail store has no folder \"" + from + "\"; check --from");
    }
    std::cout << from << ":\n";
    ListItems(*store, from, std::cout);
    return exitcode::Ok;
}

}  // namespace kv::app
