#include "support/value.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "support/error.hpp"

namespace kv {

namespace {

Error Mismatch(const char* wanted) {
    return Error(errnum::TypeMismatch, "Value", std::string("Type mismatch: expected ") + wanted);
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

bool ReadNumber(const std::string& text, std::size_t pos, std::size_t width, int& out) {
    if (pos + width > text.size()) return false;
    const char* first = text.data() + pos;
    for (std::size_t i = 0; i < width; ++i)
        if (first[i] < '0' || first[i] > '9') return false;
    auto result = std::from_chars(first, first + width, out);
    return result.ec == std::errc();
}

}  // namespace

bool DateTime::IsValid() const {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month) &&
           hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

std::string DateTime::ToIso() const {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    return buffer;
}

DateTime DateTime::FromIso(const std::string& text) {
    DateTime dt;
    dt.hour = dt.minute = dt.second = 0;
    bool ok = ReadNumber(text, 0, 4, dt.year) && text.size() >= 10 && text[4] == '-' &&
              ReadNumber(text, 5, 2, dt.month) && text[7] == '-' && ReadNumber(text, 8, 2, dt.day);
    if (ok && text.size() > 10) {
        // Fractions of a second, as some drivers hand them back, are dropped.
        ok = text.size() >= 19 && (text[10] == ' ' || text[10] == 'T') && ReadNumber(text, 11, 2, dt.hour) &&
             text[13] == ':' && ReadNumber(text, 14, 2, dt.minute) && text[16] == ':' &&
             ReadNumber(text, 17, 2, dt.second) && (text.size() == 19 || text[19] == '.');
    }
    if (!ok || !dt.IsValid())
        throw Error(errnum::TypeMismatch, "DateTime", "Not a date and time: '" + text.substr(0, 64) + "'");
    return dt;
}

bool Value::AsBool() const {
    if (auto p = std::get_if<bool>(&data_)) return *p;
    throw Mismatch("Boolean");
}
std::int32_t Value::AsInt() const {
    if (auto p = std::get_if<std::int32_t>(&data_)) return *p;
    throw Mismatch("Long");
}
double Value::AsDouble() const {
    if (auto p = std::get_if<double>(&data_)) return *p;
    throw Mismatch("Double");
}
const std::string& Value::AsText() const {
    if (auto p = std::get_if<std::string>(&data_)) return *p;
    throw Mismatch("String");
}
const DateTime& Value::AsDateTime() const {
    if (auto p = std::get_if<DateTime>(&data_)) return *p;
    throw Mismatch("Date");
}
const Bytes& Value::AsBytes() const {
    if (auto p = std::get_if<Bytes>(&data_)) return *p;
    throw Mismatch("Byte()");
}

std::string Value::ToText() const {
    struct Visitor {
        std::string operator()(Empty) const { return {}; }
        std::string operator()(Null) const { return {}; }
        std::string operator()(bool v) const { return v ? "True" : "False"; }
        std::string operator()(std::int32_t v) const { return std::to_string(v); }
        std::string operator()(double v) const {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.15g", v);
            return buffer;
        }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(const DateTime& v) const { return v.ToIso(); }
        std::string operator()(const Bytes& v) const { return std::string(v.begin(), v.end()); }
    };
    return std::visit(Visitor{}, data_);
}

std::int32_t Value::ToInt() const {
    struct Visitor {
        std::int32_t operator()(Empty) const { return 0; }
        std::int32_t operator()(Null) const { return 0; }
        std::int32_t operator()(bool v) const { return v ? -1 : 0; }
        std::int32_t operator()(std::int32_t v) const { return v; }
        std::int32_t operator()(double v) const {
            double r = std::nearbyint(v);
            if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max()))
                throw Error(6, "Value", "Overflow");
            return static_cast<std::int32_t>(r);
        }
        std::int32_t operator()(const std::string& v) const {
            std::size_t begin = v.find_first_not_of(' ');
            std::size_t end = v.find_last_not_of(' ');
            if (begin == std::string::npos) throw Mismatch("Long");
            const char* first = v.data() + begin;
            const char* last = v.data() + end + 1;
            if (*first == '+') ++first;
            std::int64_t n = 0;
            auto result = std::from_chars(first, last, n);
            if (result.ec != std::errc() || result.ptr != last) throw Mismatch("Long");
            if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max())
                throw Error(6, "Value", "Overflow");
            return static_cast<std::int32_t>(n);
        }
        std::int32_t operator()(const DateTime&) const { throw Mismatch("Long"); }
        std::int32_t operator()(const Bytes&) const { throw Mismatch("Long"); }
    };
    return std::visit(Visitor{}, data_);
}

}  // namespace kv
