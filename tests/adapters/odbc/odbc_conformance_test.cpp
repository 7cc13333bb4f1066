#include <unistd.h>

#include "adapters/odbc/odbc_database.hpp"
#include "adapters/sqlite/demo_database.hpp"
#include "conformance/database_conformance.hpp"
#include "fakes/temp_dir.hpp"
#include "odbc_drivers.hpp"
#include "pg_test_server.hpp"

namespace {

using kv::conformance::DatabaseConformance;
using kv::conformance::DatabaseHarness;
using kv::conformance::HarnessFactory;

// The demo Korvane database read through the SQLite ODBC driver: queries,
// NULLs, text, date-times and parameters through the real ODBC stack, and
// the procedures the demo database keeps as rows of kv_procedure.
class SqliteOdbcHarness final : public DatabaseHarness {
public:
    SqliteOdbcHarness() : missing_(kv::testing::DriverMissingReason("SQLite3")) {
        if (missing_.empty())
            kv::sqlite::CreateDemoDatabase(dir_ / "korvane.db", kv::sqlite::DemoSize::Small, dir_ / "docs");
    }
    std::string SkipReason() const override { return missing_; }
    std::unique_ptr<kv::db::Connection> Connect() override {
        return kv::odbc::OpenConnectionString("Driver=SQLite3;Database=" + (dir_ / "korvane.db") + ";NoCreat=1");
    }
    std::unique_ptr<kv::db::Connection> ConnectToFile(const std::string& path) override {
        // NoCreat keeps the driver from making an empty database of a missing file.
        return kv::odbc::OpenConnectionString("Driver=SQLite3;Database=" + path + ";NoCreat=1");
    }
    std::string TempDir() const override { return dir_.Path().string(); }

private:
    kv::fakes::TempDir dir_{"kvodbc"};
    std::string missing_;
};

// The throwaway PostgreSQL server of the ctest fixture through psqlODBC: the
// Korvane schema with a PL/pgSQL DocMailImportExec, and the demo's rows.
class PostgresOdbcHarness final : public DatabaseHarness {
public:
    PostgresOdbcHarness() : server_(kv::testing::FindPostgresServer()) {
        if (server_.skipReason.empty()) kv::testing::LoadKorvaneDemo(*Connect(), dir_ / "docs");
    }
    std::string SkipReason() const override { return server_.skipReason; }
    std::unique_ptr<kv::db::Connection> Connect() override {
        return kv::odbc::OpenConnectionString(server_.ConnectionString("postgres"));
    }
    std::string NoProcedureRowsReason() const override { return "a server has procedures of its own"; }
    void CreateFailingProcedure(kv::db::Connection& cn) override {
        cn.Execute(R"SQL(
CREATE OR REPLACE FUNCTION conf_failing(p_id INTEGER) RETURNS INTEGER AS $body$
BEGIN
    INSERT INTO conf_people (id, note) VALUES (p_id, 'før; fejlen');
    INSERT INTO conf_people (id) VALUES (NULL);
    RETURN 0;
END
$body$ LANGUAGE plpgsql;)SQL")
            ->Close();
    }
    std::unique_ptr<kv::db::Connection> ConnectToFile(const std::string&) override { return nullptr; }
    std::string NoFileReason() const override { return "a database server opens no files"; }
    std::string TempDir() const override { return dir_.Path().string(); }

private:
    kv::fakes::TempDir dir_{"kvodbc"};
    kv::testing::PostgresServer server_;
};

// An SQLite file without kv_procedure has no procedures at all.
TEST(OdbcSqliteDriver, ADatabaseWithoutProcedureRowsKnowsNoProcedure) {
    if (const auto missing = kv::testing::DriverMissingReason("SQLite3"); !missing.empty()) GTEST_SKIP() << missing;
    kv::fakes::TempDir dir{"kvodbc"};
    auto cn = kv::odbc::OpenConnectionString("Driver=SQLite3;Database=" + (dir / "bare.db"));
    cn->Execute("CREATE TABLE t (id INTEGER)")->Close();
    auto call = cn->CreateProcedureCall("DocMailImportExec");
    try {
        call->Refresh();
        FAIL() << "no error";
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Description(), "Could not find stored procedure 'DocMailImportExec'");
    }
    EXPECT_THROW(call->Execute(), kv::Error);
}

// Binary values travel whole, every byte value and NUL included; a new row
// without any value is refused rather than guessed.
TEST(OdbcSqliteDriver, BinaryValuesRoundTripAndAnEmptyRowIsRefused) {
    if (const auto missing = kv::testing::DriverMissingReason("SQLite3"); !missing.empty()) GTEST_SKIP() << missing;
    kv::fakes::TempDir dir{"kvodbc"};
    auto cn = kv::odbc::OpenConnectionString("Driver=SQLite3;Database=" + (dir / "bin.db"));
    cn->Execute("CREATE TABLE b (id INTEGER, data BLOB)")->Close();
    kv::Bytes all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
    cn->Execute("INSERT INTO b (id, data) VALUES (?, ?)", {std::int32_t{1}, kv::Value(all)})->Close();
    cn->Execute("INSERT INTO b (id, data) VALUES (?, ?)", {std::int32_t{2}, kv::Value(kv::Bytes{0, 0, 7})})->Close();
    EXPECT_EQ(cn->Execute("SELECT data FROM b WHERE id = 1")->Field("data"), kv::Value(all));
    EXPECT_EQ(cn->Execute("SELECT length(data) AS n FROM b WHERE id = 2")->Field("n").ToInt(), 3);

    auto set = cn->OpenInsertSet("SELECT * FROM b WHERE id = -1");
    set->AddNew();
    try {
        set->Update();
        ADD_FAILURE() << "no error";
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Description(), "The new row has no values");
    }
    EXPECT_EQ(cn->Execute("SELECT COUNT(*) AS n FROM b")->Field("n").ToInt(), 2);
}

// With StepAPI the driver makes each row at the fetch: a row it fails to
// make is an error at the move to it, not a row and not the end.
TEST(OdbcSqliteDriver, ARowTheDriverFailsToFetchIsAnError) {
    if (const auto missing = kv::testing::DriverMissingReason("SQLite3"); !missing.empty()) GTEST_SKIP() << missing;
    kv::fakes::TempDir dir{"kvodbc"};
    auto cn = kv::odbc::OpenConnectionString("Driver=SQLite3;StepAPI=1;Database=" + (dir / "step.db"));
    auto rs = cn->Execute("SELECT abs(v) AS a FROM (SELECT 1 AS v UNION ALL SELECT -9223372036854775807 - 1) t");
    ASSERT_FALSE(rs->EndOfFile());
    EXPECT_EQ(rs->Field("a").ToInt(), 1);
    try {
        rs->MoveNext();
        ADD_FAILURE() << "no error; at the end: " << rs->EndOfFile();
    } catch (const kv::Error& e) {
        EXPECT_NE(e.Description().find("integer overflow"), std::string::npos) << e.Description();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Odbc, DatabaseConformance,
    ::testing::Values(HarnessFactory{"SqliteDriver", [] { return std::make_unique<SqliteOdbcHarness>(); }},
                      HarnessFactory{"PostgreSql", [] { return std::make_unique<PostgresOdbcHarness>(); }}),
    kv::conformance::HarnessName);

}  // namespace
