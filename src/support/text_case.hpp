#pragma once
// Names compared without regard to case as Windows compares file, folder and
// registry names: each UTF-16 code unit upper-cased by the system's ordinal
// table (the one CompareStringOrdinal uses when told to ignore case). No
// language rules: "ß" and the dotless "ı" stay as they are, and the halves
// of a surrogate pair are left alone.
#include <string>
#include <string_view>

namespace kv::text {

char16_t OrdinalUpper(char16_t unit);
std::u16string OrdinalUpper(std::u16string_view units);
// UTF-8 text in that upper case: the form to keep names in a map by.
std::string OrdinalUpperUtf8(std::string_view utf8);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace kv::text
