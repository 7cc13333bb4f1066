#include "adapters/database/open_database.hpp"

#include "support/utf.hpp"

#ifdef KV_HAVE_SQLITE
#include "adapters/sqlite/sqlite_database.hpp"
#endif
#ifdef KV_HAVE_ODBC
#include "adapters/odbc/odbc_database.hpp"
#endif

namespace kv::adapters {

std::unique_ptr<db::Connection> OpenDatabase(const db::ProviderFields& fields, const std::string& odbcDriver) {
    if (fields.text.empty() && fields.provider.empty())
        throw db::detail::DriverError("Database", "No connection string: the database is not configured");
    if (utf::AsciiLower(fields.dataSource) == db::EmbeddedDataSource && fields.driver.empty()) {
#ifdef KV_HAVE_SQLITE
        return sqlite::OpenDatabase(fields.catalog);
#else
        throw db::detail::DriverError("Database",
                                      "The embedded database (Data Source=(sqlite)) is not available in this build: "
                                      "give an ODBC connection to the Korvane database instead");
#endif
    }
#ifdef KV_HAVE_ODBC
    return odbc::OpenConnection(fields, odbcDriver);
#else
    (void)odbcDriver;
    throw db::detail::DriverError("Database", "Database servers (ODBC) are not available in this build");
#endif
}

std::unique_ptr<db::Connection> OpenDatabase(const std::string& providerString, const std::string& odbcDriver) {
    return OpenDatabase(db::ParseProviderString(providerString), odbcDriver);
}

}  // namespace kv::adapters
