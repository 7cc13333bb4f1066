// Plain text out of an HTML-only mail, and the address check used when
// recipients are resolved.
#include <cctype>
#include <cstring>
#include <string>

#include "adapters/mailmsg/mail_data.hpp"
#include "support/utf.hpp"

namespace kv::mailmsg {
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
    } named[] = {{"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},      {"apos", '\''},
                 {"nbsp", 0xA0},    {"aelig", 0xE6},   {"oslash", 0xF8},  {"aring", 0xE5},    {"AElig", 0xC6},
                 {"Oslash", 0xD8},  {"Aring", 0xC5},   {"euro", 0x20AC},  {"copy", 0xA9},     {"reg", 0xAE},
                 {"trade", 0x2122}, {"ndash", 0x2013}, {"mdash", 0x2014}, {"hellip", 0x2026}, {"laquo", 0xAB},
                 {"raquo", 0xBB},   {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"ldquo", 0x201C},  {"rdquo", 0x201D},
                 {"bdquo", 0x201E}, {"bull", 0x2022},  {"middot", 0xB7},  {"deg", 0xB0},      {"sect", 0xA7},
                 {"para", 0xB6},    {"times", 0xD7},   {"shy", 0xAD},     {"auml", 0xE4},     {"ouml", 0xF6},
                 {"uuml", 0xFC},    {"Auml", 0xC4},    {"Ouml", 0xD6},    {"Uuml", 0xDC},     {"szlig", 0xDF},
                 {"eacute", 0xE9},  {"egrave", 0xE8},  {"Eacute", 0xC9},  {"pound", 0xA3},    {"half", 0xBD}};
    unsigned long cp = 0;
    if (!name.empty() && name[0] == '#') {
        bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        std::string digits = name.substr(hex ? 2 : 1);
        // The entity's length bounds the digits: 8 decimal ones at most.
        if (digits.empty()) return false;
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
    static const char* blocks[] = {"p",  "/p",  "div", "/div", "tr",    "/tr",        "li",          "h1",  "h2",
                                   "h3", "h4",  "/h1", "/h2",  "/h3",   "/h4",        "/table",      "hr",  "/li",
                                   "ul", "/ul", "ol",  "/ol",  "table", "blockquote", "/blockquote", "pre", "/pre"};
    for (const char* block : blocks)
        if (tag == block) return true;
    return false;
}

// Where "</name" starts at or after from, ignoring case; npos when nowhere.
std::size_t FindClosing(const std::string& html, const std::string& name, std::size_t from) {
    for (std::size_t at = html.find("</", from); at != std::string::npos; at = html.find("</", at + 2))
        if (utf::AsciiLower(html.substr(at + 2, name.size())) == name) return at;
    return std::string::npos;
}

void EndLine(std::string& out) {
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (!out.empty() && out.back() != '\n') out += '\n';
}

}  // namespace

std::string HtmlToText(const std::string& html) {
    std::string out;
    bool space = false;
    for (std::size_t i = 0; i < html.size(); ++i) {
        char c = html[i];
        if (c == '<' && html.compare(i, 4, "<!--") == 0) {
            auto end = html.find("-->", i + 4);
            if (end == std::string::npos) break;
            i = end + 2;
            continue;
        }
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
            if (tag == "script" || tag == "style" || tag == "head" || tag == "title") {
                // Their content is no text: go on after the closing tag.
                // A head left open ends where the body starts; the others run to the end.
                auto close = FindClosing(html, tag, end);
                if (close == std::string::npos && tag != "head") break;
                if (close != std::string::npos && (end = html.find('>', close)) != std::string::npos) i = end;
            } else if (tag == "br") {
                while (!out.empty() && out.back() == ' ') out.pop_back();
                out += '\n';
                space = false;
            } else if (tag == "td" || tag == "th") {
                // Cells of one row stay apart.
                while (!out.empty() && out.back() == ' ') out.pop_back();
                if (!out.empty() && out.back() != '\n') out += '\t';
                space = false;
            } else if (IsBlockTag(tag)) {
                EndLine(out);
                space = false;
            }
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = true;
            continue;
        }
        if (space && !out.empty() && out.back() != '\n' && out.back() != '\t') out += ' ';
        space = false;
        if (c != '&' || !DecodeEntity(html, i, out)) out += c;
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

std::string WithUtf8Charset(std::string html) {
    std::string lower = utf::AsciiLower(html);
    for (std::size_t meta = lower.find("<meta"); meta != std::string::npos; meta = lower.find("<meta", meta + 5)) {
        std::size_t end = lower.find('>', meta);
        std::size_t at = lower.find("charset=", meta);
        if (end == std::string::npos || at == std::string::npos || at > end) continue;
        at += 8;
        if (at < end && (html[at] == '"' || html[at] == '\'')) ++at;
        std::size_t stop = at;
        while (stop < end && (std::isalnum(static_cast<unsigned char>(html[stop])) || std::strchr("-_.:", html[stop])))
            ++stop;
        html.replace(at, stop - at, "utf-8");
        lower.replace(at, stop - at, "utf-8");
    }
    return html;
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

}  // namespace kv::mailmsg
