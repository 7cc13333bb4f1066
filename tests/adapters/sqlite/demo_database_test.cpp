// The demo Korvane database answers the add-in's own query texts sensibly.
#include <gtest/gtest.h>

#include <filesystem>

#include "adapters/sqlite/demo_database.hpp"
#include "adapters/sqlite/sqlite_database.hpp"
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
        for (auto rs = cn_->Execute(sql); !rs->EndOfFile(); rs->MoveNext()) values.push_back(rs->Field(column).ToText());
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

TEST_F(DemoDatabase, ResourceListUnderAllesShowsActiveTypesTwoToFiveWithFolders) {
    const auto names = Column(
        " SELECT RessID, RessNavn, RessTypeID FROM Ress   WHERE NOT mFldID IS NULL  AND NOT RessFld IS NULL "
        " AND RessFld <> ''  AND RessAktiv=1  AND RessTypeID > 1 AND RessTypeID < 6  ORDER BY RessTypeID, RessNavn ",
        "RessNavn");
    EXPECT_NE(std::find(names.begin(), names.end(), "O'Connor Consulting ApS"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Nørrebro Bageri"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "Gammel Kunde ApS"), names.end());   // inactive
    EXPECT_EQ(std::find(names.begin(), names.end(), "Kunde uden mappe"), names.end());   // no folder
    EXPECT_EQ(std::find(names.begin(), names.end(), "Korvane Demo A/S"), names.end());   // type 1
    EXPECT_EQ(names.front(), "Anne Ærø");  // staff first
}

TEST_F(DemoDatabase, CustomerListWithAccessShowsOnlyDisplayedCustomersOfTheUser) {
    const auto ids = Column(
        " SELECT RessID, RessNavn, RessTypeID FROM Ress        INNER JOIN ResAccess           ON Ress.RessID = "
        "ResAccess.CustId  WHERE NOT mFldID IS NULL  AND NOT RessFld IS NULL  AND RessFld <> ''  AND RessAktiv=1 "
        " AND RessTypeID = 3 AND ResAccess.AccessLevel = 1  AND ResAccess.Display = 1  AND ResAccess.ResId = 1 "
        " ORDER BY RessTypeID, RessNavn ",
        "RessID");
    EXPECT_EQ(ids, (std::vector<std::string>{"101", "102", "100"}));  // by name: Bøgh, O'Connor, Ålborg
}

TEST_F(DemoDatabase, JobListSplitsActiveAndClosedJobs) {
    const std::string base =
        " SELECT Job.JobID, Job.JobNavn, Job.JobFolderArkiveret  FROM Job INNER JOIN RessProjekter ON Job.ProjektID = "
        "RessProjekter.ProjektID  INNER JOIN RessKunde ON RessProjekter.RessID = RessKunde.KundeRessID  INNER JOIN "
        "ResAccess ON RessKunde.KundeRessID = ResAccess.CustID  Where ResAccess.ResId = 1 And ResAccess.AccessLevel = 1 "
        " AND RessProjekter.RessID= 100";
    EXPECT_EQ(Column(base + " AND JobStatusID<4 ORDER BY Job.JobID ", "JobID"),
              (std::vector<std::string>{"417", "418", "419"}));
    EXPECT_EQ(Column(base + " AND JobStatusID>3 ORDER BY Job.JobID ", "JobID"), (std::vector<std::string>{"420", "421"}));
    EXPECT_EQ(Column(base + " ORDER BY Job.JobID ", "JobID").size(), 5u);
    // No access row: no jobs, even though the customer has one.
    EXPECT_TRUE(Column(" SELECT Job.JobID FROM Job INNER JOIN RessProjekter ON Job.ProjektID = RessProjekter.ProjektID "
                       " INNER JOIN RessKunde ON RessProjekter.RessID = RessKunde.KundeRessID  INNER JOIN ResAccess ON "
                       "RessKunde.KundeRessID = ResAccess.CustID  Where ResAccess.ResId = 1 AND RessProjekter.RessID= 104",
                       "JobID")
                    .empty());
}

TEST_F(DemoDatabase, EveryFolderPathPointsAtARealFolderWithTheHiddenOnesInside) {
    const auto jobFolder = Column("SELECT [JobID], [FldPri], [FldPriUnc], [FldSec], [FldSecUnc] From [JobFldPath] Where JobID = 417", "FldPri");
    ASSERT_EQ(jobFolder.size(), 1u);
    EXPECT_TRUE(fs::is_directory(fs::path(jobFolder[0]) / "Korrespondance" / "2024"));
    EXPECT_TRUE(fs::is_directory(fs::path(jobFolder[0]) / info_.jobFolderName));
    EXPECT_TRUE(fs::is_directory(fs::path(jobFolder[0]) / "ARKIV"));  // the variable's name in other case
    for (const auto& path : Column("SELECT ResFld FROM ResFldPath", "ResFld")) EXPECT_TRUE(fs::is_directory(path)) << path;
    for (const auto& path : Column("SELECT FldPri FROM JobFldPath", "FldPri")) EXPECT_TRUE(fs::is_directory(path)) << path;
    EXPECT_TRUE(cn_->Execute("SELECT [RessID], [ResFld], [ResFldUNX] From [ResFldPath] WHERE RessID = 106")->EndOfFile());
}

TEST_F(DemoDatabase, RefusesToOverwriteAnExistingFile) {
    EXPECT_THROW(kv::sqlite::CreateDemoDatabase(*dir_ / "korvane.db", kv::sqlite::DemoSize::Small, *dir_ / "docs"),
                 kv::Error);
    EXPECT_NO_THROW(kv::sqlite::OpenDatabase(*dir_ / "korvane.db"));
    try {
        kv::sqlite::CreateDemoDatabase("", kv::sqlite::DemoSize::Small, *dir_ / "docs");
        ADD_FAILURE() << "no error";
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Source() + ": " + e.Description(), "CreateDemoDatabase: No database file is named");
    }
}

TEST(LargeDemoDatabase, HasTheBenchmarkVolumeAndNoFolders) {
    kv::fakes::TempDir dir("kvdemo");
    const auto info = kv::sqlite::CreateDemoDatabase(dir / "large.db", kv::sqlite::DemoSize::Large, dir / "docs");
    auto cn = kv::sqlite::OpenDatabase(dir / "large.db");
    EXPECT_EQ(cn->Execute("SELECT COUNT(*) AS n FROM Ress")->Field("n"), Value(std::int32_t{50000}));
    EXPECT_EQ(cn->Execute("SELECT COUNT(*) AS n FROM Job")->Field("n"), Value(std::int32_t{20000}));
    EXPECT_EQ(info.resources, 50000);
    EXPECT_EQ(info.jobs, 20000);
    EXPECT_FALSE(fs::exists(dir.Path() / "docs"));
    // Only customers are customers, and a resource without a folder has no folder path.
    EXPECT_EQ(cn->Execute("SELECT COUNT(*) AS n FROM RessKunde")->Field("n"),
              cn->Execute("SELECT COUNT(*) AS n FROM Ress WHERE RessTypeID = 3")->Field("n"));
    EXPECT_EQ(cn->Execute("SELECT COUNT(*) AS n FROM ResFldPath")->Field("n"),
              cn->Execute("SELECT COUNT(*) AS n FROM Ress WHERE mFldID IS NOT NULL")->Field("n"));
}

}  // namespace
