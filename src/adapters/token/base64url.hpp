#pragma once
// Base64url as JWS uses it: the URL-safe alphabet with no padding and no
// white space.
#include <optional>
#include <string>
#include <string_view>

namespace kv::token {

std::string EncodeBase64Url(std::string_view bytes);

// None for anything else: a character outside the alphabet, '=' padding, a
// length no encoding has, or unused low bits that are not zero (so each byte
// string has exactly one encoding).
std::optional<std::string> DecodeBase64Url(std::string_view text);

}  // namespace kv::token
