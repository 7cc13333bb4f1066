#pragma once
// The clock of Windows: local time, and the date and time written the way
// the user's regional settings show them (short date, long time), which the
// C library of MinGW does not know.
#include <windows.h>

#include <string>

#include "ports/clock.hpp"

namespace kv::win32 {

// A date and time as the Windows calls take it.
SYSTEMTIME ToSystemTime(const DateTime& when);

class Win32Clock final : public Clock {
public:
    // locale: a locale name such as L"da-DK"; the user's own settings when
    // left out.
    explicit Win32Clock(std::wstring locale = {}) : locale_(std::move(locale)) {}

    DateTime Now() const override;
    std::string FormatGeneralDate(const DateTime& when) const override;

private:
    const wchar_t* LocaleName() const { return locale_.empty() ? LOCALE_NAME_USER_DEFAULT : locale_.c_str(); }

    std::wstring locale_;
};

}  // namespace kv::win32
