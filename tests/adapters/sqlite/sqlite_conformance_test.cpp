#include "adapters/database/open_database.hpp"
#include "adapters/sqlite/demo_database.hpp"
#include "adapters/sqlite/sqlite_database.hpp"
#include "conformance/database_conformance.hpp"
#include "fakes/temp_dir.hpp"

namespace {

using kv::conformance::DatabaseConformance;
using kv::conformance::DatabaseHarness;
using kv::conformance::HarnessFactory;

// The demo Korvane database, opened the way the add-in opens it: from the
// provider string the settings build, through the adapter choice.
class SqliteHarness final : public DatabaseHarness {
public:
    SqliteHarness() { kv::sqlite::CreateDemoDatabase(dir_ / "korvane.db", kv::sqlite::DemoSize::Small, dir_ / "docs"); }
    std::unique_ptr<kv::db::Connection> Connect() override {
        return kv::adapters::OpenDatabase("Provider=SQLOLEDB.1;Initial Catalog=" + (dir_ / "korvane.db") +
                                              ";Data Source=(sqlite);Persist Security Info=True;User ID=",
                                          "");
    }
    std::unique_ptr<kv::db::Connection> ConnectToFile(const std::string& path) override {
        return kv::sqlite::OpenDatabase(path);
    }
    std::string TempDir() const override { return dir_.Path().string(); }

private:
    kv::fakes::TempDir dir_{"kvsqlite"};
};

INSTANTIATE_TEST_SUITE_P(Sqlite, DatabaseConformance,
                         ::testing::Values(HarnessFactory{"Sqlite", [] { return std::make_unique<SqliteHarness>(); }}),
                         kv::conformance::HarnessName);

}  // namespace
