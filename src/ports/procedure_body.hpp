#pragma once
// The text of a procedure kept as a row of kv_procedure(name, body): SQLite
// has no stored procedures, so the demo database keeps each one as a body of
// statements separated by ';', "?1" its first parameter. Both database
// adapters that run such bodies (the embedded SQLite one and ODBC reaching
// an SQLite file) read them through these helpers.
//
// Text in string literals ('...', '' inside), quoted identifiers ("...",
// [...], `...`) and comments (-- to the end of the line, /* */) is text: a
// ';' or '?' there neither ends a statement nor marks a parameter. An
// unclosed literal or comment runs to the end of the body.
#include <string>
#include <string_view>
#include <vector>

namespace kv::db::detail {

// The highest parameter number SQLite accepts in "?N".
inline constexpr int MaxParameterNumber = 32766;

// The statements of a body in order, without their ';' and outer blanks.
// Pieces holding nothing but blanks and comments are no statements.
std::vector<std::string_view> SplitStatements(std::string_view body);

// The number of parameters a body takes: its highest "?N", a bare "?"
// counting as the next one in the body. Numbers outside 1..MaxParameterNumber
// are left for the statement to reject when it runs.
int ParameterCount(std::string_view body);

// One statement made ready for a driver that numbers its '?' markers itself.
struct PositionalStatement {
    // The statement with every "?N" written as "?" and comments as blanks.
    std::string text;
    // For each '?' of text in order, the parameter it stands for (from 1).
    // A bare "?" stands for one more than the highest number before it in
    // the statement, as SQLite numbers it. Out-of-range numbers are kept as
    // read (saturated at MaxParameterNumber + 1) for the caller to refuse.
    std::vector<int> parameters;
};
PositionalStatement ToPositional(std::string_view statement);

// The statement for a server that quotes names only with "...": each
// [Name] made of letters, digits and '_' written as Name, which such a
// server matches in any case as SQL Server does. Other bracketed text,
// literals and comments stay as they are.
std::string WithoutNameBrackets(std::string_view statement);

}  // namespace kv::db::detail
