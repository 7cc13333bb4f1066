#pragma once
// Chooses the database adapter for a connection: the embedded SQLite file
// when Data Source is "(sqlite)" (Initial Catalog is the file), otherwise a
// database server through ODBC.
#include <memory>
#include <string>

#include "ports/database.hpp"

namespace kv::adapters {

std::unique_ptr<db::Connection> OpenDatabase(const db::ProviderFields& connection, const std::string& odbcDriver);
// For a provider string written out, as tools and tests have it.
std::unique_ptr<db::Connection> OpenDatabase(const std::string& providerString, const std::string& odbcDriver);

// The connector the front ends hand to the core.
class AdapterDatabaseConnector final : public db::DatabaseConnector {
public:
    std::unique_ptr<db::Connection> Open(const db::ProviderFields& connection, const std::string& odbcDriver) override {
        return OpenDatabase(connection, odbcDriver);
    }
};

}  // namespace kv::adapters
