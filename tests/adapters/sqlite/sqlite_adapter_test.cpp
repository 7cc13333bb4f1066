// What only the embedded database does: files, the procedure table, busy
// waiting, and the provider strings that pick it.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "adapters/database/open_database.hpp"
#include "adapters/sqlite/demo_database.hpp"
#include "adapters/sqlite/sqlite_database.hpp"
#include "fakes/temp_dir.hpp"
#include "fakes/open_files.hpp"

namespace fs = std::filesystem;
using kv::Error;
using kv::Value;

namespace {

class SqliteAdapter : public ::testing::Test {
protected:
    void SetUp() override {
        kv::sqlite::CreateDemoDatabase(dir_ / "korvane.db", kv::sqlite::DemoSize::Small, dir_ / "docs");
        cn_ = kv::sqlite::OpenDatabase(dir_ / "korvane.db");
    }
    kv::fakes::TempDir dir_{"kvsqlite"};
    std::unique_ptr<kv::db::Connection> cn_;
};

// "Source: Description" of what body throws.
std::string ErrorText(const std::function<void()>& body) {
    try {
        body();
    } catch (const Error& e) {
        return e.Source() + ": " + e.Description();
    }
    return "(no error)";
}

TEST_F(SqliteAdapter, RefusesMissingEmptyAndForeignFilesWithoutCreatingOne) {
    const std::string missing = dir_ / "nope.db";
    const std::string empty = dir_ / "empty.db";
    std::ofstream(empty).close();
    const std::string folder = dir_.Path().string();
    for (const auto& [file, text] : std::initializer_list<std::pair<std::string, std::string>>{
             {missing, "The database file does not exist: " + missing},
             {"", "No database file is named (Initial Catalog is empty)"},
             {empty, "The file is not an SQLite database: " + empty},
             {folder, "The database file is a folder: " + folder}})
        EXPECT_EQ(ErrorText([&, path = file] { kv::sqlite::OpenDatabase(path); }), "SQLite: " + text);
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(fs::file_size(empty), 0u);

    // The right header but garbage behind it fails at opening, too.
    const std::string damaged = dir_ / "damaged.db";
    {
        std::ofstream out(damaged, std::ios::binary);
        out.write("SQLite format 3\0", 16);
        out << std::string(200, 'x');
    }
    EXPECT_THROW(kv::sqlite::OpenDatabase(damaged), Error);
}

// The user reads these in the error box: each names this driver and says
// what was wrong, and the fault leaves the connection usable.
TEST_F(SqliteAdapter, RefusalsComeFromTheDriverSayingWhatWasWrong) {
    auto row = [&] { return cn_->Execute("SELECT VariableNavn FROM SysVariabler"); };
    const std::string missing = (dir_.Path() / "ingen" / "ny.db").string();
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[&] { cn_->Execute(" -- kun en kommentar\n"); }, "SQLite: The query text holds no statement"},
        {[&] { cn_->Execute("SELECT ?1, ?2, ?3", {std::int32_t{1}}); },
         "SQLite: The query has 3 parameters but 1 values were given"},
        {[&] { row()->Field("RessNavn"); }, "SQLite: No column named 'RessNavn' in the result"},
        {[&] {
             auto rs = row();
             rs->Close();
             EXPECT_TRUE(rs->EndOfFile()) << "a closed result has no row";
             rs->Field("VariableNavn");
         },
         "SQLite: The result is closed"},
        {[&] { cn_->Execute("SELECT 1 AS a WHERE 0")->MoveNext(); }, "SQLite: The result has no current row"},
        {[&] { cn_->CreateProcedureCall("IngenSaadan")->Execute(); },
         "SQLite: Could not find stored procedure 'IngenSaadan'"},
        {[&] { kv::sqlite::CreateDatabase(missing); }, "SQLite: unable to open database file (" + missing + ")"},
        {[&] { kv::sqlite::CreateDatabase(""); }, "SQLite: No database file is named"},
    };
    for (const auto& [body, expected] : cases) EXPECT_EQ(ErrorText(body), expected);
    EXPECT_EQ(row()->Field("VariableNavn").ToText().empty(), false);
}

TEST_F(SqliteAdapter, ProviderStringPicksTheEmbeddedDatabaseOnlyForItsDataSource) {
    auto cn =
        kv::adapters::OpenDatabase("Provider=SQLOLEDB.1;Initial Catalog=" + (dir_ / "korvane.db") +
                                       ";Data Source=(SQLite);Integrated Security=SSPI;Persist Security Info=False",
                                   "");
    EXPECT_EQ(cn->Execute(" SELECT Vaerdi FROM SysVariabler WHERE VariableNavn='DocHandlingJobFolderNameArkiv'")
                  ->Field("Vaerdi"),
              Value("Arkiv"));
    EXPECT_THROW(kv::adapters::OpenDatabase("", ""), Error);
    EXPECT_THROW(kv::adapters::OpenDatabase("Provider=SQLOLEDB.1;Initial Catalog=;Data Source=(sqlite)", ""), Error);
}

