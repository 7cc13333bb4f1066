#pragma once
// The behaviour every database adapter owes the core, as one test suite.
// An adapter's test program includes this header once, defines harnesses and
// instantiates the suite:
//
//   INSTANTIATE_TEST_SUITE_P(Sqlite, DatabaseConformance,
//                            ::testing::Values(HarnessFactory{"Sqlite", &MakeSqliteHarness}),
//                            HarnessName);
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ports/database.hpp"
#include "support/error.hpp"

namespace kv::conformance {

// Reaches one database that has the Korvane table DocMailImport (and,
// where the driver can, the procedure DocMailImportExec).
class DatabaseHarness {
public:
    virtual ~DatabaseHarness() = default;
    // Non-empty: the driver is absent here and the whole suite is skipped.
    virtual std::string SkipReason() const { return {}; }
    virtual std::unique_ptr<db::Connection> Connect() = 0;
    // Non-empty: the database has no DocMailImportExec, and why.
    virtual std::string NoProcedureReason() const { return {}; }
    // Non-empty: procedures are no rows of kv_procedure here, and why.
    virtual std::string NoProcedureRowsReason() const { return {}; }
    // Makes the procedure conf_failing(id): it stores a conf_people row for
    // id, then fails. This one keeps it as a row of kv_procedure, as the
    // SQLite demo database keeps its procedures; a server makes a real one.
    virtual void CreateFailingProcedure(db::Connection& cn) {
        cn.Execute("DELETE FROM kv_procedure WHERE name = 'conf_failing'")->Close();
        cn.Execute("INSERT INTO kv_procedure (name, body) VALUES ('conf_failing', ?)",
                   {"INSERT INTO conf_people (id, note) VALUES (?1, 'før; fejlen');\n"
                    "INSERT INTO conf_people (id) VALUES (NULL); -- id is NOT NULL\n"
                    "SELECT 0;"})
            ->Close();
    }
    // Opens a database file; nullptr when the adapter does not open files.
    virtual std::unique_ptr<db::Connection> ConnectToFile(const std::string& path) = 0;
    virtual std::string NoFileReason() const { return {}; }
    virtual std::string TempDir() const = 0;
};

struct HarnessFactory {
    std::string name;
    std::function<std::unique_ptr<DatabaseHarness>()> make;
};

// Test names and failure lines show the harness by name.
inline void PrintTo(const HarnessFactory& factory, std::ostream* out) { *out << factory.name; }

inline std::string HarnessName(const ::testing::TestParamInfo<HarnessFactory>& info) { return info.param.name; }

class DatabaseConformance : public ::testing::TestWithParam<HarnessFactory> {
protected:
    void SetUp() override {
        // One harness per adapter for the whole program: starting a database
        // per test would be slow, and each test drops its own tables first.
        static std::map<std::string, std::unique_ptr<DatabaseHarness>> harnesses;
        auto& slot = harnesses[GetParam().name];
        if (!slot) slot = GetParam().make();
        harness_ = slot.get();
        if (const std::string reason = harness_->SkipReason(); !reason.empty()) GTEST_SKIP() << reason;
        cn_ = harness_->Connect();
        Run("DROP TABLE IF EXISTS conf_people");
        Run("CREATE TABLE conf_people (id INTEGER NOT NULL, name VARCHAR(20000), born TIMESTAMP, "
            "score DOUBLE PRECISION, note VARCHAR(100))");
        Run("DELETE FROM DocMailImport");
    }

    void Run(const std::string& sql, const db::Params& params = {}) { cn_->Execute(sql, params)->Close(); }

    void AddPerson(std::int32_t id, const Value& name, const Value& born, const Value& score, const Value& note) {
        Run("INSERT INTO conf_people (id, name, born, score, note) VALUES (?, ?, ?, ?, ?)",
            {id, name, born, score, note});
    }

    Value One(const std::string& sql, const std::string& column, const db::Params& params = {}) {
        auto rs = cn_->Execute(sql, params);
        EXPECT_FALSE(rs->EndOfFile()) << sql;
        Value v = rs->EndOfFile() ? Value() : rs->Field(column);
        rs->Close();
        return v;
    }

