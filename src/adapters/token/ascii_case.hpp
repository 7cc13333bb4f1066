#pragma once
// Tenant and object ids are GUIDs, written in either case by the people
// who configure them; tokens carry them in lower case.
#include <algorithm>
#include <string>
#include <string_view>

namespace kv::token {

inline std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

}  // namespace kv::token
