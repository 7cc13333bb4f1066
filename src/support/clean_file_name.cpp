#include "support/clean_file_name.hpp"

#include <array>
#include <string_view>

#include "support/utf.hpp"

namespace kv {

namespace {

struct Replacement {
    std::string_view find;
    std::string_view replaceBy;
};

// Applied in this order; the order matters (the "__" row runs once, after the
// rows that make underscores from punctuation and before the last three).
constexpr std::array<Replacement, 20> kTable{{
    {":", "_"}, {";", "_"},  {"\\", "_"}, {"/", "_"}, {"@", "_"}, {"&", "_"}, {"$", "_"},
    {"?", "_"}, {"!", "_"},  {"#", "_"},  {"*", "_"}, {"=", " "}, {".", "_"}, {",", ""},
    {"'", ""},  {"__", "_"}, {"\"", ""},  {"<", "_"}, {">", "_"}, {"|", "_"},
}};

// One left-to-right pass without overlaps; replaced text is not searched again.
std::string ReplaceAll(const std::string& text, std::string_view find, std::string_view replaceBy) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (true) {
        std::size_t hit = text.find(find, pos);
        if (hit == std::string::npos) break;
        out.append(text, pos, hit - pos);
        out.append(replaceBy);
        pos = hit + find.size();
    }
    out.append(text, pos, std::string::npos);
    return out;
}

}  // namespace

std::string CleanFileName(const std::string& subject) {
    std::string text = subject;
    for (const Replacement& row : kTable) text = ReplaceAll(text, row.find, row.replaceBy);

    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "Ingen";
    std::size_t last = text.find_last_not_of(' ');
    text = text.substr(first, last - first + 1);

    text = utf::Utf16Left(text, 150);
    return text.empty() ? "Ingen" : text;
}

std::string StoredSubject(const std::string& subject) {
    return subject.empty() ? std::string() : utf::Utf16Left(CleanFileName(subject), 200);
}

}  // namespace kv
