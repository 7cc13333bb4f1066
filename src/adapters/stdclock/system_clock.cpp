#include "stdclock/system_clock.hpp"

#include <chrono>
#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>

namespace kv {

namespace {

std::tm ToTm(const DateTime& when) {
    std::tm tm{};
    tm.tm_year = when.year - 1900;
    tm.tm_mon = when.month - 1;
    tm.tm_mday = when.day;
    tm.tm_hour = when.hour;
    tm.tm_min = when.minute;
    tm.tm_sec = when.second;
    tm.tm_isdst = -1;
    return tm;
}

std::locale UserLocale() {
    try {
        return std::locale("");
    } catch (const std::exception&) {
        return std::locale::classic();
    }
}

}  // namespace

DateTime SystemClock::Now() const {
    std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string SystemClock::FormatGeneralDate(const DateTime& when) const {
    static const std::locale locale = UserLocale();
    std::tm tm = ToTm(when);
    std::ostringstream out;
    out.imbue(locale);
    out << std::put_time(&tm, "%x %X");
    return out.str();
}

SystemRandom::SystemRandom()
    : state_(static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count())) {}

float SystemRandom::Next() {
    // SplitMix64: small, fast and good enough for an order key.
    unsigned long long z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    // 24 random bits fill a float's mantissa exactly, so the result is < 1.
    return static_cast<float>(z >> 40) / 16777216.0f;
}

}  // namespace kv