    // Writes one DocMailImport row the way the import does.
    void AddImportRow(std::int32_t ordId, const Value& jobId) {
        auto set = cn_->OpenInsertSet("SELECT * FROM DocMailImport WHERE ImpId = -1 ");
        ASSERT_EQ(set->State(), 1);
        set->AddNew();
        set->SetField("DocTitle", "Tilbud på tag");
        set->SetField("DocAuthorId", std::int32_t{1});
        set->SetField("ResId", std::int32_t{100});
        if (!jobId.IsNull()) set->SetField("JobId", jobId);
        set->SetField("DocDate", DateTime{2024, 3, 5, 14, 7, 9});
        set->SetField("FExt", "msg");
        set->SetField("FSize", 2048.0);
        set->SetField("FName", "Tilbud på tag.msg");
        set->SetField("IconID", std::int32_t{34});
        set->SetField("Subject", "Tilbud på tag");
        set->SetField("Sender", "Bøgh & Søn's salg [salg@boegh.dk]");
        set->SetField("Received", DateTime{2024, 3, 5, 14, 7, 9});
        set->SetField("Attachments", std::int32_t{2});
        set->SetField("Importance", std::int32_t{1});
        set->SetField("mailto", "ole@example.dk");
        set->SetField("mailcc", Value::MakeNull());
        set->SetField("Body", "Hej Ole,\r\nhermed tilbuddet.");
        set->SetField("OrdId", ordId);
        set->Update();
        set->Close();
        EXPECT_EQ(set->State(), 0);
    }

