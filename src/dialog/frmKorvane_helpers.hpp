#pragma once
// Small pieces the dialog's files share: reading list keys and tags, the
// job status condition, and database values the dialog insists on.
#include <cstdint>
#include <string>
#include <string_view>

#include "support/value.hpp"

namespace kv::dialog {

// Resource type of customers, the only type with jobs.
inline constexpr std::int32_t kCustomerType = 3;

// Whether a resource item's tag (or a type number) says customer. A tag that
// is not a number is no customer.
bool IsCustomer(const Value& ressType);

// The number in a list key after its one-letter prefix ("R345" gives 345).
// Fails with Type mismatch when the rest is not a 32-bit number.
std::int32_t KeyNumber(std::string_view key);

// A database number as decimal text; fails unless it is a whole number.
std::string DecimalText(const Value& value);

// The job status condition and order for cboActive's list index.
const char* StatusCondition(int listIndex);

// select, then the jobs of customer ressId's projects to which user has
// access level 1; accessColumn is how the access join names the customer
// column ("CustID" in the job list, "CustId" in the name lookup).
std::string CustomerJobsQuery(std::string_view select, std::string_view accessColumn, std::int32_t userRessId,
                              std::int32_t ressId);

// A text column that must hold a value: Null fails with "Invalid use of
// Null" (94), as assigning it to a text would.
std::string RequiredText(const Value& value, const char* source);

// Text the user typed as a job number: optional blanks and sign, digits, an
// optional decimal part. Nothing else (an empty text included) is a number.
bool IsNumeric(std::string_view text);
// That text as a 32-bit number, rounded half to even; fails with Overflow
// (6) outside the range and Type mismatch (13) when it is not numeric.
std::int32_t ToLong(std::string_view text);

}  // namespace kv::dialog
