#include "ports/database.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

using kv::db::detail::SourceTable;

TEST(DatabasePort, FindsTheTableAnInsertSetWritesTo) {
    EXPECT_EQ(SourceTable("SELECT * FROM DocMailImport WHERE ImpId = -1 "), "DocMailImport");
    EXPECT_EQ(SourceTable("select *\nfrom\t[Doc Mail Import] where 1=0"), "Doc Mail Import");
    EXPECT_EQ(SourceTable("SELECT FromDate FROM \"DocMailImport\""), "DocMailImport");
    EXPECT_EQ(SourceTable("SELECT * FROM dbo.DocMailImport"), "dbo.DocMailImport");
    EXPECT_THROW(SourceTable("SELECT 1"), kv::Error);
    EXPECT_THROW(SourceTable(""), kv::Error);
    EXPECT_THROW(SourceTable("SELECT * FROM "), kv::Error);
    EXPECT_THROW(SourceTable("SELECT * FROM [unterminated"), kv::Error);
}

TEST(DatabasePort, ParsesKeysWithoutRegardToCaseOrBlanks) {
    const auto f =
        kv::db::ParseProviderString(" provider = SQLOLEDB.1 ;DATA SOURCE=(sqlite);initial catalog=C:\\a=b.db");
    EXPECT_EQ(f.dataSource, "(sqlite)");
    EXPECT_EQ(f.catalog, "C:\\a=b.db");  // only the first '=' separates
    EXPECT_EQ(f.provider, " SQLOLEDB.1 ");
    // The ODBC spellings of the same keys.
    const auto odbc = kv::db::ParseProviderString("Driver={FreeTDS};Server=s;Pwd=p;Encrypt=no");
    EXPECT_EQ(std::tie(odbc.driver, odbc.dataSource, odbc.password), std::tie("{FreeTDS}", "s", "p"));
    EXPECT_EQ(odbc.encrypt, "no");
}

namespace {

// An insert set that keeps its rows in memory.
struct MemoryRows : kv::db::detail::NewRowSet {
    MemoryRows() : NewRowSet("Memory", "SELECT * FROM DocMailImport", {"ImpId", "Subject"}) {}
    void Update() override {
        stored.push_back(PendingRow());
        RowStored();
    }
    std::vector<std::vector<std::pair<std::string, kv::Value>>> stored;
};

std::string Refusal(const std::function<void()>& call) {
    try {
        call();
    } catch (const kv::Error& e) {
        return e.Description();
    }
    return "";
}

}  // namespace

TEST(DatabasePort, ARowIsStoredOnceAndNothingIsAddedToAClosedSet) {
    MemoryRows rows;
    EXPECT_EQ(Refusal([&] { rows.SetField("Subject", kv::Value("x")); }), "No new row: call AddNew first");
    rows.AddNew();
    rows.SetField("subject", kv::Value("Tilbud"));
    rows.Update();
    EXPECT_EQ(Refusal([&] { rows.Update(); }), "No new row: call AddNew first") << "the row went in once";
    ASSERT_EQ(rows.stored.size(), 1u);
    EXPECT_EQ(rows.stored[0], (std::vector<std::pair<std::string, kv::Value>>{{"Subject", kv::Value("Tilbud")}}));
    rows.Close();
    EXPECT_EQ(Refusal([&] { rows.AddNew(); }), "The row set is closed");
    EXPECT_EQ(Refusal([&] { rows.Update(); }), "The row set is closed");
    EXPECT_EQ(Refusal([&] { rows.SetField("Subject", kv::Value("x")); }), "The row set is closed");
}
