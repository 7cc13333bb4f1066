#pragma once
// UTF-8 is the text of the core; Windows and ODBC count and store UTF-16.
// Lengths that the system counts in characters are UTF-16 code units here.
#include <cstddef>
#include <string>
#include <string_view>

namespace kv::utf {

// Malformed UTF-8 sequences become U+FFFD, one per bad byte.
std::u16string ToUtf16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view utf16);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// Number of UTF-16 code units the text takes.
std::size_t Utf16Length(std::string_view utf8);

// The longest prefix of at most maxUnits UTF-16 code units that does not cut a
// surrogate pair (a character outside the BMP that would straddle the limit is
// left out whole). The result is valid UTF-8 when the input is.
std::string Utf16Left(std::string_view utf8, std::size_t maxUnits);

// Upper-casing of ASCII letters only; other characters pass unchanged.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
// Equal when upper-casing ASCII letters makes them so.
bool AsciiEqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace kv::utf
