#include "settings/load_settings.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "fakes/addin_harness.hpp"

namespace {

using kv::fakes::AddinHarness;

// A dialog that records its showings instead of opening a window.
struct RecordingDialog : kv::ImportDialog {
    int* shown;
    explicit RecordingDialog(int* counter) : shown(counter) {}
    void ShowModal() override { ++*shown; }
};

struct LoadSettingsTest : ::testing::Test {
    AddinHarness h;
    int shown = 0;
    void SetUp() override {
        h.ctx->makeImportDialog = [this](kv::AddinContext&) { return std::make_unique<RecordingDialog>(&shown); };
    }
    void DeleteSetting(const std::string& name) {
        kv::RegistryStore::Key key;
        h.registry.OpenKey(kv::regroot::CurrentUser, kv::settings::kSettingsKey, kv::regaccess::Write, key);
        h.registry.DeleteValue(key, name);
    }
    std::string Log() const { return h.LogText(); }
    bool ShowedStartKorvaneFirst() const {
        const auto& m = h.prompts.Messages();
        return m.size() == 1 && m[0].request.text == kv::kStartKorvaneFirst && m[0].request.title == "Korvane import" &&
               m[0].request.icon == kv::ui::Icon::Exclamation && m[0].request.buttons == kv::ui::Buttons::OK;
    }
};

}  // namespace

