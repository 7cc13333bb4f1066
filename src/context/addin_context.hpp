#pragma once
// The add-in-wide values, one instance per loaded add-in, and the platform
// services the core works through. Front ends (the DLL, kvimport) and tests
// build one and hand it to the add-in; nothing here is a hidden global.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ports/clock.hpp"
#include "ports/database.hpp"
#include "ports/file_system.hpp"
#include "ports/module_info.hpp"
#include "ports/outlook.hpp"
#include "ports/registry_store.hpp"
#include "ports/ui/form.hpp"
#include "ports/ui/prompts.hpp"
#include "context/import_dialog.hpp"
#include "support/file_log.hpp"

namespace kv {

class AddinContext;

// The platform's side, wired by the front end. Every reference must outlive
// the context.
struct Platform {
    RegistryStore& registry;
    db::DatabaseConnector& database;
    FileSystem& fileSystem;
    const Clock& clock;
    RandomSource& random;
    ui::Prompts& prompts;
    ui::View& view;
    outlook::MailWrapperFactory& mailWrappers;
    ModuleInfo module;
};

class AddinContext {
public:
    explicit AddinContext(Platform platform) : platform_(std::move(platform)), gLog(platform_.clock) {}
    AddinContext(const AddinContext&) = delete;
    AddinContext& operator=(const AddinContext&) = delete;

    RegistryStore& Registry() { return platform_.registry; }
    db::DatabaseConnector& Database() { return platform_.database; }
    FileSystem& Files() { return platform_.fileSystem; }
    const Clock& Time() const { return platform_.clock; }
    RandomSource& Random() { return platform_.random; }
    ui::Prompts& Prompts() { return platform_.prompts; }
    ui::View& View() { return platform_.view; }
    outlook::MailWrapperFactory& MailWrappers() { return platform_.mailWrappers; }
    const ModuleInfo& Module() const { return platform_.module; }

    // The import dialog, created on first use and kept while the add-in is
    // loaded. The factory is set by whoever assembles the add-in.
    std::function<std::unique_ptr<ImportDialog>(AddinContext&)> makeImportDialog;
    ImportDialog& Dialog();

private:
    Platform platform_;
    std::unique_ptr<ImportDialog> dialog_;

public:
    // The database connection every query uses; replaced at each import
    // start, emptied on failure and when the add-in object ends.
    std::unique_ptr<db::Connection> gConnection;
    std::string gConnectionString;
    std::int32_t gUserRessId = 0;
    std::string gJobFolderName;
    std::string gJobFolderNameArkiv;
    FileLog gLog;

    std::shared_ptr<outlook::Application> gOutlookApp;
    std::shared_ptr<outlook::Explorer> gImportExplorer;
    bool gImportFromInspector = false;
    std::shared_ptr<outlook::Item> gImportMail;
    bool gImportDone = false;
    std::int32_t gJobId = 0;
    std::int32_t gRessId = 0;
};

}  // namespace kv
