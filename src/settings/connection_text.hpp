#pragma once
// The main Korvane application stores the database connection as a short
// keyword=value text; the add-in turns it into a provider connection string.
#include <string>

namespace kv {

// The provider connection string for the stored text, or "" for "". The
// stored text's Encrypt and TrustServerCertificate, when given, follow as
// "Use Encryption for Data" and "Trust Server Certificate".
std::string ConvertConnectionText(const std::string& text);

std::string BuildConnectionString(const std::string& server, const std::string& database, bool trusted,
                                  const std::string& user, const std::string& password);

}  // namespace kv
