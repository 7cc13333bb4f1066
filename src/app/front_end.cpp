#include "app/front_end.hpp"

#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "app/exit_codes.hpp"
#include "addin/ribbon.hpp"
#include "dialog/frmKorvane.hpp"
#include "settings/settings_key.hpp"

namespace kv::app {
namespace fs = std::filesystem;
namespace {

Duplicates DuplicatesOf(const std::string& text) {
    if (text == "import") return Duplicates::Import;
    if (text == "skip") return Duplicates::Skip;
    if (text == "ask") return Duplicates::Ask;
    if (text.empty()) return isatty(STDIN_FILENO) ? Duplicates::Ask : Duplicates::Skip;
    BadArgument("--duplicates must be ask, import or skip, not \"" + text + "\"");
}

}  // namespace

ModuleInfo ExecutableModule() {
    ModuleInfo module;
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        module.folder = exe.parent_path().string();
        module.fileName = exe.filename().string();
    }
    module.major = KV_VERSION_MAJOR;
    module.minor = KV_VERSION_MINOR;
    module.revision = KV_VERSION_PATCH;
    return module;
}

fs::path RegistryFileOf(const CommonOptions& options) {
    return options.registryFile.empty() ? regfile::DefaultRegistryFile() : fs::path(options.registryFile);
}

fs::path StoreDirOf(const CommonOptions& options) {
    if (!options.storeDir.empty()) return options.storeDir;
    if (const char* env = std::getenv("KV_MAIL_STORE"); env && *env) return env;
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data) return fs::path(data) / "korvane" / "mail";
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : ".") / ".local" / "share" / "korvane" / "mail";
}

std::shared_ptr<mailstore::MailStore> OpenExistingStore(const CommonOptions& options) {
    fs::path storeDir = StoreDirOf(options);
    // Opening creates a store where there is none; a mistyped path must not.
    if (!fs::is_regular_file(storeDir / "manifest.txt"))
        BadArgument("no mail store at " + storeDir.string() + "; pass --store DIR (or set KV_MAIL_STORE)");
    return mailstore::MailStore::Open(storeDir);
}

FrontEnd::FrontEnd(const CommonOptions& options) : options_(options), registry_(RegistryFileOf(options)) {
    Duplicates duplicates = DuplicatesOf(options.duplicates);
    if (options.logLevel < 0) BadArgument("--log-level must be 0 or more");
    fs::path regFile = RegistryFileOf(options);
    if (!fs::is_regular_file(regFile))
        throw CommandError(exitcode::NoSettings, "no settings file " + regFile.string() +
                                                     "; pass --registry FILE (or set KV_REGISTRY_FILE), or run "
                                                     "'kvimport demo DIR' to make one");
    if (!settings::ReadText(registry_, "DBCn"))
        throw CommandError(exitcode::NoSettings,
                           "the settings in " + regFile.string() +
                               " have no database (DBCn); pass --registry FILE with Korvane's settings");
    store_ = OpenExistingStore(options);
    witness_ = std::make_unique<ImportWitness>(database_, files_, *store_);
    prompts_ = std::make_unique<TerminalPrompts>(duplicates, std::cin, std::cerr, isatty(STDERR_FILENO) != 0);
    ctx_ = std::make_unique<AddinContext>(Platform{registry_, witness_->Database(), witness_->Files(), clock_, random_,
                                                   *prompts_, view_, witness_->MailWrappers(), ExecutableModule()});
    ctx_->makeImportDialog = [](AddinContext& ctx) { return std::make_unique<frmKorvane>(ctx); };
}

FrontEnd::~FrontEnd() { Stop(); }

void FrontEnd::CheckSettingsLoaded() {
    if (!prompts_->SawStartKorvaneFirst()) return;
    std::string reason;
    if (witness_->DatabaseFailure()) reason = *witness_->DatabaseFailure();
    else if (settings::ReadNumber(registry_, "UserRessId").value_or(0) == 0)
        reason = "the settings name no user (UserRessId)";
    else reason = "the database lacks what the add-in reads at start; see KVOutlookAddin.log beside kvimport";
    throw CommandError(exitcode::NoSettings,
                       "settings or database unavailable; check DBCn and UserRessId in the file of --registry\n"
                       "reason: " +
                           reason);
}

void FrontEnd::Start(const std::string& folder) {
    try {
        store_->GetFolder(folder);
    } catch (const Error&) {
        BadArgument("the mail store has no folder \"" + folder + "\"; check --from");
    }
    explorer_ = store_->OpenExplorer(folder);
    connect_ = std::make_unique<Connect>(*ctx_, store_->GetApplication());
    connect_->OnConnection("KVOutlookAddin.Connect");
    if (options_.logLevel > 0) ctx_->gLog.LogLevel(options_.logLevel);
}

void FrontEnd::Stop() {
    if (!connect_) return;
    try {
        connect_->OnDisconnection(0);
    } catch (...) {
        // Shutting down: nothing is left to tell.
    }
    connect_.reset();
}

FrontEnd::Press FrontEnd::ExplorerButton() {
    if (!connect_->objAddIn->ToolbarsWanted()) return [this] { PressRibbon(ribbon::kExplorerRibbon, explorer_); };
    auto button = explorer_->GetCommandBars()->Item("Korvane")->FindControl("CBButton");
    if (!button) throw CommandError(exitcode::ImportFailed, "the add-in put no button on the explorer");
    return [this, button] { store_->Click(*button); };
}

FrontEnd::Press FrontEnd::InspectorButton(const std::shared_ptr<outlook::Inspector>& inspector, const char* toolbar,
                                          const char* tag, std::string_view ribbonId) {
    const auto noMail = [&] {
        return CommandError(exitcode::BadArguments,
                            std::string("the opened item shows no toolbar \"") + toolbar + "\"; is it a mail?");
    };
    if (!connect_->objAddIn->ToolbarsWanted()) {
        // The host shows the mail ribbons on mail windows only.
        try {
            outlook::AsMailItem(inspector->GetCurrentItem());
        } catch (const Error&) {
            throw noMail();
        }
        return [this, inspector, ribbonId] { PressRibbon(ribbonId, inspector); };
    }
    std::shared_ptr<outlook::CommandBarButton> button;
    try {
        button = inspector->GetCommandBars()->Item(toolbar)->FindControl(tag);
    } catch (const Error&) {}
    if (!button) throw noMail();
    return [this, button] { store_->Click(*button); };
}

void FrontEnd::PressRibbon(std::string_view ribbonId, std::shared_ptr<outlook::Window> window) {
    // The button's onAction name, resolved among the add-in's callbacks.
    const std::string markup = connect_->GetCustomUI(std::string(ribbonId));
    const std::string key = "onAction=\"";
    const auto begin = markup.find(key);
    if (begin == std::string::npos)
        throw CommandError(exitcode::ImportFailed, "the add-in put no button on the ribbon " + std::string(ribbonId));
    const auto end = markup.find('"', begin + key.size());
    const std::string name = markup.substr(begin + key.size(), end - begin - key.size());
    const std::vector<std::string> callbacks = connect_->RibbonCallbacks();
    for (std::size_t i = 0; i < callbacks.size(); ++i)
        if (callbacks[i] == name)
            return connect_->OnRibbonCallback(i, outlook::RibbonControl{"", "", std::move(window)});
    throw CommandError(exitcode::ImportFailed, "the add-in does not answer its ribbon button " + name);
}

}  // namespace kv::app
