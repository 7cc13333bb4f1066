#pragma once
// Text helpers shared by the .eml reader: charsets and header words.
#include <string>

namespace kv::mailmsg {

// Text in some charset to valid UTF-8, the charset read as Windows reads it
// (GB2312 as GBK, Big5 as CP950, ISO-2022-JP with the NEC rows, ...); what it
// cannot read becomes U+FFFD. No charset, or one unknown: UTF-8 when the
// bytes are valid UTF-8, else Windows-1252.
std::string ToUtf8(const std::string& bytes, const std::string& charset);

// True for a charset that shifts between character sets by escapes
// (ISO-2022-JP), whose encoded words are each read on their own.
bool IsStatefulCharset(const std::string& charset);

// Header text with folding undone: a line break inside a header is always
// followed by the blank that stays.
std::string Unfolded(std::string text);

std::string Trim(std::string text);

// The value of one parameter of a raw structured header (Content-Type,
// Content-Disposition), decoded with the charset rules above: RFC 2231
// (name*=charset'lang'%XX, continued in name*0*, name*1 ...) or RFC 2047
// words in a plain value. "" when absent.
std::string ParameterText(const std::string& rawHeader, const std::string& wanted);

// The MIME entity of a raw mail as it came: its Content-* header fields and
// MIME-Version, then the body, byte for byte.
std::string MimeEntity(const std::string& raw);

// GMime is set up once, before the first call into it.
void InitGMime();

}  // namespace kv::mailmsg
