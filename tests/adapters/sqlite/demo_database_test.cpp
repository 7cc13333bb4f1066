// The demo Korvane database: its variables, its folders on disk, its sizes.
// What the dialog's own queries find in it is the dialog tests' concern.
#include <gtest/gtest.h>

#include <filesystem>

#include "adapters/sqlite/demo_database.hpp"
#include "adapters/sqlite/sqlite_database.hpp"
#include "fakes/file_text.hpp"
#include "fakes/temp_dir.hpp"

namespace fs = std::filesystem;
using kv::Value;
namespace demo = kv::sqlite::demo;

namespace {

class DemoDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new kv::fakes::TempDir("kvdemo");
        info_ = kv::sqlite::CreateDemoDatabase(*dir_ / "korvane.db", kv::sqlite::DemoSize::Small, *dir_ / "docs");
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override { cn_ = kv::sqlite::OpenDatabase(*dir_ / "korvane.db"); }

    std::vector<std::string> Column(const std::string& sql, const std::string& column) {
        std::vector<std::string> values;
        for (auto rs = cn_->Execute(sql); !rs->EndOfFile(); rs->MoveNext())
            values.push_back(rs->Field(column).ToText());
        return values;
    }

    static inline kv::fakes::TempDir* dir_ = nullptr;
    static inline kv::sqlite::DemoDatabase info_;
    std::unique_ptr<kv::db::Connection> cn_;
};

TEST_F(DemoDatabase, HoldsBothFolderVariablesAndTheUser) {
    EXPECT_EQ(info_.userRessId, demo::UserRessId);
    EXPECT_EQ(Column(" SELECT Vaerdi FROM SysVariabler WHERE VariableNavn='DocHandlingJobFolderName'", "Vaerdi"),
              std::vector<std::string>{info_.jobFolderName});
    EXPECT_EQ(Column(" SELECT Vaerdi FROM SysVariabler WHERE VariableNavn='DocHandlingJobFolderNameArkiv'", "Vaerdi"),
              std::vector<std::string>{info_.jobFolderNameArkiv});
    EXPECT_EQ(Column(" SELECT RessNavn FROM Ress WHERE RessId = 1", "RessNavn"),
              std::vector<std::string>{"Mette Sørensen"});
}

TEST_F(DemoDatabase, EveryFolderPathPointsAtARealFolderWithTheHiddenOnesInside) {
    const auto jobFolder = Column(
        "SELECT [JobID], [FldPri], [FldPriUnc], [FldSec], [FldSecUnc] From [JobFldPath] Where JobID = 417", "FldPri");
    ASSERT_EQ(jobFolder.size(), 1u);
    EXPECT_TRUE(fs::is_directory(fs::path(jobFolder[0]) / "Korrespondance" / "2024"));
    EXPECT_TRUE(fs::is_directory(fs::path(jobFolder[0]) / info_.jobFolderName));
    EXPECT_TRUE(fs::is_directory(fs::path(jobFolder[0]) / "ARKIV"));  // the variable's name in other case
    for (const auto& path : Column("SELECT ResFld FROM ResFldPath", "ResFld"))
        EXPECT_TRUE(fs::is_directory(path)) << path;
    for (const auto& path : Column("SELECT FldPri FROM JobFldPath", "FldPri"))
        EXPECT_TRUE(fs::is_directory(path)) << path;
    EXPECT_TRUE(
        cn_->Execute("SELECT [RessID], [ResFld], [ResFldUNX] From [ResFldPath] WHERE RessID = 106")->EndOfFile());
}

TEST_F(DemoDatabase, RefusesToOverwriteAnExistingFile) {
    const std::string existing = *dir_ / "korvane.db";
    const std::pair<std::string, std::string> cases[] = {
        {existing, "CreateDemoDatabase: The file exists already: " + existing},
        {"", "CreateDemoDatabase: No database file is named"}};
    for (const auto& [path, text] : cases) {
        try {
            kv::sqlite::CreateDemoDatabase(path, kv::sqlite::DemoSize::Small, *dir_ / "docs");
            ADD_FAILURE() << "no error for " << path;
        } catch (const kv::Error& e) {
            EXPECT_EQ(e.Source() + ": " + e.Description(), text);
        }
    }
    EXPECT_NO_THROW(kv::sqlite::OpenDatabase(existing));
    // A document folder that cannot be made leaves no half-built database.
    kv::fakes::WriteFileText(*dir_ / "plain", "x");
    EXPECT_ANY_THROW(kv::sqlite::CreateDemoDatabase(*dir_ / "half.db", kv::sqlite::DemoSize::Small, *dir_ / "plain"));
    EXPECT_FALSE(fs::exists(*dir_ / "half.db"));
}

TEST(LargeDemoDatabase, HasTheBenchmarkVolumeAndNoFolders) {
    kv::fakes::TempDir dir("kvdemo");
    const auto info = kv::sqlite::CreateDemoDatabase(dir / "large.db", kv::sqlite::DemoSize::Large, dir / "docs");
    auto cn = kv::sqlite::OpenDatabase(dir / "large.db");
    EXPECT_EQ(cn->Execute("SELECT COUNT(*) AS n FROM Ress")->Field("n"), Value(std::int32_t{50000}));
    EXPECT_EQ(cn->Execute("SELECT COUNT(*) AS n FROM Job")->Field("n"), Value(std::int32_t{20000}));
    EXPECT_EQ(info.resources, 50000);
    EXPECT_EQ(info.jobs, 20000);
    EXPECT_EQ(
        cn->Execute("SELECT Vaerdi FROM SysVariabler WHERE VariableNavn='DocHandlingJobFolderName'")->Field("Vaerdi"),
        Value(info.jobFolderName));
    EXPECT_FALSE(fs::exists(dir.Path() / "docs"));
    // Only customers are customers, and a resource without a folder has no folder path.
    EXPECT_EQ(cn->Execute("SELECT COUNT(*) AS n FROM RessKunde")->Field("n"),
              cn->Execute("SELECT COUNT(*) AS n FROM Ress WHERE RessTypeID = 3")->Field("n"));
    EXPECT_EQ(cn->Execute("SELECT COUNT(*) AS n FROM ResFldPath")->Field("n"),
              cn->Execute("SELECT COUNT(*) AS n FROM Ress WHERE mFldID IS NOT NULL")->Field("n"));
}

}  // namespace
