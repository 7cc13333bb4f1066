// The ODBC adapter built for Windows, run under Wine: odbc32 hands the wide
// calls to the host's unixODBC, which loads the SQLite3 ODBC driver. The
// driver is a host library, so the database path in the connection string
// is a host path; the test's own file work goes through Wine's Z: drive.
#include <algorithm>
#include <string>

#include "adapters/odbc/odbc_database.hpp"
#include "adapters/wine_path.hpp"
#include "conformance/database_conformance.hpp"
#include "support/error.hpp"

namespace {

using kv::conformance::DatabaseConformance;
using kv::conformance::DatabaseHarness;
using kv::conformance::HarnessFactory;
using kv::testing::FixtureDir;
using kv::testing::HostPath;
using kv::testing::WinePath;

std::string SqliteConnectionString(const std::string& hostFile) {
    // NoCreat keeps the driver from making an empty database of a missing file.
    return "Driver={SQLite3};Database=" + hostFile + ";NoCreat=1";
}

class WineSqliteOdbcHarness final : public DatabaseHarness {
public:
    WineSqliteOdbcHarness() : dir_(FixtureDir("KV_ODBC_WINE_DIR")) {
        if (dir_.empty()) {
            missing_ = "no demo database was made for this run (run the test through ctest)";
            return;
        }
        try {
            Connect();
        } catch (const kv::Error& e) {
            missing_ = "Wine's odbc32 did not reach the host's SQLite3 ODBC driver: " + e.Description();
        }
    }
    std::string SkipReason() const override { return missing_; }
    std::unique_ptr<kv::db::Connection> Connect() override {
        return kv::odbc::OpenConnectionString(SqliteConnectionString(dir_ + "/korvane.db"));
    }
    std::unique_ptr<kv::db::Connection> ConnectToFile(const std::string& path) override {
        return kv::odbc::OpenConnectionString(SqliteConnectionString(HostPath(path)));
    }
    std::string TempDir() const override { return WinePath(dir_); }

private:
    std::string dir_;
    std::string missing_;
};

INSTANTIATE_TEST_SUITE_P(OdbcUnderWine, DatabaseConformance,
                         ::testing::Values(HarnessFactory{"SqliteDriver",
                                                          [] { return std::make_unique<WineSqliteOdbcHarness>(); }}),
                         kv::conformance::HarnessName);

// The driver list comes from the host's odbcinst.ini through the bridge.
TEST(OdbcUnderWine, InstalledDriversIncludeTheHostsSqliteDriver) {
    if (FixtureDir("KV_ODBC_WINE_DIR").empty()) GTEST_SKIP() << "run the test through ctest";
    const auto drivers = kv::odbc::InstalledDrivers();
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "SQLite3"), drivers.end())
        << drivers.size() << " drivers listed";
}

}  // namespace
