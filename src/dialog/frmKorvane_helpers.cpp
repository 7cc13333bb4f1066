#include "dialog/frmKorvane_helpers.hpp"

#include <cctype>
#include <limits>

#include "catalog/resource_list.hpp"
#include "support/error.hpp"
#include "support/error_trap.hpp"

namespace kv::dialog {

namespace {

constexpr std::int32_t kOverflow = 6;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsCustomer(const Value& ressType) {
    return TrapToFalse([&] { return !ressType.IsEmpty() && ressType.ToInt() == catalog::kCustomerType; });
}

std::int32_t KeyNumber(std::string_view key) {
    const std::string_view rest = key.empty() ? key : key.substr(1);
    if (rest.empty() || rest.size() > 11) {
        throw Error(errnum::TypeMismatch, "frmKorvane", "Type mismatch: key " + std::string(key));
    }
    return ToLong(rest);
}

bool IsNumeric(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    std::size_t digits = 0;
    std::size_t i = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    }
    return digits > 0 && i == text.size();
}

std::int32_t ToLong(std::string_view text) {
    if (!IsNumeric(text)) {
        throw Error(errnum::TypeMismatch, "frmKorvane", "Type mismatch: \"" + std::string(text) + "\"");
    }
    text = Trim(text);
    const bool negative = text.front() == '-';
    if (text.front() == '+' || text.front() == '-') text.remove_prefix(1);
    // Whole part, stopped well before it could overflow 64 bits.
    std::int64_t whole = 0;
    std::size_t i = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        whole = whole * 10 + (text[i] - '0');
        if (whole > std::int64_t{1} << 40) throw Error(kOverflow, "frmKorvane", "Overflow");
    }
    // Rounded half to even, as the conversion to a whole number rounds.
    if (i < text.size() && text[i] == '.') {
        const std::string_view fraction = text.substr(i + 1);
        const int first = fraction.empty() ? 0 : fraction.front() - '0';
        const bool restNonZero =
            fraction.size() > 1 && fraction.substr(1).find_first_not_of('0') != std::string_view::npos;
        if (first > 5 || (first == 5 && (restNonZero || whole % 2 == 1))) ++whole;
    }
    const std::int64_t value = negative ? -whole : whole;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        throw Error(kOverflow, "frmKorvane", "Overflow");
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace kv::dialog
