#pragma once
// Text helpers shared by the .eml reader: charsets and header words.
#include <string>

namespace kv::mailstore {

// Text in some charset to valid UTF-8; unknown or wrong charsets fall back to
// UTF-8 when the bytes are valid UTF-8, else to Windows-1252, which maps every byte.
std::string ToUtf8(const std::string& bytes, const std::string& charset);

// Header text with folding undone: a line break inside a header is always
// followed by the blank that stays.
std::string Unfolded(std::string text);

std::string Trim(std::string text);

// GMime is set up once, before the first call into it.
void InitGMime();

}  // namespace kv::mailstore
