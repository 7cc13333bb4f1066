#include "support/registry_text.hpp"

#include "support/utf.hpp"

namespace kv::reg {
namespace {

char16_t FoldUnit(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c < 0x80) return c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    // Latin Extended-A pairs upper/lower as even/odd, except the stretch from
    // U+0139 to U+0148 and U+0179 to U+017E where the upper letter is odd.
    if (c >= 0x100 && c <= 0x137 && c != 0x131) return static_cast<char16_t>(c & ~1u);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1u) ? c : static_cast<char16_t>(c - 1);
    if (c >= 0x14A && c <= 0x177) return static_cast<char16_t>(c & ~1u);
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
}

}  // namespace

std::string FoldName(std::string_view name) {
    std::u16string units = utf::ToUtf16(name);
    for (char16_t& c : units) c = FoldUnit(c);
    return utf::ToUtf8(units);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && a == b) return true;
    return FoldName(a) == FoldName(b);
}

Bytes ToRegSz(std::string_view text) {
    std::u16string units = utf::ToUtf16(text);
    Bytes data;
    data.reserve((units.size() + 1) * 2);
    for (char16_t c : units) {
        data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

std::string FromRegSz(const Bytes& data) {
    std::u16string units;
    units.reserve(data.size() / 2);
    for (std::size_t i = 0; i + 1 < data.size(); i += 2)
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    if (!units.empty() && units.back() == 0) units.pop_back();
    return utf::ToUtf8(units);
}

std::string ExpandPercentReferences(std::string_view text, const EnvironmentLookup& lookup) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t open = text.find('%', pos);
        if (open == std::string_view::npos) break;
        out.append(text, pos, open - pos);
        std::size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) {
            pos = open;
            break;
        }
        std::string name(text.substr(open + 1, close - open - 1));
        std::optional<std::string> found = name.empty() ? std::nullopt : lookup(name);
        if (found) {
            out += *found;
            pos = close + 1;
        } else {
            // Unknown: keep "%NAME" and let the closing sign start the next reference.
            out.append(text, open, close - open);
            pos = close;
        }
    }
    out.append(text.substr(pos));
    return out;
}

}  // namespace kv::reg
