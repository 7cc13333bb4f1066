#pragma once
// Small pieces the dialog's files share: reading list keys and tags, and
// numbers typed by the user.
#include <cstdint>
#include <string>
#include <string_view>

#include "support/value.hpp"

namespace kv::dialog {

// Whether a resource item's tag (or a type number) says customer. A tag that
// is not a number is no customer.
bool IsCustomer(const Value& ressType);

// The number in a list key after its one-letter prefix ("R345" gives 345).
// Fails with Type mismatch when the rest is not a 32-bit number.
std::int32_t KeyNumber(std::string_view key);

// Text the user typed as a job number: optional blanks and sign, digits, an
// optional decimal part. Nothing else (an empty text included) is a number.
bool IsNumeric(std::string_view text);
// That text as a 32-bit number, rounded half to even; fails with Overflow
// (6) outside the range and Type mismatch (13) when it is not numeric.
std::int32_t ToLong(std::string_view text);

}  // namespace kv::dialog
