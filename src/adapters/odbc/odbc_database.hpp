#pragma once
// The ODBC client: SQL Server (or any ODBC data source) through unixODBC on
// Linux and odbc32 on Windows, from the same source.
#include <memory>
#include <string>
#include <vector>

#include "ports/database.hpp"

namespace kv::odbc {

// Opens a connection from a raw ODBC connection string
// ("Driver={...};Server=...;..."). Login timeout 15 s.
std::unique_ptr<db::Connection> OpenConnectionString(const std::string& odbcConnectionString);

// The driver names the driver manager knows (SQLDrivers).
std::vector<std::string> InstalledDrivers();

// Opens a connection: the string as written when it names a Driver,
// otherwise SQL Server through odbcDriver (or the chosen default when empty).
std::unique_ptr<db::Connection> OpenConnection(const db::ProviderFields& connection, const std::string& odbcDriver);

}  // namespace kv::odbc
