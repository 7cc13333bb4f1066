#include "catalog/column_values.hpp"

#include <cstdint>

#include "support/error.hpp"

namespace kv::catalog {

namespace {

constexpr std::int32_t kInvalidUseOfNull = 94;

}  // namespace

std::string DecimalText(const Value& value) {
    if (value.IsInt()) return std::to_string(value.AsInt());
    return std::to_string(value.ToInt());
}

std::string RequiredText(const Value& value, const char* source) {
    if (value.IsNull()) throw Error(kInvalidUseOfNull, source, "Invalid use of Null");
    return value.ToText();
}

}  // namespace kv::catalog
