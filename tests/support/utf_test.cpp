#include "support/utf.hpp"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

using namespace kv::utf;

TEST(Utf, CutNeverSplitsASurrogatePair) {
    const std::string smiley = "\xF0\x9F\x98\x80";
    EXPECT_EQ(Utf16Left("ab" + smiley, 3), "ab");
    EXPECT_EQ(Utf16Left("ab" + smiley, 4), "ab" + smiley);
    EXPECT_EQ(Utf16Left("æøå", 2), "æø");
    EXPECT_EQ(Utf16Left("abc", 10), "abc");
    EXPECT_EQ(Utf16Left("abc", 0), "");
}

// Each encoding's edges: the last and first code point of every length, both
// sides of the surrogate block, and the last code point there is.
TEST(Utf, EveryEncodingEdgeConvertsBothWays) {
    const std::vector<std::pair<std::string, std::u16string>> pairs = {
        {std::string(1, '\0'), std::u16string(1, u'\0')},
        {"\x7F", u"\x7F"},
        {"\xC2\x80", u"\x80"},
        {"\xDF\xBF", u"\x7FF"},
        {"\xE0\xA0\x80", u"\x800"},
        {"\xED\x9F\xBF", u"\xD7FF"},
        {"\xEE\x80\x80", u"\xE000"},
        {"\xEF\xBF\xBF", u"\xFFFF"},
        {"\xF0\x90\x80\x80", u"\xD800\xDC00"},
        {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
        {"a\xF0\x9F\x98\x80z", u"a\xD83D\xDE00z"},
    };
    for (const auto& [utf8, utf16] : pairs) {
        EXPECT_EQ(ToUtf16(utf8), utf16) << utf8;
        EXPECT_EQ(ToUtf8(utf16), utf8) << utf8;
        EXPECT_EQ(Utf16Length(utf8), utf16.size()) << utf8;
    }
    // Surrogates encoded in UTF-8, code points past U+10FFFF and overlong
    // forms are no text; a sequence cut short is one replacement.
    for (const char* bad : {"\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80"})
        EXPECT_EQ(ToUtf16(bad).substr(0, 1), u"\xFFFD") << bad;
    EXPECT_EQ(ToUtf16("\xC0\xAF"), std::u16string(2, u'\xFFFD'));
    EXPECT_EQ(ToUtf16("\xC3"), std::u16string(1, u'\xFFFD'));
    EXPECT_EQ(ToUtf16("\xC3Z"), u"\xFFFDZ");
    // A view that ends inside a sequence reads nothing past its end.
    EXPECT_EQ(ToUtf16(std::string_view("\xC3\xA6", 1)), u"\xFFFD");
    // Unpaired halves become one replacement each; what follows them is kept.
    EXPECT_EQ(ToUtf8(u"\xDC00"
                     u"a\xDFFF\xD800"),
              "\xEF\xBF\xBD"
              "a\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(ToUtf8(u"\xD800\xE000"), "\xEF\xBF\xBD\xEE\x80\x80");
    // A text cut between the halves of a pair ends at the cut.
    EXPECT_EQ(ToUtf8(std::u16string_view(u"\xD800\xDC00").substr(0, 1)), "\xEF\xBF\xBD");
}

TEST(Utf, UpperCasesAsciiOnly) {
    EXPECT_EQ(AsciiUpper("Serverz=æ"), "SERVERZ=æ");
    EXPECT_TRUE(AsciiEqualIgnoringCase("AZ@[", "az@["));
}
