#pragma once
// The add-in loaded into the stand-in host, wired the way the DLL wires it
// into the real one: .reg settings, the database adapters, the local file
// system, a headless view for the dialog and terminal prompts. kvimport
// drives it with the mouse actions a person would make.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "adapters/database/open_database.hpp"
#include "adapters/mailstore/mail_store.hpp"
#include "adapters/regfile/regfile_store.hpp"
#include "adapters/stdfs/stdfs_file_system.hpp"
#include "addin/Connect.hpp"
#include "app/import_witness.hpp"
#include "app/terminal_prompts.hpp"
#include "stdclock/system_clock.hpp"
#include "ports/ui/headless.hpp"

namespace kv::app {

struct CommonOptions {
    std::string registryFile;  // empty: $KV_REGISTRY_FILE or the user's default
    std::string storeDir;      // empty: $KV_MAIL_STORE or the user's default
    int logLevel = 0;          // 0: as the add-in sets it
    std::string duplicates;    // ask, import, skip; empty: ask on a terminal, else skip
};

// The running executable and the version, as the add-in's module: the log
// goes beside the executable, as the add-in's goes beside its DLL.
ModuleInfo ExecutableModule();

// Where the settings and the mail store are when no option names them.
std::filesystem::path RegistryFileOf(const CommonOptions& options);
std::filesystem::path StoreDirOf(const CommonOptions& options);
// The store of the options; CommandError (bad arguments) when there is none.
std::shared_ptr<mailstore::MailStore> OpenExistingStore(const CommonOptions& options);

class FrontEnd {
public:
    // Checks that the settings exist and the store is there; throws
    // CommandError (no settings, bad arguments) otherwise. Nothing is written.
    explicit FrontEnd(const CommonOptions& options);
    ~FrontEnd();

    // Opens the explorer on folder and loads the add-in as the host does at start-up.
    void Start(const std::string& folder);
    // The host's shutdown (the toolbar is kept).
    void Stop();

    mailstore::MailStore& Store() { return *store_; }
    outlook::Explorer& Explorer() { return *explorer_; }
    AddinContext& Context() { return *ctx_; }
    ui::HeadlessView& View() { return view_; }
    TerminalPrompts& Prompts() { return *prompts_; }
    const ImportWitness& Witness() const { return *witness_; }

    // Throws CommandError (no settings) with the cause on a line of its own
    // when the add-in told the user that settings or database are unavailable.
    void CheckSettingsLoaded();

    // A press of the add-in's button, as the user finds it on screen: on the
    // window's toolbar, or on its ribbon where the settings turn the
    // toolbars off. Throws CommandError when the window shows none.
    using Press = std::function<void()>;
    Press ExplorerButton();
    Press InspectorButton(const std::shared_ptr<outlook::Inspector>& inspector, const char* toolbar, const char* tag,
                          std::string_view ribbonId);

private:
    // The ribbon button of ribbonId pressed in window, as Office calls it back.
    void PressRibbon(std::string_view ribbonId, std::shared_ptr<outlook::Window> window);

    CommonOptions options_;
    regfile::RegFileStore registry_;
    adapters::AdapterDatabaseConnector database_;
    stdfs::StdFileSystem files_;
    SystemClock clock_;
    SystemRandom random_;
    std::unique_ptr<TerminalPrompts> prompts_;
    ui::HeadlessView view_;
    std::shared_ptr<mailstore::MailStore> store_;
    std::unique_ptr<ImportWitness> witness_;
    std::unique_ptr<AddinContext> ctx_;
    std::unique_ptr<Connect> connect_;
    std::shared_ptr<outlook::Explorer> explorer_;
};

}  // namespace kv::app