    DatabaseHarness* harness_ = nullptr;
    std::unique_ptr<db::Connection> cn_;
};

TEST_P(DatabaseConformance, ReadsRowsForwardWithColumnsByNameInAnyCase) {
    AddPerson(2, "Bent", DateTime{2001, 2, 3, 4, 5, 6}, 2.5, "b");
    AddPerson(1, "Anne", DateTime{1999, 12, 31, 23, 59, 59}, -1.25, "a");
    AddPerson(3, "Carl", DateTime{2024, 1, 1, 0, 0, 0}, 0.0, "c");
    auto rs = cn_->Execute(" SELECT id, name, score FROM conf_people  ORDER BY id ");
    std::vector<std::pair<std::int32_t, std::string>> rows;
    while (!rs->EndOfFile()) {
        rows.emplace_back(rs->Field("ID").AsInt(), rs->Field("Name").AsText());
        EXPECT_EQ(rs->Field("name"), rs->Field("NAME"));
        rs->MoveNext();
    }
    rs->Close();
    rs->Close();  // twice is harmless
    EXPECT_EQ(rows, (std::vector<std::pair<std::int32_t, std::string>>{{1, "Anne"}, {2, "Bent"}, {3, "Carl"}}));
    EXPECT_DOUBLE_EQ(One("SELECT score FROM conf_people WHERE id = 1", "score").AsDouble(), -1.25);
    // Whole numbers past 32 bits keep their value on either side of zero.
    for (const char* n : {"3000000000", "-3000000000"})
        EXPECT_DOUBLE_EQ(One(std::string("SELECT CAST(") + n + " AS BIGINT) AS v", "v").AsDouble(), std::stod(n)) << n;
    // Names in SQL Server's brackets, as the dialog's statements write some.
    EXPECT_EQ(One("SELECT [ID], [Name] From [Conf_People] Where [id] = ? AND note <> '[b]'", "name", {2}),
              Value("Bent"));
}

TEST_P(DatabaseConformance, EmptyResultIsAtItsEndAtOnce) {
    auto rs = cn_->Execute("SELECT id FROM conf_people WHERE id = -1");
    EXPECT_TRUE(rs->EndOfFile());
    try {
        rs->MoveNext();
        ADD_FAILURE() << "moved past the end";
    } catch (const Error& e) {
        EXPECT_NE(e.Description().find("The result has no current row"), std::string::npos) << e.Description();
    }
    EXPECT_THROW(rs->Field("id"), Error);
    // A statement without rows gives a result at its end, too.
    auto none = cn_->Execute("UPDATE conf_people SET note = 'x' WHERE id = -1");
    EXPECT_TRUE(none->EndOfFile());
}

TEST_P(DatabaseConformance, NullStaysDistinctFromEmptyText) {
    AddPerson(1, "", Value::MakeNull(), Value::MakeNull(), Value::MakeNull());
    AddPerson(2, Value::MakeNull(), Value::MakeNull(), 1.0, Value());  // Empty binds as NULL
    auto rs = cn_->Execute("SELECT id, name, born, score, note FROM conf_people ORDER BY id");
    ASSERT_FALSE(rs->EndOfFile());
    EXPECT_EQ(rs->Field("name"), Value(""));
    EXPECT_TRUE(rs->Field("born").IsNull());
    EXPECT_TRUE(rs->Field("score").IsNull());
    EXPECT_TRUE(rs->Field("note").IsNull());
    rs->MoveNext();
    ASSERT_FALSE(rs->EndOfFile());
    EXPECT_TRUE(rs->Field("name").IsNull());
    EXPECT_TRUE(rs->Field("note").IsNull());
    rs->MoveNext();
    EXPECT_TRUE(rs->EndOfFile());
    EXPECT_EQ(One("SELECT COUNT(*) AS n FROM conf_people WHERE name IS NULL", "n").ToInt(), 1);
}

TEST_P(DatabaseConformance, DanishTextAndApostrophesTravelAsParameters) {
    const std::string name = "Bøgh & Søn's ÆØÅ æøå – “citat” 😀";
    AddPerson(1, name, Value::MakeNull(), Value::MakeNull(), "O'Connor");
    AddPerson(2, "Anden", Value::MakeNull(), Value::MakeNull(), "x");
    EXPECT_EQ(One("SELECT name FROM conf_people WHERE id = 1", "name"), Value(name));
    // Compared as one whole value, apostrophe and all.
    EXPECT_EQ(One("SELECT id FROM conf_people WHERE name = ? AND note = ?", "id", {name, "O'Connor"}).ToInt(), 1);
    auto rs = cn_->Execute("SELECT id FROM conf_people WHERE note = ?", {"O'Connor' OR '1'='1"});
    EXPECT_TRUE(rs->EndOfFile());
}

TEST_P(DatabaseConformance, LongTextIsReadWhole) {
    std::string body;
    for (int i = 0; body.size() < 15000; ++i) body += "Linje " + std::to_string(i) + ": æøå ÆØÅ\r\n";
    AddPerson(1, body, Value::MakeNull(), Value::MakeNull(), Value::MakeNull());
    EXPECT_EQ(One("SELECT name FROM conf_people WHERE id = ?", "name", {std::int32_t{1}}), Value(body));
}

TEST_P(DatabaseConformance, DateTimesRoundTripToTheSecond) {
    const DateTime when{2024, 3, 5, 14, 7, 9};
    AddPerson(1, "a", when, Value::MakeNull(), Value::MakeNull());
    AddPerson(2, "b", DateTime{2025, 1, 9, 8, 5, 3}, Value::MakeNull(), Value::MakeNull());
    const Value born = One("SELECT born FROM conf_people WHERE id = 1", "born");
    ASSERT_TRUE(born.IsDateTime()) << born.ToText();
    EXPECT_EQ(born.AsDateTime(), when);
    EXPECT_EQ(One("SELECT id FROM conf_people WHERE born = ?", "id", {when}).ToInt(), 1);
    EXPECT_EQ(
        One("SELECT COUNT(*) AS n FROM conf_people WHERE born > ?", "n", {DateTime{2024, 12, 31, 0, 0, 0}}).ToInt(), 1);
}

TEST_P(DatabaseConformance, BindsEveryParameterKind) {
    AddPerson(7, "syv", DateTime{2020, 2, 29, 12, 0, 0}, 7.5, "n");
    auto rs = cn_->Execute("SELECT id FROM conf_people WHERE id = ? AND score = ? AND name = ? AND born = ?",
                           {std::int32_t{7}, 7.5, "syv", DateTime{2020, 2, 29, 12, 0, 0}});
    ASSERT_FALSE(rs->EndOfFile());
    EXPECT_EQ(rs->Field("id").AsInt(), 7);
    rs->Close();
    EXPECT_THROW(cn_->Execute("SELECT id FROM conf_people WHERE id = ? AND score = ?", {std::int32_t{7}}), Error);
}

TEST_P(DatabaseConformance, UnknownColumnFailsAtTheField) {
    AddPerson(1, "a", Value::MakeNull(), Value::MakeNull(), Value::MakeNull());
    auto rs = cn_->Execute("SELECT id, name FROM conf_people");
    ASSERT_FALSE(rs->EndOfFile());
    try {
        rs->Field("RessNavn");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(e.Description().find("RessNavn"), std::string::npos) << e.Description();
    }
    EXPECT_EQ(rs->Field("id").AsInt(), 1);  // the result is still usable
}

TEST_P(DatabaseConformance, InvalidSqlRaisesTheDriversMessage) {
    try {
        cn_->Execute(" SELECT Vaerdi FROM NoSuchTable WHERE VariableNavn='x'");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), db::ProviderError);
        // Servers that fold names may report it in lower case.
        std::string text = e.Description();
        for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_NE(text.find("nosuchtable"), std::string::npos) << e.Description();
    }
    EXPECT_THROW(cn_->Execute("SELEKT 1"), Error);
    EXPECT_THROW(cn_->Execute(""), Error);
}

