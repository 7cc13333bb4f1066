#pragma once
// A whole add-in world for tests: a small demo Korvane database (real SQLite
// file) with its document folders, an in-memory registry holding the
// settings that point at it, the real file system, a stand-in host over a
// mail store in a temporary folder, headless view and prompts, a fixed clock
// and random source, a record of every database statement, and host calls
// that fail when a test plans it. Header-only: it needs the adapters, which only
// the test programs link.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "adapters/database/open_database.hpp"
#include "adapters/mailstore/mail_store.hpp"
#include "adapters/sqlite/demo_database.hpp"
#include "adapters/stdfs/stdfs_file_system.hpp"
#include "context/addin_context.hpp"
#include "dialog/frmKorvane.hpp"
#include "fakes/fake_clock.hpp"
#include "fakes/faulty_mail.hpp"
#include "fakes/file_text.hpp"
#include "fakes/memory_registry_store.hpp"
#include "fakes/recording_database.hpp"
#include "fakes/temp_dir.hpp"
#include "ports/ui/headless.hpp"
#include "settings/load_settings.hpp"
#include "settings/settings_key.hpp"
#include "support/registry_text.hpp"

namespace kv::fakes {

class AddinHarness {
public:
    AddinHarness() {
        dbPath = dir / "korvane.db";
        docRoot = dir / "docs";
        demo = sqlite::CreateDemoDatabase(dbPath, sqlite::DemoSize::Small, docRoot);
        store = mailstore::MailStore::Create(dir.Path() / "mail", "Demo Bruger", "demo@korvane.example",
                                             mailstore::StoreOptions{[this] { return clock.now; }});
        WriteSetting("DBCn", "SERVER=(sqlite);DATABASE=" + dbPath);
        settings::WriteNumber(registry, "UserRessId", demo.userRessId);

        mailWrappers = std::make_unique<FaultyMailWrappers>(*store);

        ModuleInfo module;
        module.folder = dir.Path().string();
        module.fileName = "KVOutlookAddin.dll";
        module.major = 1, module.minor = 0, module.build = 0, module.revision = 150;
        ctx = std::make_unique<AddinContext>(
            Platform{registry, database, files, clock, random, prompts, view, *mailWrappers, module});
        ctx->gLog.LogFile(LogPath());
        ctx->gLog.LogLevel(1);
        ctx->makeImportDialog = [](AddinContext& c) { return std::make_unique<frmKorvane>(c); };
    }

    // The add-in's import dialog, created on first use like the add-in does.
    frmKorvane& Dialog() { return static_cast<frmKorvane&>(ctx->Dialog()); }

    void WriteSetting(const std::string& name, const std::string& text) {
        RegistryStore::Key key;
        registry.CreateKey(regroot::CurrentUser, settings::kSettingsKey, regaccess::Write, key);
        registry.SetValue(key, name, regtype::Sz, reg::ToRegSz(text));
    }

    // LoadSettings as an import start runs it.
    bool Load() { return LoadSettings(*ctx); }
    std::string LogPath() const { return dir / "KVOutlookAddin.log"; }
    std::string LogText() const { return ReadFileText(LogPath()); }
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : prompts.Messages()) texts.push_back(m.request.text);
        return texts;
    }

    TempDir dir;
    std::string dbPath;
    std::string docRoot;
    sqlite::DemoDatabase demo;
    MemoryRegistryStore registry;
    adapters::AdapterDatabaseConnector realDatabase;
    RecordingConnector database{realDatabase};  // every statement the add-in sends
    stdfs::StdFileSystem files;
    FakeClock clock;
    FakeRandom random;
    ui::HeadlessPrompts prompts;
    ui::HeadlessView view;
    std::shared_ptr<mailstore::MailStore> store;
    std::unique_ptr<FaultyMailWrappers> mailWrappers;  // the store's, failing a call when planned
    std::unique_ptr<AddinContext> ctx;
};

}  // namespace kv::fakes
