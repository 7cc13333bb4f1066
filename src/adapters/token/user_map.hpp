#pragma once
// Which Korvane user a signed-in identity is: a table kept in a text file,
// one line per user, "tid oid UserRessId" separated by blanks; '#' starts a
// comment, blank lines are skipped. Ids compare without regard to case.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "token/verifier.hpp"

namespace kv::token {

class UserMap {
public:
    // Throws std::runtime_error naming the line of a malformed or repeated
    // entry: a table half read would lock users out without a word.
    static UserMap Parse(std::string_view text);
    static UserMap Load(const std::filesystem::path& file);

    // The UserRessId of the identity, or none for a user not in the table (403).
    std::optional<std::int32_t> Find(const Identity& identity) const;

    std::size_t Size() const { return users_.size(); }

private:
    std::map<std::pair<std::string, std::string>, std::int32_t> users_;
};

}  // namespace kv::token
