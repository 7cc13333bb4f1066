#pragma once
// Database values read the way the dialog and the service insist on them.
#include <string>

#include "support/value.hpp"

namespace kv::catalog {

// A database number as decimal text; fails unless it is a whole number.
std::string DecimalText(const Value& value);

// A text column that must hold a value: Null fails with "Invalid use of
// Null" (94), as assigning it to a text would.
std::string RequiredText(const Value& value, const char* source);

}  // namespace kv::catalog
