// Header words (RFC 2047), parameters (RFC 2231), the MIME entity of a raw
// mail and subject prefixes. GMime 3.2 stops decoding a
// run of encoded words after a B word that ends in '=' padding, so runs are
// joined into one word before GMime sees them.
#include <gmime/gmime.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "adapters/mailmsg/mail_data.hpp"
#include "adapters/mailmsg/mime_text.hpp"
#include "support/utf.hpp"

namespace kv::mailmsg {
namespace {

struct EncodedWord {
    std::size_t begin = 0, end = 0;  // [begin, end) in the text
    std::string charset;
    std::string bytes;  // decoded, still in charset
};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string DecodeQ(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '_') {
            out += ' ';
        } else if (c == '=' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string DecodeB(std::string text) {
    std::erase_if(text, [](char c) { return c == '='; });
    while (text.size() % 4 != 0) text += '=';
    gsize length = 0;
    guchar* data = g_base64_decode(text.c_str(), &length);
    std::string out(reinterpret_cast<const char*>(data), length);
    g_free(data);
    return out;
}

// The encoded word starting at text[at] ("=?charset?B?...?="), if it is one.
std::optional<EncodedWord> WordAt(const std::string& text, std::size_t at) {
    if (text.compare(at, 2, "=?") != 0) return std::nullopt;
    auto q1 = text.find('?', at + 2);
    if (q1 == std::string::npos || q1 + 3 >= text.size() || text[q1 + 2] != '?') return std::nullopt;
    char encoding = static_cast<char>(std::toupper(static_cast<unsigned char>(text[q1 + 1])));
    if (encoding != 'B' && encoding != 'Q') return std::nullopt;
    auto close = text.find("?=", q1 + 3);
    if (close == std::string::npos) return std::nullopt;
    std::string charset = text.substr(at + 2, q1 - at - 2);
    std::string payload = text.substr(q1 + 3, close - q1 - 3);
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    if (charset.empty() || std::any_of(charset.begin(), charset.end(), blank) ||
        std::any_of(payload.begin(), payload.end(), blank))
        return std::nullopt;
    charset = charset.substr(0, charset.find('*'));  // RFC 2231 language
    return EncodedWord{at, close + 2, charset, encoding == 'B' ? DecodeB(payload) : DecodeQ(payload)};
}

// UTF-8 of a run of words; bytes of neighbouring words in one charset are
// converted together, as a character may be split between them. A word in
// an escape-shifted charset starts over in ASCII, so it is read alone.
std::string RunText(const std::vector<EncodedWord>& run) {
    std::string out, pending, charset;
    for (const auto& word : run) {
        if (!pending.empty() &&
            (utf::AsciiLower(word.charset) != utf::AsciiLower(charset) || IsStatefulCharset(charset))) {
            out += ToUtf8(pending, charset);
            pending.clear();
        }
        charset = word.charset;
        pending += word.bytes;
    }
    if (!pending.empty()) out += ToUtf8(pending, charset);
    return out;
}

std::string Base64(const std::string& bytes) {
    gchar* text = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
    std::string out(text);
    g_free(text);
    return out;
}

// The parameters of a raw structured header, in order: names in lower case,
// values unquoted.
std::vector<std::pair<std::string, std::string>> RawParameters(const std::string& rawHeader) {
    std::vector<std::pair<std::string, std::string>> out;
    std::string header = Unfolded(rawHeader);
    for (std::size_t at = header.find(';'); at != std::string::npos && at < header.size();) {
        std::size_t eq = header.find('=', at + 1);
        if (eq == std::string::npos) break;
        std::string name = utf::AsciiLower(Trim(header.substr(at + 1, eq - at - 1))), value;
        std::size_t i = eq + 1;
        while (i < header.size() && (header[i] == ' ' || header[i] == '\t')) ++i;
        if (i < header.size() && header[i] == '"') {
            for (++i; i < header.size() && header[i] != '"'; ++i) {
                if (header[i] == '\\' && i + 1 < header.size()) ++i;
                value += header[i];
            }
            at = header.find(';', i);
        } else {
            at = header.find(';', i);
            value = Trim(header.substr(i, at == std::string::npos ? std::string::npos : at - i));
        }
        out.emplace_back(std::move(name), std::move(value));
    }
    return out;
}

struct Segment {
    bool extended;  // charset'language'%XX text rather than plain
    std::string value;
};

// The text of RFC 2231 segments in their order, in the charset the first names.
std::string JoinedSegments(std::map<int, Segment>& segments) {
    std::string charset, bytes;
    for (auto& [number, segment] : segments) {
        auto& [extended, value] = segment;
        if (extended && number == 0) {
            auto first = value.find('\''), second = first == std::string::npos ? first : value.find('\'', first + 1);
            if (second != std::string::npos) {
                charset = value.substr(0, first);
                value = value.substr(second + 1);
            }
        }
        for (std::size_t i = 0; i < value.size(); ++i) {
            bool escaped = extended && value[i] == '%' && i + 2 < value.size();
            int high = escaped ? HexValue(value[i + 1]) : -1;
            int low = high >= 0 ? HexValue(value[i + 2]) : -1;
            if (low >= 0) {
                bytes += static_cast<char>(high * 16 + low);
                i += 2;
            } else {
                bytes += value[i];
            }
        }
    }
    return ToUtf8(bytes, charset);
}

constexpr std::array<const char*, 16> kReplyPrefixes = {"re", "sv",   "fw",     "fwd", "aw",  "vs",  "wg",  "tr",
                                                        "rv", "antw", "doorst", "ref", "res", "enc", "odp", "vl"};

}  // namespace

std::string JoinEncodedWords(const std::string& raw) {
    std::string out;
    std::size_t i = 0;
    while (i < raw.size()) {
        auto word = raw[i] == '=' ? WordAt(raw, i) : std::nullopt;
        if (!word) {
            out += raw[i++];
            continue;
        }
        std::vector<EncodedWord> run{*word};
        std::size_t next = word->end;
        for (;;) {
            std::size_t j = next;
            while (j < raw.size() && std::isspace(static_cast<unsigned char>(raw[j]))) ++j;
            auto following = j < raw.size() ? WordAt(raw, j) : std::nullopt;
            if (!following) break;
            run.push_back(*following);
            next = following->end;
        }
        out += "=?UTF-8?B?" + Base64(RunText(run)) + "?=";
        i = next;
    }
    return out;
}

std::string DecodeHeaderText(const std::string& raw) {
    InitGMime();
    std::string joined = JoinEncodedWords(Unfolded(raw));
    gchar* decoded = g_mime_utils_header_decode_text(nullptr, joined.c_str());
    std::string text = decoded ? decoded : "";
    g_free(decoded);
    return Trim(ToUtf8(text, ""));
}

std::string ParameterText(const std::string& rawHeader, const std::string& wanted) {
    std::map<int, Segment> segments;
    std::optional<std::string> plain;
    for (auto& [name, value] : RawParameters(rawHeader)) {
        if (name == wanted) {
            plain = value;
        } else if (name.starts_with(wanted + "*")) {
            std::string rest = name.substr(wanted.size() + 1);
            bool extended = rest.empty() || rest.back() == '*';
            if (extended && !rest.empty()) rest.pop_back();
            auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
            if (rest.size() <= 3 && std::all_of(rest.begin(), rest.end(), digit))
                segments.emplace(rest.empty() ? 0 : std::stoi(rest), Segment{extended, value});
        }
    }
    if (segments.empty()) return plain ? DecodeHeaderText(*plain) : std::string();
    return Trim(JoinedSegments(segments));
}

std::string MimeEntity(const std::string& raw) {
    std::size_t crlf = raw.find("\r\n\r\n"), lf = raw.find("\n\n");
    bool useCrlf = crlf != std::string::npos && (lf == std::string::npos || crlf < lf);
    std::size_t headerEnd = useCrlf ? crlf + 2 : lf == std::string::npos ? raw.size() : lf + 1;
    std::string entity;
    bool keeping = false;
    for (std::size_t at = 0; at < headerEnd;) {
        std::size_t next = raw.find('\n', at);
        next = next == std::string::npos || next >= headerEnd ? headerEnd : next + 1;
        std::string line = raw.substr(at, next - at);
        if (line[0] != ' ' && line[0] != '\t') {
            std::string name = utf::AsciiLower(line.substr(0, line.find(':')));
            keeping = name.starts_with("content-") || name == "mime-version";
        }
        if (keeping) entity += line;
        at = next;
    }
    return entity + (useCrlf ? "\r\n" : "\n") + raw.substr(std::min(raw.size(), headerEnd + (useCrlf ? 2 : 1)));
}

std::string SubjectPrefix(const std::string& subject) {
    std::size_t end = 0, at = 0;
    for (;;) {
        while (at < subject.size() && subject[at] == ' ') ++at;
        std::size_t word = at;
        while (at < subject.size() && std::isalpha(static_cast<unsigned char>(subject[at]))) ++at;
        std::string marker = utf::AsciiLower(subject.substr(word, at - word));
        if (std::find_if(kReplyPrefixes.begin(), kReplyPrefixes.end(), [&](const char* p) { return marker == p; }) ==
            kReplyPrefixes.end())
            break;
        if (at < subject.size() && subject[at] == '[') {  // "Re[2]:"
            std::size_t close = subject.find(']', at);
            if (close == std::string::npos) break;
            at = close + 1;
        }
        if (at >= subject.size() || subject[at] != ':') break;
        ++at;
        while (at < subject.size() && subject[at] == ' ') ++at;
        end = at;
    }
    return subject.substr(0, end);
}

}  // namespace kv::mailmsg
