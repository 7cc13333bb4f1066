#pragma once
// The embedded database: a Korvane database in one SQLite file.
//  - Date-times are stored as ISO text "YYYY-MM-DD HH:MM:SS" and read back as
//    DateTime from columns declared with a date or time type.
//  - Stored procedures are rows of the table kv_procedure(name, body): the
//    body's statements use ?1, ?2 ... for the parameters, run in one
//    transaction, and the last one selects the return value.
#include <memory>
#include <string>

#include "ports/database.hpp"

namespace kv::sqlite {

// Opens an existing database file. A missing file or one that is not an
// SQLite database fails with a clear error; no file is ever created here.
std::unique_ptr<db::Connection> OpenDatabase(const std::string& path);

// Creates (or opens) the file for writing a new database: only for builders
// such as the demo database, never for the add-in's connection.
std::unique_ptr<db::Connection> CreateDatabase(const std::string& path);

// Runs a script of several statements without parameters or results.
void ExecuteScript(db::Connection& connection, const std::string& script);

}  // namespace kv::sqlite
