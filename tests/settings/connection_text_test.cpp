#include "settings/connection_text.hpp"

#include <gtest/gtest.h>

using kv::ConvertConnectionText;
using kv::ParseConnectionText;

// The stored text and the provider string made of it.
TEST(ConnectionText, BuildsTheProviderStringFromTheStoredPieces) {
    const std::string login = "Provider=SQLOLEDB.1;Initial Catalog=;Data Source=";
    const std::string allEmpty = login + ";Persist Security Info=True;User ID=";
    const std::string trusted = login + "s;Integrated Security=SSPI;Persist Security Info=False";
    const std::pair<const char*, std::string> cases[] = {
        {"SERVER=sql01;DATABASE=projects;TRUSTED_CONNECTION=yes",
         "Provider=SQLOLEDB.1;Initial Catalog=projects;Data Source=sql01;Integrated Security=SSPI;"
         "Persist Security Info=False"},
        {"server=sql01;database=projects;uid=importer",
         "Provider=SQLOLEDB.1;Initial Catalog=projects;Data Source=sql01;Persist Security Info=True;"
         "User ID=importer"},
        {"Server=s;User Id=u;Password=p", login + "s;Persist Security Info=True;User ID=u;Password=p"},
        {"", ""},
        {"hello", allEmpty},
        {";;;=", allEmpty},
        {" SERVER=x; DATABASE=y", allEmpty},  // blanks before keys are not trimmed
        {"SERVER =x", allEmpty},
        {"SERVER;DATABASE;UID", allEmpty},  // a key without "=" gives nothing
        // Trusted once set stays so, and ignores the login.
        {"TRUSTED_CONNECTION=no;SERVER=s;TRUSTED_CONNECTION=YES;UID=u;PWD=p", trusted},
        {"TRUSTED_CONNECTION=Yes;SERVER=s;TRUSTED_CONNECTION=no", trusted},
        // Later pieces overwrite; empty ones are skipped.
        {"SERVER=a;;SERVER=b;UID=x;User ID=y;PWD=1;PASSWORD=2;DATABASE=;",
         login + "b;Persist Security Info=True;User ID=y;Password=2"},
        // A value is everything after the first "=": a password such as ab=c arrives whole.
        {"SERVER=s;UID=u;PWD=ab=c", login + "s;Persist Security Info=True;User ID=u;Password=ab=c"},
        {"SERVER==s", login + "=s;Persist Security Info=True;User ID="},
    };
    for (const auto& [stored, expected] : cases) EXPECT_EQ(ConvertConnectionText(stored), expected) << stored;
}

TEST(ConnectionText, EncryptionWishesOfTheStoredTextTravelOn) {
    const std::string base = "Provider=SQLOLEDB.1;Initial Catalog=p;Data Source=s;Persist Security Info=True;User ID=u";
    const struct {
        const char* stored;
        std::string expected;
    } cases[] = {
        {"SERVER=s;DATABASE=p;UID=u", base},
        {"SERVER=s;DATABASE=p;UID=u;Encrypt=yes", base + ";Use Encryption for Data=yes"},
        {"encrypt=Strict;SERVER=s;DATABASE=p;UID=u", base + ";Use Encryption for Data=Strict"},
        {"SERVER=s;DATABASE=p;UID=u;TrustServerCertificate=no", base + ";Trust Server Certificate=no"},
        {"SERVER=s;DATABASE=p;UID=u;TRUSTSERVERCERTIFICATE=yes;ENCRYPT=Mandatory",
         base + ";Use Encryption for Data=Mandatory;Trust Server Certificate=yes"},
        {"SERVER=s;DATABASE=p;UID=u; Encrypt=yes", base},  // blanks before keys are not trimmed
        {"SERVER=s;DATABASE=p;UID=u;Encrypt=yes;TrustServerCertificate=yes;Encrypt=;TrustServerCertificate=", base},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConvertConnectionText(c.stored), c.expected) << c.stored;
        // The database adapter is handed the wishes the provider string shows.
        const auto handed = ParseConnectionText(c.stored);
        const auto shown = kv::db::ParseProviderString(c.expected);
        EXPECT_EQ(handed.encrypt, shown.encrypt) << c.stored;
        EXPECT_EQ(handed.trustServerCertificate, shown.trustServerCertificate) << c.stored;
        EXPECT_EQ(handed.dataSource, shown.dataSource) << c.stored;
    }
}