// A row the database fails to make (here an overflow in the second row) is
// an error, at the query or at the move to it; never a row, never the end.
TEST_P(DatabaseConformance, AFailureWhileReadingIsAnErrorNotARow) {
    std::vector<std::int32_t> rows;
    std::string error;
    try {
        auto rs = cn_->Execute("SELECT abs(v) AS a FROM (SELECT 1 AS v UNION ALL SELECT -9223372036854775807 - 1) t");
        while (!rs->EndOfFile()) {
            rows.push_back(rs->Field("a").ToInt());
            rs->MoveNext();
        }
    } catch (const Error& e) {
        error = e.Description();
    }
    EXPECT_FALSE(error.empty()) << "rows read: " << rows.size();
    EXPECT_LE(rows.size(), 1u);
    EXPECT_EQ(One("SELECT 2 AS n", "n").ToInt(), 2) << "the connection is still usable";
}

TEST_P(DatabaseConformance, InsertSetStoresADocMailImportRowWithItsOwnImpId) {
    AddImportRow(4242, std::int32_t{417});
    AddImportRow(4243, Value::MakeNull());
    auto rs = cn_->Execute("SELECT * FROM DocMailImport ORDER BY ImpId");
    ASSERT_FALSE(rs->EndOfFile());
    const std::int32_t first = rs->Field("ImpId").AsInt();
    EXPECT_GT(first, 0);
    EXPECT_EQ(rs->Field("OrdId").AsInt(), 4242);
    EXPECT_EQ(rs->Field("JobId").AsInt(), 417);
    EXPECT_EQ(rs->Field("Sender").AsText(), "Bøgh & Søn's salg [salg@boegh.dk]");
    EXPECT_EQ(rs->Field("Received").AsDateTime(), (DateTime{2024, 3, 5, 14, 7, 9}));
    EXPECT_EQ(rs->Field("FSize").ToInt(), 2048);
    EXPECT_TRUE(rs->Field("mailcc").IsNull());
    EXPECT_TRUE(rs->Field("mailbcc").IsNull());  // never set: the table's default
    EXPECT_TRUE(rs->Field("SubFld").IsNull());
    EXPECT_EQ(rs->Field("Body").AsText(), "Hej Ole,\r\nhermed tilbuddet.");
    rs->MoveNext();
    ASSERT_FALSE(rs->EndOfFile());
    EXPECT_GT(rs->Field("ImpId").AsInt(), first);
    EXPECT_TRUE(rs->Field("JobId").IsNull());
}

