#pragma once
// The user's own resource name, as Korvane keeps it.
#include <cstdint>
#include <string>

#include "ports/database.hpp"

namespace kv::settings {

// RessNavn of resource userRessId; "" when there is no such resource.
std::string UserName(db::Connection& connection, std::int32_t userRessId);

}  // namespace kv::settings
