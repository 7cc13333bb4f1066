#include "regfile/reg_format.hpp"

#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "support/error.hpp"
#include "support/registry_text.hpp"
#include "support/utf.hpp"

namespace kv::regfile {
namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr RegRoot kRootOrder[] = {regroot::ClassesRoot, regroot::CurrentUser, regroot::LocalMachine};

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        if (c >= 0x80) {
            if ((c >> 5) == 0x6) extra = 1;
            else if ((c >> 4) == 0xE) extra = 2;
            else if ((c >> 3) == 0x1E) extra = 3;
            else return false;
        }
        if (i + extra >= text.size() && extra > 0) return false;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) return false;
        i += extra + 1;
    }
    return true;
}

// Windows-1252, the ANSI code page REGEDIT4 files from Danish machines are in.
std::string AnsiToUtf8(std::string_view text) {
    static constexpr char16_t k80To9F[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                             0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::u16string units(text.size(), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        units[i] = (c >= 0x80 && c <= 0x9F) ? k80To9F[c - 0x80] : c;
    }
    return utf::ToUtf8(units);
}

// The file content as UTF-8 text, whatever it was written in.
std::string DecodeContent(const std::string& content, const std::string& fileName) {
    auto starts = [&](std::string_view prefix) { return std::string_view(content).substr(0, prefix.size()) == prefix; };
    if (starts("\xFF\xFE")) {
        if (content.size() % 2 != 0)
            throw Error(ErrMalformedFile, ErrorSource,
                        fileName + ": the UTF-16 file ends in the middle of a character");
        std::u16string units;
        units.reserve(content.size() / 2 - 1);
        for (std::size_t i = 2; i + 1 < content.size(); i += 2)
            units.push_back(static_cast<char16_t>(static_cast<unsigned char>(content[i]) |
                                                  (static_cast<unsigned char>(content[i + 1]) << 8)));
        return utf::ToUtf8(units);
    }
    if (starts("\xFE\xFF"))
        throw Error(ErrMalformedFile, ErrorSource, fileName + ": UTF-16 big-endian files are not supported");
    if (starts("\xEF\xBB\xBF")) return content.substr(3);
    return IsValidUtf8(content) ? content : AnsiToUtf8(content);
}

std::string_view Trim(std::string_view s) {
    const char* blanks = " \t\r";
    std::size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::uint32_t> ParseHexNumber(std::string_view s, std::size_t maxDigits) {
    if (s.empty() || s.size() > maxDigits) return std::nullopt;
    std::uint32_t n = 0;
    for (char c : s) {
        int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        n = n * 16 + static_cast<std::uint32_t>(d);
    }
    return n;
}

class Parser {
public:
    Parser(const std::string& fileName, reg::RegTree& tree) : fileName_(fileName), tree_(tree) {}

    void Run(const std::string& text) {
        SplitLines(text);
        std::size_t index = 0;
        while (index < lines_.size() && Trim(lines_[index]).empty()) ++index;
        if (index == lines_.size()) return;
        std::string_view header = Trim(lines_[index]);
        if (header == kHeader5) {
            ansiStrings_ = false;
        } else if (header == kHeader4) {
            ansiStrings_ = true;
        } else {
            Fail(index, "not a registry file (the first line must be \"" + std::string(kHeader5) + "\" or \"" +
                            std::string(kHeader4) + "\")");
        }
        for (++index; index < lines_.size(); ++index) {
            std::string_view line = Trim(lines_[index]);
            if (line.empty() || line.front() == ';') continue;
            if (line.front() == '[') {
                KeyLine(index, line);
            } else if (line.front() == '"' || line.front() == '@') {
                ValueLine(index, line);
            } else {
                Fail(index, "expected a [key] or a value line");
            }
        }
    }

private:
    void SplitLines(const std::string& text) {
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            lines_.emplace_back(std::string_view(text).substr(start, end - start));
            start = end + 1;
        }
    }

    [[noreturn]] void Fail(std::size_t index, const std::string& what) const {
        throw Error(ErrMalformedFile, ErrorSource, fileName_ + ", line " + std::to_string(index + 1) + ": " + what);
    }

    void KeyLine(std::size_t index, std::string_view line) {
        if (line.back() != ']') Fail(index, "the key name has no closing \"]\"");
        std::string_view path = line.substr(1, line.size() - 2);
        bool remove = !path.empty() && path.front() == '-';
        if (remove) path.remove_prefix(1);
        std::string_view rootName = path.substr(0, path.find('\\'));
        std::string_view subKey = rootName.size() < path.size() ? path.substr(rootName.size() + 1) : std::string_view{};
        std::optional<RegRoot> root;
        for (RegRoot candidate : kRootOrder)
            if (reg::SameName(rootName, reg::RegTree::RootName(candidate))) root = candidate;
        if (!root) Fail(index, "unsupported root key '" + std::string(rootName) + "'");
        std::vector<std::string> parts;
        if (!reg::SplitKeyPath(subKey, parts)) Fail(index, "invalid key name '" + std::string(path) + "'");
        current_ = nullptr;
        if (!remove) {
            current_ = tree_.Create(*root, parts);
        } else if (!parts.empty()) {
            std::vector<std::string> parentParts(parts.begin(), parts.end() - 1);
            if (reg::RegNode* parent = tree_.Find(*root, parentParts)) parent->RemoveKey(parts.back());
        }
    }

    // Reads a quoted text starting at s[pos] == '"'; pos ends after the closing quote.
    std::string QuotedText(std::size_t index, std::string_view s, std::size_t& pos) const {
        std::string out;
        for (++pos; pos < s.size(); ++pos) {
            char c = s[pos];
            if (c == '"') {
                ++pos;
                return out;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (++pos == s.size()) break;
            switch (s[pos]) {
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            default: Fail(index, std::string("unknown escape \"\\") + s[pos] + "\" (write a backslash as \"\\\\\")");
            }
        }
        Fail(index, "the text has no closing quote");
    }

    // The data after "hex...:", with continuation lines joined on.
    std::string HexData(std::size_t& index, std::string_view first) const {
        std::string data(first);
        while (!data.empty() && data.back() == '\\') {
            data.pop_back();
            if (++index == lines_.size() || Trim(lines_[index]).empty())
                Fail(index - 1, "the value continues past the end of the file");
            data += Trim(lines_[index]);
        }
        return data;
    }

    Bytes HexBytes(std::size_t index, std::string_view data) const {
        Bytes bytes;
        std::size_t pos = 0;
        while (true) {
            std::size_t comma = data.find(',', pos);
            std::string_view token = Trim(data.substr(pos, comma == std::string_view::npos ? comma : comma - pos));
            bool last = comma == std::string_view::npos;
            if (token.empty() && last && (pos == 0 || !bytes.empty())) break;  // "hex:" or a trailing comma
            std::optional<std::uint32_t> byte = ParseHexNumber(token, 2);
            if (!byte) Fail(index, "bad hex byte '" + std::string(token) + "'");
            bytes.push_back(static_cast<std::uint8_t>(*byte));
            if (last) break;
            pos = comma + 1;
        }
        return bytes;
    }

    void ValueLine(std::size_t& index, std::string_view line) {
        const std::size_t firstLine = index;
        if (current_ == nullptr) Fail(index, "a value line must follow a [key] line");
        std::size_t pos = 0;
        std::string name;
        if (line.front() == '@') {
            pos = 1;
        } else {
            name = QuotedText(index, line, pos);
        }
        std::string_view rest = Trim(line.substr(pos));
        if (rest.empty() || rest.front() != '=') Fail(index, "expected \"=\" after the value name");
        rest = Trim(rest.substr(1));
        if (!reg::IsValidValueName(name)) Fail(index, "invalid value name");

        if (rest == "-") {
            current_->RemoveValue(name);
            return;
        }
        if (!rest.empty() && rest.front() == '"') {
            std::size_t end = 0;
            std::string text = QuotedText(index, rest, end);
            std::string_view tail = Trim(rest.substr(end));
            if (!tail.empty() && tail.front() != ';') Fail(index, "unexpected text after the closing quote");
            current_->SetValue(name, regtype::Sz, reg::ToRegSz(text));
            return;
        }
        if (rest.substr(0, 6) == "dword:") {
            std::optional<std::uint32_t> n = ParseHexNumber(Trim(rest.substr(6)), 8);
            if (!n) Fail(index, "bad dword '" + std::string(rest.substr(6)) + "' (expected up to 8 hex digits)");
            current_->SetValue(name, regtype::Dword,
                               Bytes{static_cast<std::uint8_t>(*n), static_cast<std::uint8_t>(*n >> 8),
                                     static_cast<std::uint8_t>(*n >> 16), static_cast<std::uint8_t>(*n >> 24)});
            return;
        }
        if (rest.substr(0, 3) == "hex") {
            std::size_t colon = rest.find(':');
            if (colon == std::string_view::npos) Fail(index, "expected \":\" after hex");
            std::string_view kind = rest.substr(3, colon - 3);
            RegType type = regtype::Binary;
            if (!kind.empty()) {
                std::optional<std::uint32_t> n;
                if (kind.size() >= 3 && kind.front() == '(' && kind.back() == ')')
                    n = ParseHexNumber(kind.substr(1, kind.size() - 2), 8);
                if (!n) Fail(index, "bad value type '" + std::string(kind) + "'");
                type = *n;
            }
            std::string data = HexData(index, rest.substr(colon + 1));
            Bytes bytes = HexBytes(firstLine, data);
            if (ansiStrings_ && (type == regtype::Sz || type == regtype::ExpandSz || type == regtype::MultiSz)) {
                // REGEDIT4 keeps these as single-byte text.
                std::string text = AnsiToUtf8(std::string(bytes.begin(), bytes.end()));
                if (!bytes.empty() && bytes.back() == 0) text.pop_back();
                bytes = reg::ToRegSz(text);
            }
            current_->SetValue(name, type, std::move(bytes));
            return;
        }
        Fail(index, "unknown value form '" + std::string(rest.substr(0, 20)) + "'");
    }

    const std::string& fileName_;
    reg::RegTree& tree_;
    std::vector<std::string_view> lines_;
    reg::RegNode* current_ = nullptr;
    bool ansiStrings_ = false;
};

std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

// A REG_SZ that a quoted text gives back exactly: whole UTF-16 units ending
// in one NUL, no other NUL, no line break, no unpaired surrogate.
bool IsPlainText(const Bytes& data) {
    if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 2] != 0 || data.back() != 0) return false;
    std::u16string units;
    for (std::size_t i = 0; i + 2 < data.size(); i += 2) {
        auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0 || c == u'\n' || c == u'\r') return false;
        units.push_back(c);
    }
    return utf::ToUtf16(utf::ToUtf8(units)) == units;
}

