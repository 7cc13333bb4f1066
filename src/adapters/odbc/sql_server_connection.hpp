#pragma once
// The ODBC connection string for a SQL Server, made from the connection the
// settings read, for whichever SQL Server driver is used. Each driver
// family has its own keywords and defaults; the string asks every one of them
// for what the old OLE DB provider did: encryption only when the server wants
// it, and no check of the server's certificate, unless the stored connection
// text asks for more.
#include <string>
#include <vector>

#include "ports/database.hpp"

namespace kv::odbc {

enum class SqlServerDriverFamily {
    MicrosoftOdbc,    // "ODBC Driver N for SQL Server"
    NativeClient,     // "SQL Server Native Client N"
    LegacySqlServer,  // "SQL Server", the driver that comes with Windows
    FreeTds,          // FreeTDS (Linux, and Windows builds of it)
    Other,            // anything else "OdbcDriver" names: given the plain keywords only
};

struct SqlServerDriver {
    SqlServerDriverFamily family = SqlServerDriverFamily::Other;
    int version = 0;  // N of "ODBC Driver N for SQL Server", else 0
};

SqlServerDriver ClassifySqlServerDriver(const std::string& driverName);

// Driver={driver};Server=...;Database=...; then Trusted_Connection=Yes or
// UID=...;PWD=..., then the driver's own encryption keywords (and for FreeTDS
// the port and protocol version). Values with ; or } (or a leading {) are
// braced.
std::string SqlServerConnectionString(const db::ProviderFields& fields, const std::string& driver);

// Picks the SQL Server driver: "ODBC Driver N for SQL Server" with the
// highest N among the installed ones, then "SQL Server Native Client", then
// FreeTDS, then "SQL Server"; with none of them installed, FreeTDS (Linux) or
// "SQL Server" (Windows).
std::string ChooseSqlServerDriver(const std::vector<std::string>& installedDrivers);

}  // namespace kv::odbc
