// The log's time stamp in the user's regional format: short date and long
// time as Windows writes them, not the C library's "09/01/25".
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/win32_clock.hpp"

namespace {

using kv::DateTime;
using kv::win32::Win32Clock;

const DateTime kAfternoon{2025, 9, 1, 14, 5, 9};

// The system's own short date and long time for a locale, asked directly.
std::string SystemText(const wchar_t* locale, const DateTime& when) {
    const SYSTEMTIME st = kv::win32::ToSystemTime(when);
    wchar_t date[100] = {}, time[100] = {};
    EXPECT_GT(::GetDateFormatEx(locale, DATE_SHORTDATE, &st, nullptr, date, 100, nullptr), 0);
    EXPECT_GT(::GetTimeFormatEx(locale, 0, &st, nullptr, time, 100), 0);
    return kv::win32::Narrow(std::wstring(date) + L" " + time);
}

TEST(Win32Clock, WritesTheShortDateAndLongTimeOfTheLocale) {
    // Where the formats are the same on every Windows, the text itself.
    EXPECT_EQ(Win32Clock(L"en-US").FormatGeneralDate(kAfternoon), "9/1/2025 2:05:09 PM");
    EXPECT_EQ(Win32Clock(L"en-US").FormatGeneralDate(DateTime{2024, 12, 31, 0, 0, 0}), "12/31/2024 12:00:00 AM");
    EXPECT_EQ(Win32Clock(L"en-GB").FormatGeneralDate(kAfternoon), "01/09/2025 14:05:09");
    // Elsewhere as the system writes it, whatever its locale data says.
    for (const wchar_t* locale : {L"da-DK", L"de-DE", L"fr-FR", L"ja-JP", L"ar-SA"}) {
        const std::string text = Win32Clock(locale).FormatGeneralDate(kAfternoon);
        EXPECT_EQ(text, SystemText(locale, kAfternoon)) << kv::win32::Narrow(locale);
        EXPECT_NE(text, "09/01/25 14:05:09");
    }
}

TEST(Win32Clock, WithoutALocaleTheUsersOwnFormatIsUsed) {
    const std::string users = SystemText(LOCALE_NAME_USER_DEFAULT, kAfternoon);
    EXPECT_EQ(Win32Clock().FormatGeneralDate(kAfternoon), users);
    EXPECT_NE(users, "09/01/25 14:05:09") << "the C library's format is no user's";
}

TEST(Win32Clock, NowIsTheLocalTime) {
    SYSTEMTIME before{};
    ::GetLocalTime(&before);
    const DateTime now = Win32Clock().Now();
    EXPECT_TRUE(now.IsValid());
    EXPECT_EQ(now.year, before.wYear);
    EXPECT_GE(now.hour * 3600 + now.minute * 60 + now.second,
              before.wHour * 3600 + before.wMinute * 60 + before.wSecond - (now.day != before.wDay ? 86400 : 0));
}

}  // namespace
