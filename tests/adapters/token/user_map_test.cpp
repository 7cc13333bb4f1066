// The table from signed-in identities to Korvane users.
#include <gtest/gtest.h>

#include "fakes/file_text.hpp"
#include "fakes/temp_dir.hpp"
#include "token/user_map.hpp"

namespace kv::token {
namespace {

const char* const Table =
    "# tid                                  oid                                  UserRessId\n"
    "6f1c2a8e-3b4d-4e5f-8a9b-0c1d2e3f4a5b   0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d 1\n"
    "\n"
    "  6F1C2A8E-3B4D-4E5F-8A9B-0C1D2E3F4A5B\t1B2C3D4E-5F6A-4B7C-8D9E-0F1A2B3C4D5E\t2   # Lars, written in capitals\r\n"
    "d2b7e0c4-1a2b-4c3d-9e8f-7a6b5c4d3e2f 0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d 2147483647";

TEST(UserMap, FindsAUserByTenantAndObjectIdInAnyCase) {
    fakes::TempDir dir("kvtoken");
    fakes::WriteFileText(dir.Path() / "users.txt", Table);
    const UserMap users = UserMap::Load(dir.Path() / "users.txt");
    EXPECT_EQ(users.Size(), 3u);
    struct Case {
        std::string tid, oid;
        std::optional<std::int32_t> userRessId;
    };
    const std::vector<Case> cases = {
        {"6f1c2a8e-3b4d-4e5f-8a9b-0c1d2e3f4a5b", "0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d", 1},
        {"6f1c2a8e-3b4d-4e5f-8a9b-0c1d2e3f4a5b", "1b2c3d4e-5f6a-4b7c-8d9e-0f1a2b3c4d5e", 2},
        {"D2B7E0C4-1A2B-4C3D-9E8F-7A6B5C4D3E2F", "0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d", 2147483647},
        {"6f1c2a8e-3b4d-4e5f-8a9b-0c1d2e3f4a5b", "ffffffff-4e5f-4a6b-8c7d-9e0f1a2b3c4d", std::nullopt},
        {"d2b7e0c4-1a2b-4c3d-9e8f-7a6b5c4d3e2f", "1b2c3d4e-5f6a-4b7c-8d9e-0f1a2b3c4d5e", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(users.Find(Identity{c.tid, c.oid, "x"}), c.userRessId) << c.tid << " " << c.oid;
    EXPECT_EQ(UserMap::Parse("# nobody yet\n\n").Size(), 0u);
    EXPECT_THROW(UserMap::Load(dir.Path() / "missing.txt"), std::runtime_error);
    EXPECT_THROW(UserMap::Load(dir.Path()), std::runtime_error);
}

TEST(UserMap, RefusesATableWithAMalformedOrRepeatedLineNamingTheLine) {
    for (const char* line :
         {"t o", "t o 1 2", "t o x", "t o 0", "t o -3", "t o 2147483648", "t o 12x", "T P 2  # t p again"}) {
        const std::string text = std::string("# users\nt p 1\n") + line;
        try {
            UserMap::Parse(text);
            ADD_FAILURE() << line;
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("line 3"), std::string::npos) << error.what();
        }
    }
}

}  // namespace
}  // namespace kv::token
