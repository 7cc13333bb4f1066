// Plain text out of an HTML-only mail, and the address check used when
// recipients are resolved.
#include <cctype>
#include <string>

#include "adapters/mailstore/mail_data.hpp"
#include "support/utf.hpp"

namespace kv::mailstore {
namespace {

void AppendCodePoint(std::string& out, unsigned long cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    std::u16string units;
    if (cp < 0x10000) {
        units += static_cast<char16_t>(cp);
    } else {
        units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
    out += utf::ToUtf8(units);
}

// Decodes the entity starting at text[i] ('&'); returns false when it is none.
bool DecodeEntity(const std::string& text, std::size_t& i, std::string& out) {
    auto end = text.find(';', i);
    if (end == std::string::npos || end - i > 10) return false;
    std::string name = text.substr(i + 1, end - i - 1);
    static const struct {
        const char* name;
        unsigned long cp;
    } named[] = {{"amp", '&'},    {"lt", '<'},     {"gt", '>'},     {"quot", '"'},   {"apos", '\''},
                 {"nbsp", 0xA0},  {"aelig", 0xE6}, {"oslash", 0xF8}, {"aring", 0xE5}, {"AElig", 0xC6},
                 {"Oslash", 0xD8}, {"Aring", 0xC5}, {"euro", 0x20AC}, {"copy", 0xA9}};
    unsigned long cp = 0;
    if (!name.empty() && name[0] == '#') {
        bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        std::string digits = name.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 7) return false;
        for (char c : digits)
            if (!(hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
                return false;
        cp = std::stoul(digits, nullptr, hex ? 16 : 10);
    } else {
        bool found = false;
        for (const auto& entity : named)
            if (name == entity.name) {
                cp = entity.cp;
                found = true;
            }
        if (!found) return false;
    }
    AppendCodePoint(out, cp);
    i = end;
    return true;
}

bool IsBlockTag(const std::string& tag) {
    static const char* blocks[] = {"p", "/p", "div", "/div", "tr", "/tr", "li", "h1", "h2", "h3", "/h1",
                                   "/h2", "/h3", "/table", "hr"};
    for (const char* block : blocks)
        if (tag == block) return true;
    return false;
}

}  // namespace

std::string HtmlToText(const std::string& html) {
    std::string out;
    bool space = false;
    for (std::size_t i = 0; i < html.size(); ++i) {
        char c = html[i];
        if (c == '<') {
            auto end = html.find('>', i);
            if (end == std::string::npos) break;
            std::string inside = html.substr(i + 1, end - i - 1);
            std::string tag;
            for (char t : inside) {
                if (std::isspace(static_cast<unsigned char>(t)) || (t == '/' && !tag.empty())) break;
                tag += t;
            }
            tag = utf::AsciiLower(tag);
            i = end;
            if (tag == "script" || tag == "style" || tag == "head") {
                // Their content is no text: go on after the closing tag.
                auto close = utf::AsciiLower(html).find("</" + tag, end);
                if (close == std::string::npos) break;
                end = html.find('>', close);
                if (end == std::string::npos) break;
                i = end;
            } else if (tag == "br") {
                while (!out.empty() && out.back() == ' ') out.pop_back();
                out += '\n';
                space = false;
            } else if (IsBlockTag(tag)) {
                while (!out.empty() && out.back() == ' ') out.pop_back();
                if (!out.empty() && out.back() != '\n') out += '\n';
                space = false;
            }
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = true;
            continue;
        }
        if (space && !out.empty() && out.back() != '\n') out += ' ';
        space = false;
        if (c != '&' || !DecodeEntity(html, i, out)) out += c;
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

bool IsValidAddress(const std::string& address) {
    auto at = address.find('@');
    if (at == std::string::npos || at == 0 || at + 1 >= address.size()) return false;
    if (address.find('@', at + 1) != std::string::npos) return false;
    for (char c : address)
        if (std::isspace(static_cast<unsigned char>(c)) || c == '<' || c == '>' || c == ',' || c == ';' || c == '"')
            return false;
    std::string domain = address.substr(at + 1);
    return domain.find('.') != std::string::npos && domain.front() != '.' && domain.back() != '.';
}

}  // namespace kv::mailstore
