#include "support/utf.hpp"

#include <gtest/gtest.h>

using namespace kv::utf;

TEST(Utf, CountsUtf16CodeUnits) {
    EXPECT_EQ(Utf16Length(""), 0u);
    EXPECT_EQ(Utf16Length("abc"), 3u);
    EXPECT_EQ(Utf16Length("æøå"), 3u);         // two bytes each in UTF-8, one unit each
    EXPECT_EQ(Utf16Length("\xF0\x9F\x98\x80"), 2u);  // U+1F600 is a surrogate pair
}

TEST(Utf, CutNeverSplitsASurrogatePair) {
    const std::string smiley = "\xF0\x9F\x98\x80";
    EXPECT_EQ(Utf16Left("ab" + smiley, 3), "ab");
    EXPECT_EQ(Utf16Left("ab" + smiley, 4), "ab" + smiley);
    EXPECT_EQ(Utf16Left("æøå", 2), "æø");
    EXPECT_EQ(Utf16Left("abc", 10), "abc");
    EXPECT_EQ(Utf16Left("abc", 0), "");
}

TEST(Utf, RoundTripsAndReplacesMalformedInput) {
    const std::string text = "Møde \xF0\x9F\x98\x80 kl. 10";
    EXPECT_EQ(ToUtf8(ToUtf16(text)), text);
    EXPECT_EQ(ToUtf16("\xC3"), std::u16string(1, u'\xFFFD'));            // truncated sequence
    EXPECT_EQ(ToUtf16("\xC0\xAF"), std::u16string(2, u'\xFFFD'));        // overlong form
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

TEST(Utf, UpperCasesAsciiOnly) {
    EXPECT_EQ(AsciiUpper("Server=æ"), "SERVER=æ");
}