TEST_P(DatabaseConformance, InsertSetFailsAtTheFieldThatNamesAnUnknownColumn) {
    auto set = cn_->OpenInsertSet("SELECT * FROM DocMailImport WHERE ImpId = -1 ");
    set->AddNew();
    set->SetField("DocTitle", "x");
    try {
        set->SetField("Recieved", DateTime{2024, 1, 1, 0, 0, 0});  // DocMail's spelling, not this table's
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(e.Description().find("Recieved"), std::string::npos) << e.Description();
    }
    set->Close();
    EXPECT_EQ(One("SELECT COUNT(*) AS n FROM DocMailImport", "n").ToInt(), 0);
    EXPECT_THROW(cn_->OpenInsertSet("SELECT * FROM NoSuchTable WHERE ImpId = -1 "), Error);
}

TEST_P(DatabaseConformance, ProcedureReturnsZeroForItsRowAndNonZeroWithout) {
    if (const std::string reason = harness_->NoProcedureReason(); !reason.empty()) GTEST_SKIP() << reason;
    AddImportRow(5151, std::int32_t{417});
    auto call = cn_->CreateProcedureCall("DocMailImportExec");
    call->Refresh();
    call->SetParameter(1, std::int32_t{5151});
    call->Execute();
    EXPECT_EQ(call->Parameter(0), Value(std::int32_t{0}));
    EXPECT_EQ(One("SELECT COUNT(*) AS n FROM DocMailImport WHERE OrdId = 5151", "n").ToInt(), 0);
    EXPECT_EQ(One("SELECT COUNT(*) AS n FROM JobDoc INNER JOIN DocMail ON JobDoc.DocId = DocMail.DocID "
                  "WHERE JobDoc.jobID = 417 AND DocMail.Sender = ?",
                  "n", {"Bøgh & Søn's salg [salg@boegh.dk]"})
                  .ToInt(),
              1);

    auto again = cn_->CreateProcedureCall("DocMailImportExec");
    again->Refresh();
    again->SetParameter(1, std::int32_t{5151});
    again->Execute();
    ASSERT_TRUE(again->Parameter(0).IsInt());
    EXPECT_NE(again->Parameter(0).AsInt(), 0);
    EXPECT_THROW(again->SetParameter(0, std::int32_t{1}), Error);
}

TEST_P(DatabaseConformance, AProcedureRunsWithoutRefreshToo) {
    if (const std::string reason = harness_->NoProcedureReason(); !reason.empty()) GTEST_SKIP() << reason;
    AddImportRow(5252, Value::MakeNull());
    const std::int32_t resDocs = One("SELECT COUNT(*) AS n FROM ResDoc WHERE ResId = 100", "n").ToInt();
    auto call = cn_->CreateProcedureCall("DocMailImportExec");
    call->SetParameter(1, std::int32_t{5252});
    call->Execute();
    EXPECT_EQ(call->Parameter(0), Value(std::int32_t{0}));
    EXPECT_EQ(One("SELECT COUNT(*) AS n FROM DocMailImport WHERE OrdId = 5252", "n").ToInt(), 0);
    EXPECT_EQ(One("SELECT COUNT(*) AS n FROM ResDoc WHERE ResId = 100", "n").ToInt(), resDocs + 1);
}

