#pragma once
// The one variant that carries registry values, database fields and host
// properties through the core. Empty (nothing there) and Null (a database
// NULL) are distinct on purpose: callers test for each.
#include <compare>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kv {

struct Empty {
    friend bool operator==(Empty, Empty) = default;
};
struct Null {
    friend bool operator==(Null, Null) = default;
};

// A local civil date and time with whole seconds; no time zone, as the
// mail host and the database give it.
struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    friend auto operator<=>(const DateTime&, const DateTime&) = default;

    bool IsValid() const;
    // "YYYY-MM-DD HH:MM:SS"
    std::string ToIso() const;
    // Parses "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DDTHH:MM:SS" (also the date
    // alone); throws Error on anything else.
    static DateTime FromIso(const std::string& text);
};

using Bytes = std::vector<std::uint8_t>;

class Value {
public:
    using Storage = std::variant<Empty, Null, bool, std::int32_t, double, std::string, DateTime, Bytes>;

    Value() = default;
    Value(Empty) {}
    Value(Null v) : data_(v) {}
    Value(bool v) : data_(v) {}
    Value(std::int32_t v) : data_(v) {}
    Value(double v) : data_(v) {}
    Value(std::string v) : data_(std::move(v)) {}
    Value(const char* v) : data_(std::string(v)) {}
    Value(DateTime v) : data_(v) {}
    Value(Bytes v) : data_(std::move(v)) {}

    static Value MakeNull() { return Value(Null{}); }

    bool IsEmpty() const { return std::holds_alternative<Empty>(data_); }
    bool IsNull() const { return std::holds_alternative<Null>(data_); }
    bool IsBool() const { return std::holds_alternative<bool>(data_); }
    bool IsInt() const { return std::holds_alternative<std::int32_t>(data_); }
    bool IsDouble() const { return std::holds_alternative<double>(data_); }
    bool IsText() const { return std::holds_alternative<std::string>(data_); }
    bool IsDateTime() const { return std::holds_alternative<DateTime>(data_); }
    bool IsBytes() const { return std::holds_alternative<Bytes>(data_); }

    // Strict accessors: throw Error (type mismatch) when the kind differs.
    bool AsBool() const;
    std::int32_t AsInt() const;
    double AsDouble() const;
    const std::string& AsText() const;
    const DateTime& AsDateTime() const;
    const Bytes& AsBytes() const;

    // Conversions as the add-in's callers expect them:
    // empty and null become "" and 0; numbers convert; text that is not a
    // number makes ToInt throw.
    std::string ToText() const;
    std::int32_t ToInt() const;

    const Storage& Raw() const { return data_; }
    friend bool operator==(const Value&, const Value&) = default;

private:
    Storage data_;
};

}  // namespace kv