TEST_F(LoadSettingsTest, LoadsSettingsOpensTheDatabaseAndReadsTheFolderNames) {
    h.WriteSetting("OdbcDriver", "ODBC Driver 18 for SQL Server");  // SQLite takes no driver
    ASSERT_TRUE(h.Load());
    ASSERT_NE(h.ctx->gConnection, nullptr);
    EXPECT_EQ(h.database.LastDriver(), "ODBC Driver 18 for SQL Server");
    EXPECT_EQ(h.ctx->gUserRessId, h.demo.userRessId);
    EXPECT_EQ(h.ctx->gJobFolderName, h.demo.jobFolderName);
    EXPECT_EQ(h.ctx->gJobFolderNameArkiv, h.demo.jobFolderNameArkiv);
    EXPECT_EQ(h.ctx->gConnectionString, "Provider=SQLOLEDB.1;Initial Catalog=" + h.dbPath +
                                            ";Data Source=(sqlite);Persist Security Info=True;User ID=");

    kv::ShowImportDialog(*h.ctx);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(LoadSettingsTest, MissingDbCnFailsWithoutTouchingTheDatabase) {
    DeleteSetting("DBCn");
    h.WriteSetting("OdbcDriver", "no such driver");  // would fail loudly if a connection were tried
    EXPECT_FALSE(h.Load());
    EXPECT_EQ(h.ctx->gConnection, nullptr);
    kv::ShowImportDialog(*h.ctx);
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(ShowedStartKorvaneFirst());
    EXPECT_EQ(Log().find("LoadSettings"), std::string::npos) << "settings not written yet are no error";
}

TEST_F(LoadSettingsTest, MissingOrZeroUserRessIdOpensThenDropsTheConnection) {
    DeleteSetting("UserRessId");
    EXPECT_FALSE(h.Load());
    EXPECT_EQ(h.ctx->gConnection, nullptr);
    EXPECT_EQ(h.ctx->gConnectionString.rfind("Provider=SQLOLEDB.1", 0), 0u) << "the text was converted first";

    kv::settings::WriteNumber(h.registry, "UserRessId", 0);
    EXPECT_FALSE(h.Load());
    EXPECT_EQ(h.ctx->gConnection, nullptr);
}

TEST_F(LoadSettingsTest, UnusableDatabasesGiveTheStartKorvaneMessage) {
    const std::string bogus = h.dir / "not-a-db.db";
    std::ofstream(bogus) << "this is not SQLite";
    for (const std::string& dbcn :
         {std::string("garbage"), std::string(";;;="), "SERVER=(sqlite);DATABASE=" + (h.dir / "missing.db"),
          "SERVER=(sqlite);DATABASE=" + h.docRoot, "SERVER=(sqlite);DATABASE=" + bogus}) {
        h.WriteSetting("DBCn", dbcn);
        h.prompts.ClearRecords();
        EXPECT_FALSE(h.Load()) << dbcn;
        EXPECT_EQ(h.ctx->gConnection, nullptr) << dbcn;
        kv::ShowImportDialog(*h.ctx);
        EXPECT_TRUE(ShowedStartKorvaneFirst()) << dbcn;
    }
    EXPECT_EQ(shown, 0);
    EXPECT_FALSE(std::filesystem::exists(h.dir / "missing.db")) << "opening must never create a database";
    // The message says nothing of why; the log does.
    EXPECT_NE(Log().find("\t\tERROR\t\tLoadSettings: "), std::string::npos) << Log();
}

TEST_F(LoadSettingsTest, MissingSysVariablerTableFailsTheLoad) {
    ASSERT_TRUE(h.Load());
    h.ctx->gConnection->Execute("DROP TABLE SysVariabler");
    EXPECT_FALSE(h.Load());
    EXPECT_EQ(h.ctx->gConnection, nullptr);
}

TEST_F(LoadSettingsTest, SysVariablesMissingNullAndDuplicated) {
    ASSERT_TRUE(h.Load());
    auto& cn = *h.ctx->gConnection;
    cn.Execute("DELETE FROM SysVariabler");
    EXPECT_TRUE(h.Load());
    EXPECT_EQ(h.ctx->gJobFolderName, "");
    EXPECT_EQ(h.ctx->gJobFolderNameArkiv, "");

    h.ctx->gConnection->Execute(
        "INSERT INTO SysVariabler (VariableNavn, Vaerdi) VALUES ('DocHandlingJobFolderName', NULL)");
    h.ctx->gConnection->Execute(
        "INSERT INTO SysVariabler (VariableNavn, Vaerdi) VALUES ('DocHandlingJobFolderNameArkiv', 'Arkiv')");
    h.ctx->gConnection->Execute(
        "INSERT INTO SysVariabler (VariableNavn, Vaerdi) VALUES ('DocHandlingJobFolderNameArkiv', 'Andet')");
    EXPECT_TRUE(h.Load());
    EXPECT_EQ(h.ctx->gJobFolderName, "");
    EXPECT_EQ(h.ctx->gJobFolderNameArkiv, "Arkiv") << "the first row wins";
}

TEST_F(LoadSettingsTest, SysVariableNameIsBoundNotSpliced) {
    ASSERT_TRUE(h.Load());
    EXPECT_EQ(kv::GetSysVariable(*h.ctx, "x' OR '1'='1"), "");
    const std::string query = " SELECT Vaerdi FROM SysVariabler WHERE VariableNavn=? | ";
    EXPECT_EQ(h.database.Statements(),
              (std::vector<std::string>{query + "'DocHandlingJobFolderNameArkiv'", query + "'DocHandlingJobFolderName'",
                                        query + "'x' OR '1'='1'"}));
}

TEST_F(LoadSettingsTest, SecondLoadReplacesTheConnection) {
    ASSERT_TRUE(h.Load());
    h.ctx->gConnection->Execute("CREATE TEMP TABLE only_in_first (x INTEGER)");
    ASSERT_TRUE(h.Load());
    ASSERT_NE(h.ctx->gConnection, nullptr);
    // A server may allow a user few connections: the first is gone before the second opens.
    EXPECT_EQ(h.database.OpenWhenLastOpened(), 0);
    // A temporary table lives only in its own connection.
    EXPECT_THROW(h.ctx->gConnection->Execute("SELECT * FROM only_in_first"), kv::Error);
}

TEST_F(LoadSettingsTest, AFailingDialogIsSwallowedButLogged) {
    h.ctx->makeImportDialog = [](kv::AddinContext&) -> std::unique_ptr<kv::ImportDialog> {
        struct Failing : kv::ImportDialog {
            void ShowModal() override { throw kv::Error(91, "frmKorvane", "Objektvariabel ikke angivet"); }
        };
        return std::make_unique<Failing>();
    };
    EXPECT_NO_THROW(kv::ShowImportDialog(*h.ctx));
    EXPECT_TRUE(h.prompts.Messages().empty());
    EXPECT_NE(Log().find("\t\tERROR\t\tShowImportDialog: Objektvariabel ikke angivet\r\n"), std::string::npos) << Log();
}

TEST_F(LoadSettingsTest, SysVariableWithoutAConnectionFailsSayingSo) {
    ASSERT_FALSE(h.ctx->gConnection);
    try {
        kv::GetSysVariable(*h.ctx, "DocHandlingJobFolderName");
        ADD_FAILURE() << "no failure";
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Description(), "No database connection");
        EXPECT_EQ(e.Number(), kv::errnum::Unexpected);
    }
    EXPECT_TRUE(h.database.Statements().empty());
}
