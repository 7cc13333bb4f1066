#include "ports/procedure_body.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kv::db::detail::MaxParameterNumber;
using kv::db::detail::ParameterCount;
using kv::db::detail::SplitStatements;
using kv::db::detail::ToPositional;
using kv::db::detail::WithoutNameBrackets;

namespace {

std::vector<std::string> Split(std::string_view body) {
    std::vector<std::string> out;
    for (auto s : SplitStatements(body)) out.emplace_back(s);
    return out;
}

using Strings = std::vector<std::string>;
using Numbers = std::vector<int>;

}  // namespace

TEST(ProcedureBody, SplitsAtSemicolonsOutsideLiteralsIdentifiersAndComments) {
    EXPECT_EQ(Split("INSERT INTO t VALUES (1);\n  SELECT 2;  "), (Strings{"INSERT INTO t VALUES (1)", "SELECT 2"}));
    EXPECT_EQ(Split("SELECT 'a;b', 'it''s; ok' ; SELECT 2"), (Strings{"SELECT 'a;b', 'it''s; ok'", "SELECT 2"}));
    EXPECT_EQ(Split("SELECT \"x;y\", [p;q], `r;s` FROM t; SELECT 1"),
              (Strings{"SELECT \"x;y\", [p;q], `r;s` FROM t", "SELECT 1"}));
    EXPECT_EQ(Split("SELECT 1 -- one; two\n; /* three; */ SELECT 2"),
              (Strings{"SELECT 1 -- one; two", "/* three; */ SELECT 2"}));
    // The last statement needs no ';', and a trailing comment is none.
    EXPECT_EQ(Split("DELETE FROM t;\nSELECT changes() -- the result"),
              (Strings{"DELETE FROM t", "SELECT changes() -- the result"}));
    EXPECT_EQ(Split("SELECT 1;\n-- done;\n/* really; */\n"), (Strings{"SELECT 1"}));
}

TEST(ProcedureBody, ABodyOfBlanksCommentsAndSemicolonsHasNoStatements) {
    EXPECT_TRUE(Split("").empty());
    EXPECT_TRUE(Split(" \r\n\t ").empty());
    EXPECT_TRUE(Split(";; ;\n;").empty());
    EXPECT_TRUE(Split("-- nothing here; really\n/* nor ; here */").empty());
    EXPECT_TRUE(Split("/* never closed; SELECT 1").empty());
    EXPECT_EQ(ParameterCount(""), 0);
    EXPECT_EQ(ParameterCount("-- ?1\n/* ?2 */"), 0);
}

TEST(ProcedureBody, AnUnclosedLiteralRunsToTheEnd) {
    EXPECT_EQ(Split("SELECT 1; SELECT 'open; ?1"), (Strings{"SELECT 1", "SELECT 'open; ?1"}));
    EXPECT_EQ(ParameterCount("SELECT 'open; ?1"), 0);
    EXPECT_EQ(ParameterCount("SELECT ?1, [open ?2"), 1);
}

TEST(ProcedureBody, CountsTheHighestNumberAndBareMarkersInOrder) {
    EXPECT_EQ(ParameterCount("SELECT ?1 WHERE a = ?1 OR b = ?1"), 1);
    EXPECT_EQ(ParameterCount("SELECT ?3; SELECT ?1"), 3);
    EXPECT_EQ(ParameterCount("INSERT INTO t VALUES (?, ?); SELECT ?"), 3);
    EXPECT_EQ(ParameterCount("SELECT ?, ?5, ?"), 5);
    EXPECT_EQ(ParameterCount("SELECT ?12"), 12);
    // Markers inside literals, identifiers and comments are text.
    EXPECT_EQ(ParameterCount("SELECT '?9', \"?8\", [?7], `?6` -- ?5\n/* ?4 */ FROM t WHERE a = ?2"), 2);
    EXPECT_EQ(ParameterCount("SELECT 'it''s ?3' WHERE a = ?1"), 1);
}

TEST(ProcedureBody, CountsNoNumberSQLiteWouldRefuse) {
    EXPECT_EQ(ParameterCount("SELECT ?0"), 0);
    EXPECT_EQ(ParameterCount("SELECT ?1, ?99999999999999999999"), 1);
    // SQLite takes ?1 to ?32766.
    EXPECT_EQ(ParameterCount("SELECT ?32766"), 32766);
    EXPECT_EQ(ParameterCount("SELECT ?1, ?32767"), 1);
}

TEST(ProcedureBody, RewritesNumberedMarkersAsPositionalOnesPerOccurrence) {
    const auto p = ToPositional("UPDATE t SET a = ?2, b = ?1 WHERE id = ?1 AND c = ?2");
    EXPECT_EQ(p.text, "UPDATE t SET a = ?, b = ? WHERE id = ? AND c = ?");
    EXPECT_EQ(p.parameters, (Numbers{2, 1, 1, 2}));

    const auto none = ToPositional("SELECT CASE WHEN changes() > 0 THEN 0 ELSE 1 END");
    EXPECT_EQ(none.text, "SELECT CASE WHEN changes() > 0 THEN 0 ELSE 1 END");
    EXPECT_TRUE(none.parameters.empty());
}

TEST(ProcedureBody, ABareMarkerTakesOneMoreThanTheHighestBeforeIt) {
    EXPECT_EQ(ToPositional("SELECT ?, ?, ?").parameters, (Numbers{1, 2, 3}));
    EXPECT_EQ(ToPositional("SELECT ?3, ?, ?1, ?").parameters, (Numbers{3, 4, 1, 5}));
    EXPECT_EQ(ToPositional("SELECT ?, ?1").parameters, (Numbers{1, 1}));
}

TEST(ProcedureBody, LeavesMarkersInLiteralsAndIdentifiersAloneAndBlanksComments) {
    const auto p = ToPositional("SELECT '?1 it''s', \"a?2\", [b?3] /* ?4; */ FROM t -- ?5\nWHERE x = ?2");
    EXPECT_EQ(p.text, "SELECT '?1 it''s', \"a?2\", [b?3]   FROM t  \nWHERE x = ?");
    EXPECT_EQ(p.parameters, (Numbers{2}));
}

TEST(ProcedureBody, NameBracketsGoOnlyAroundPlainNamesInCode) {
    const std::pair<const char*, const char*> cases[] = {
        {"SELECT [JobID], [FldPri] From [JobFldPath] Where JobID = 7",
         "SELECT JobID, FldPri From JobFldPath Where JobID = 7"},
        {"SELECT [a_1],[_b] FROM t", "SELECT a_1,_b FROM t"},
        {"SELECT '[x]', \"[y]\", [two words], [1a], [], [ø] FROM t -- [c]\n/* [d] */",
         "SELECT '[x]', \"[y]\", [two words], [1a], [], [ø] FROM t -- [c]\n/* [d] */"},
        {"SELECT x FROM t WHERE n LIKE '[a-c]%' AND [x] = ?", "SELECT x FROM t WHERE n LIKE '[a-c]%' AND x = ?"},
        {"SELECT [open", "SELECT [open"},
    };
    for (const auto& [statement, expected] : cases) EXPECT_EQ(WithoutNameBrackets(statement), expected) << statement;
}

TEST(ProcedureBody, KeepsNumbersTheCallerMustRefuse) {
    EXPECT_EQ(ToPositional("SELECT ?0").parameters, (Numbers{0}));
    EXPECT_EQ(ToPositional("SELECT ?123456789012").parameters, (Numbers{MaxParameterNumber + 1}));
    EXPECT_EQ(ToPositional("SELECT ?123456789012").text, "SELECT ?");
}
