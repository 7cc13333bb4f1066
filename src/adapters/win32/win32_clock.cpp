#include "adapters/win32/win32_clock.hpp"

#include "adapters/win32/com_ptr.hpp"

namespace kv::win32 {

SYSTEMTIME ToSystemTime(const DateTime& when) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(when.year);
    st.wMonth = static_cast<WORD>(when.month);
    st.wDay = static_cast<WORD>(when.day);
    st.wHour = static_cast<WORD>(when.hour);
    st.wMinute = static_cast<WORD>(when.minute);
    st.wSecond = static_cast<WORD>(when.second);
    return st;
}

namespace {

// Both calls answer the length needed when given no buffer; "" when the
// system cannot format the value.
template <class Format>
std::wstring Formatted(Format format) {
    const int needed = format(nullptr, 0);
    if (needed <= 0) return {};
    std::wstring text(static_cast<std::size_t>(needed), L'\0');
    const int written = format(text.data(), needed);
    if (written <= 0) return {};
    text.resize(static_cast<std::size_t>(written - 1));  // without the terminating NUL
    return text;
}

}  // namespace

DateTime Win32Clock::Now() const {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    return DateTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

std::string Win32Clock::FormatGeneralDate(const DateTime& when) const {
    const SYSTEMTIME st = ToSystemTime(when);
    const std::wstring date = Formatted([&](wchar_t* out, int size) {
        return ::GetDateFormatEx(LocaleName(), DATE_SHORTDATE, &st, nullptr, out, size, nullptr);
    });
    const std::wstring time =
        Formatted([&](wchar_t* out, int size) { return ::GetTimeFormatEx(LocaleName(), 0, &st, nullptr, out, size); });
    // A time the system cannot show (before 1601, say) is still written.
    if (date.empty() || time.empty()) return when.ToIso();
    return Narrow(date + L" " + time);
}

}  // namespace kv::win32