// hex bytes wrapped as regedit wraps them: a line break once a line has
// reached 77 characters, continuation lines indented by two blanks.
void AppendHex(std::string& out, std::size_t lineLength, const Bytes& data) {
    constexpr std::size_t kMaxHexChars = 77;
    char digits[3];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", data[i]);
        out += digits;
        if (i + 1 == data.size()) break;
        out += ',';
        lineLength += 3;
        if (lineLength >= kMaxHexChars) {
            out += "\\\r\n  ";
            lineLength = 2;
        }
    }
}

void AppendValue(std::string& out, const reg::RegValue& value) {
    std::string line = value.name.empty() ? "@=" : "\"" + Escaped(value.name) + "\"=";
    if (value.type == regtype::Sz && IsPlainText(value.data)) {
        out += line + "\"" + Escaped(reg::FromRegSz(value.data)) + "\"\r\n";
        return;
    }
    if (value.type == regtype::Dword && value.data.size() == 4) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%02x%02x%02x%02x", value.data[3], value.data[2], value.data[1],
                      value.data[0]);
        out += line + digits + "\r\n";
        return;
    }
    std::string prefix = "hex:";
    if (value.type != regtype::Binary) {
        char kind[24];
        std::snprintf(kind, sizeof kind, "hex(%x):", static_cast<unsigned>(value.type));
        prefix = kind;
    }
    line += prefix;
    std::size_t length = utf::Utf16Length(line);
    out += line;
    AppendHex(out, length, value.data);
    out += "\r\n";
}

void AppendKey(std::string& out, const std::string& path, const reg::RegNode& node, bool isRoot) {
    if (!isRoot || !node.values.empty()) {
        out += "[" + path + "]\r\n";
        for (const reg::RegValue& value : node.values) AppendValue(out, value);
        out += "\r\n";
    }
    for (const auto& child : node.keys) AppendKey(out, path + "\\" + child->name, *child, false);
}

}  // namespace

void Parse(const std::string& content, const std::string& fileName, reg::RegTree& tree) {
    tree.Clear();
    std::string text = DecodeContent(content, fileName);
    Parser(fileName, tree).Run(text);
}

std::string ExportText(const reg::RegTree& tree) {
    std::string out = std::string(kHeader5) + "\r\n\r\n";
    for (RegRoot root : kRootOrder) AppendKey(out, reg::RegTree::RootName(root), *tree.Root(root), true);
    return out;
}

std::string Export(const reg::RegTree& tree) {
    std::u16string units = utf::ToUtf16(ExportText(tree));
    std::string out = "\xFF\xFE";
    out.reserve(2 + units.size() * 2);
    for (char16_t c : units) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

}  // namespace kv::regfile
