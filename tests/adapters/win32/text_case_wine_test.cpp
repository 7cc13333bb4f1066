// The portable upper-case table against Windows' own comparison, over every
// UTF-16 code unit: registry and folder names compare as the system does.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/text_case.hpp"

namespace {

using kv::text::OrdinalUpper;

bool SystemSame(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

wchar_t SystemUpper(wchar_t c) {
    wchar_t out = c;
    ::CharUpperBuffW(&out, 1);
    return out;
}

TEST(TextCaseOnWindows, PairsOfCodeUnitsCompareAsTheSystemCompares) {
    // Every distance between a unit and its upper case, in the table or in
    // the system; each unit against the unit that far on (its own upper case
    // among them): the same to the table exactly when the same to Windows.
    std::set<unsigned> distances;
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        for (unsigned upper : {static_cast<unsigned>(OrdinalUpper(static_cast<char16_t>(c))),
                               static_cast<unsigned>(SystemUpper(static_cast<wchar_t>(c)))})
            if (upper != c) distances.insert(upper > c ? upper - c : c - upper);
    }
    ASSERT_GT(distances.size(), 10u);
    int mismatches = 0;
    for (unsigned distance : distances) {
        for (unsigned c = 0; c + distance <= 0xFFFF; ++c) {
            const std::wstring a(1, static_cast<wchar_t>(c)), b(1, static_cast<wchar_t>(c + distance));
            const bool table =
                OrdinalUpper(static_cast<char16_t>(c)) == OrdinalUpper(static_cast<char16_t>(c + distance));
            if (table != SystemSame(a, b)) {
                ADD_FAILURE() << std::hex << "U+" << c << " and U+" << c + distance << ": table " << table;
                if (++mismatches > 20) return;
            }
        }
    }
}

}  // namespace