TEST_F(SqliteAdapter, ScriptStatementsBeforeTheLastRunAndTheLastIsTheResult) {
    auto rs =
        cn_->Execute("CREATE TEMP TABLE t (a INTEGER); INSERT INTO t VALUES (?1); SELECT a FROM t;", {std::int32_t{9}});
    ASSERT_FALSE(rs->EndOfFile());
    EXPECT_EQ(rs->Field("a").AsInt(), 9);
}

TEST_F(SqliteAdapter, WideIntegersComeBackAsNumbersNotTruncated) {
    EXPECT_EQ(cn_->Execute("SELECT 2147483647 AS a")->Field("a"), Value(std::int32_t{2147483647}));
    EXPECT_EQ(cn_->Execute("SELECT -2147483648 AS a")->Field("a"), Value(std::int32_t{-2147483647 - 1}));
    EXPECT_EQ(cn_->Execute("SELECT 4294967296 AS a")->Field("a"), Value(4294967296.0));
    // A text in a date column that is not a date stays text.
    cn_->Execute("CREATE TEMP TABLE d (w DATETIME)")->Close();
    cn_->Execute("INSERT INTO d VALUES ('snart')")->Close();
    EXPECT_EQ(cn_->Execute("SELECT w FROM d")->Field("w"), Value("snart"));
    // A date in a text column stays the text it is.
    EXPECT_EQ(
        cn_->Execute("CREATE TEMP TABLE t (x TEXT); INSERT INTO t VALUES ('2024-05-14 07:15:30'); SELECT x FROM t")
            ->Field("x"),
        Value("2024-05-14 07:15:30"));
}

// Statements are kept for their text and run again: each run starts at its
// first row with the values given to it, two results of one text at once
// stay apart, texts beyond the few kept do not pile up, and closing the
// connection lets go of its file.
TEST_F(SqliteAdapter, StatementsRunAgainAsIfPreparedAnew) {
    const auto openFiles = kv::fakes::OpenFiles;
    cn_.reset();
    const auto filesBefore = openFiles();
    auto cn = kv::sqlite::OpenDatabase(dir_ / "korvane.db");
    const std::string sql = "SELECT VariableNavn AS n FROM SysVariabler WHERE VariableNavn > ? ORDER BY 1";
    auto first = cn->Execute(sql, {Value("")});
    ASSERT_FALSE(first->EndOfFile());
    const Value lowest = first->Field("n");
    first->MoveNext();
    auto second = cn->Execute(sql, {Value("")});
    EXPECT_EQ(second->Field("n"), lowest);
    EXPECT_NE(first->Field("n"), lowest);
    first.reset();
    second.reset();
    EXPECT_EQ(cn->Execute(sql, {Value("")})->Field("n"), lowest);
    EXPECT_NE(cn->Execute(sql, {lowest})->Field("n"), lowest);
    // A table changed since its statements were kept shows its new columns,
    // to a result and to an insert alike.
    cn->Execute("CREATE TABLE t (a)")->Close();
    cn->Execute("SELECT * FROM t")->Close();
    cn->OpenInsertSet("SELECT * FROM t WHERE 0")->Close();
    cn->Execute("ALTER TABLE t ADD COLUMN b")->Close();
    auto set = cn->OpenInsertSet("SELECT * FROM t WHERE 0");
    set->AddNew();
    set->SetField("b", Value(std::int32_t{2}));
    set->Update();
    set.reset();
    EXPECT_EQ(cn->Execute("SELECT * FROM t")->Field("b"), Value(std::int32_t{2}));

    auto memoryBefore = sqlite3_memory_used();
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(cn->Execute("SELECT " + std::to_string(i) + " AS a")->Field("a").AsInt(), i);
    EXPECT_LT(sqlite3_memory_used() - memoryBefore, 256 * 1024) << "every text kept";
    memoryBefore = sqlite3_memory_used();
    EXPECT_EQ(cn->Execute("SELECT length(?) AS a", {Value(std::string(1 << 20, 'x'))})->Field("a").AsInt(), 1 << 20);
    EXPECT_LT(sqlite3_memory_used() - memoryBefore, 256 * 1024) << "a value kept beyond its use";
    EXPECT_EQ(cn->Execute(sql, {Value("")})->Field("n"), lowest);
    cn.reset();
    EXPECT_EQ(openFiles(), filesBefore);
}

TEST_F(SqliteAdapter, ASecondWriterWaitsForTheFirstInsteadOfFailing) {
    auto other = kv::sqlite::OpenDatabase(dir_ / "korvane.db");
    kv::sqlite::ExecuteScript(*other, "BEGIN IMMEDIATE; INSERT INTO SysVariabler VALUES ('A', '1');");
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kv::sqlite::ExecuteScript(*other, "COMMIT");
    });
    EXPECT_NO_THROW(cn_->Execute("INSERT INTO SysVariabler VALUES ('B', '2')")->Close());
    release.join();
    EXPECT_EQ(cn_->Execute("SELECT COUNT(*) AS n FROM SysVariabler WHERE VariableNavn IN ('A', 'B')")->Field("n"),
              Value(std::int32_t{2}));
}

}  // namespace