TEST_P(DatabaseConformance, AProcedureRowRunsItsStatementsWithTheirNumberedParameters) {
    if (const std::string reason = harness_->NoProcedureRowsReason(); !reason.empty()) GTEST_SKIP() << reason;
    // ';' and '?' in literals and comments are text; ?3 and ?9 are no parameters.
    Run("DELETE FROM kv_procedure WHERE name = 'conf_rows'");
    Run("INSERT INTO kv_procedure (name, body) VALUES ('conf_rows', ?)",
        {"INSERT INTO conf_people (id, name, note) VALUES (?1, ?2, 'a; b?');\n"
         "/* ?3; */ UPDATE conf_people SET note = note || ?2 WHERE id = ?1; -- ?9;\n"
         "SELECT id FROM conf_people WHERE id = -1;\n"
         "SELECT name, id FROM conf_people WHERE id = ?1;\n"
         "DELETE FROM conf_people WHERE id = -5;\n"});
    auto call = cn_->CreateProcedureCall("CONF_ROWS");  // names match in any case
    call->Refresh();
    EXPECT_THROW(call->SetParameter(3, std::int32_t{1}), Error);
    call->SetParameter(1, std::int32_t{61});
    call->SetParameter(2, "Søs' [?1]");
    call->Execute();
    // The first column of the last statement that returned a row.
    EXPECT_EQ(call->Parameter(0), Value("Søs' [?1]"));
    EXPECT_EQ(call->Parameter(2), Value("Søs' [?1]"));
    EXPECT_EQ(One("SELECT note FROM conf_people WHERE id = 61", "note"), Value("a; b?Søs' [?1]"));
}

TEST_P(DatabaseConformance, AFailingProcedureLeavesNothingAndTheConnectionCommitsAgain) {
    if (const std::string reason = harness_->NoProcedureReason(); !reason.empty()) GTEST_SKIP() << reason;
    harness_->CreateFailingProcedure(*cn_);
    auto call = cn_->CreateProcedureCall("conf_failing");
    call->Refresh();
    call->SetParameter(1, std::int32_t{77});
    EXPECT_THROW(call->Execute(), Error);
    EXPECT_EQ(One("SELECT COUNT(*) AS n FROM conf_people", "n").ToInt(), 0);

    // Each statement commits on its own again: the row outlives the connection.
    AddPerson(78, "efter", Value::MakeNull(), Value::MakeNull(), Value::MakeNull());
    cn_ = harness_->Connect();
    EXPECT_EQ(One("SELECT COUNT(*) AS n FROM conf_people WHERE id = 78", "n").ToInt(), 1);
}

// The service opens connections from several threads at once.
TEST_P(DatabaseConformance, ConnectionsOpenedFromSeveralThreadsAtOnceAllWork) {
    constexpr int kThreads = 16, kRounds = 8;
    std::vector<std::string> failures(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            try {
                for (int round = 0; round < kRounds; ++round)
                    if (harness_->Connect()->Execute("SELECT 2 AS n")->Field("n").ToInt() != 2) failures[t] = "no 2";
            } catch (const Error& e) {
                failures[t] = e.Description();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<std::string>(kThreads));
}

TEST_P(DatabaseConformance, UnknownProcedureFails) {
    if (const std::string reason = harness_->NoProcedureReason(); !reason.empty()) GTEST_SKIP() << reason;
    auto call = cn_->CreateProcedureCall("NoSuchProcedure");
    try {
        call->Refresh();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), db::ProviderError);
        EXPECT_NE(e.Description().find("NoSuchProcedure"), std::string::npos) << e.Description();
    }
}

TEST_P(DatabaseConformance, MissingOrForeignDatabaseFileFailsAndCreatesNothing) {
    if (const std::string reason = harness_->NoFileReason(); !reason.empty()) GTEST_SKIP() << reason;
    namespace fs = std::filesystem;
    const fs::path missing = fs::path(harness_->TempDir()) / "missing.db";
    const auto openAndRead = [&](const fs::path& path) {
        auto cn = harness_->ConnectToFile(path.string());
        cn->Execute("SELECT COUNT(*) AS n FROM DocMailImport")->Close();
    };
    EXPECT_THROW(openAndRead(missing), Error);
    EXPECT_FALSE(fs::exists(missing));

    const fs::path foreign = fs::path(harness_->TempDir()) / "not-a-database.db";
    std::ofstream(foreign) << "From: someone\r\nSubject: this is a mail, not a database\r\n";
    EXPECT_THROW(openAndRead(foreign), Error);
}

}  // namespace kv::conformance
