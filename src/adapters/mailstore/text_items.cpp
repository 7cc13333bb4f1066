#include "adapters/mailstore/text_items.hpp"

#include <vector>

#include "support/utf.hpp"

namespace kv::mailstore {
namespace {

std::vector<std::string> Unfold(const std::string& raw) {
    std::vector<std::string> lines;
    std::string current;
    std::size_t start = 0;
    while (start <= raw.size()) {
        auto end = raw.find('\n', start);
        std::string line = raw.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !lines.empty()) {
            lines.back() += line.substr(1);
        } else {
            lines.push_back(line);
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

std::string Unescape(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            char n = value[++i];
            out += (n == 'n' || n == 'N') ? '\n' : n;
        } else {
            out += value[i];
        }
    }
    return out;
}

// The value of the first content line named name (parameters ignored).
std::string FirstValue(const std::string& raw, const std::string& name) {
    for (const auto& line : Unfold(raw)) {
        auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string key = line.substr(0, colon);
        key = key.substr(0, key.find(';'));
        if (utf::AsciiUpper(key) == name) return Unescape(line.substr(colon + 1));
    }
    return {};
}

}  // namespace

CardData ParseCalendar(const std::string& raw) { return {FirstValue(raw, "SUMMARY")}; }
CardData ParseContact(const std::string& raw) { return {FirstValue(raw, "FN")}; }

}  // namespace kv::mailstore
