#pragma once
// The main Korvane application stores the database connection as a short
// keyword=value text; the add-in reads it once into the description the
// database adapter opens, and shows it as a provider connection string.
#include <string>

#include "ports/database.hpp"

namespace kv {

// The stored text's server, database, login and encryption wishes. Keys are
// matched as written but for case (no trimming); a value is everything after
// the first "="; a later piece overwrites an earlier one; Trusted_Connection
// stays on once a piece says yes. Encrypt and TrustServerCertificate count
// only when given a value.
db::ProviderFields ParseConnectionText(const std::string& text);

// The provider connection string of a description: "" for "", else
// "Provider=SQLOLEDB.1;Initial Catalog=...", with its encryption wishes as
// "Use Encryption for Data" and "Trust Server Certificate".
std::string ProviderString(const db::ProviderFields& connection);

// ProviderString(ParseConnectionText(text)).
std::string ConvertConnectionText(const std::string& text);

std::string BuildConnectionString(const std::string& server, const std::string& database, bool trusted,
                                  const std::string& user, const std::string& password);

}  // namespace kv
