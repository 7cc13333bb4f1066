#include "token/user_map.hpp"

#include <charconv>
#include <stdexcept>
#include <vector>

#include "token/ascii_case.hpp"
#include "token/read_file.hpp"

namespace kv::token {

namespace {

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    constexpr std::string_view Blanks = " \t\r";
    for (auto start = line.find_first_not_of(Blanks); start != std::string_view::npos;
         start = line.find_first_not_of(Blanks, start)) {
        const auto end = std::min(line.find_first_of(Blanks, start), line.size());
        fields.push_back(line.substr(start, end - start));
        start = end;
    }
    return fields;
}

std::optional<std::int32_t> UserRessId(std::string_view text) {
    std::int32_t id = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc() || end != text.data() + text.size() || id <= 0) return std::nullopt;
    return id;
}

}  // namespace

UserMap UserMap::Parse(std::string_view text) {
    UserMap map;
    std::size_t number = 0;
    for (std::size_t start = 0; start < text.size();) {
        const auto end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        const auto fields = Fields(line.substr(0, line.find('#')));
        if (fields.empty()) continue;
        const auto id = fields.size() == 3 ? UserRessId(fields[2]) : std::nullopt;
        if (!id) throw std::runtime_error("user map line " + std::to_string(number) + ": not \"tid oid UserRessId\"");
        if (!map.users_.emplace(std::pair(AsciiLower(fields[0]), AsciiLower(fields[1])), *id).second)
            throw std::runtime_error("user map line " + std::to_string(number) + ": the user is listed before");
    }
    return map;
}

UserMap UserMap::Load(const std::filesystem::path& file) { return Parse(ReadWholeFile(file, "user map")); }

std::optional<std::int32_t> UserMap::Find(const Identity& identity) const {
    auto found = users_.find(std::pair(AsciiLower(identity.tenantId), AsciiLower(identity.objectId)));
    if (found == users_.end()) return std::nullopt;
    return found->second;
}

}  // namespace kv::token
