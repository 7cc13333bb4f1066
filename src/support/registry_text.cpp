#include "support/registry_text.hpp"

#include "support/text_case.hpp"
#include "support/utf.hpp"

namespace kv::reg {

std::string FoldName(std::string_view name) { return text::OrdinalUpperUtf8(name); }

bool SameName(std::string_view a, std::string_view b) { return text::EqualsIgnoringCase(a, b); }

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
