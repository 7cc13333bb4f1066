#include "settings/connection_text.hpp"

#include <gtest/gtest.h>

using kv::ConvertConnectionText;
using kv::ParseConnectionText;

TEST(ConnectionText, BuildsTrustedAndLoginStrings) {
    EXPECT_EQ(ConvertConnectionText("SERVER=sql01;DATABASE=projects;TRUSTED_CONNECTION=yes"),
              "Provider=SQLOLEDB.1;Initial Catalog=projects;Data Source=sql01;Integrated Security=SSPI;"
              "Persist Security Info=False");
    EXPECT_EQ(ConvertConnectionText("server=sql01;database=projects;uid=importer"),
              "Provider=SQLOLEDB.1;Initial Catalog=projects;Data Source=sql01;Persist Security Info=True;"
              "User ID=importer");
    EXPECT_EQ(ConvertConnectionText("Server=s;User Id=u;Password=p"),
              "Provider=SQLOLEDB.1;Initial Catalog=;Data Source=s;Persist Security Info=True;User ID=u;Password=p");
}

TEST(ConnectionText, EmptyAndUnrecognisedInput) {
    EXPECT_EQ(ConvertConnectionText(""), "");
    const std::string allEmpty =
        "Provider=SQLOLEDB.1;Initial Catalog=;Data Source=;Persist Security Info=True;User ID=";
    EXPECT_EQ(ConvertConnectionText("hello"), allEmpty);
    EXPECT_EQ(ConvertConnectionText(";;;="), allEmpty);
    EXPECT_EQ(ConvertConnectionText(" SERVER=x; DATABASE=y"), allEmpty);  // blanks before keys are not trimmed
    EXPECT_EQ(ConvertConnectionText("SERVER =x"), allEmpty);
    EXPECT_EQ(ConvertConnectionText("SERVER;DATABASE;UID"), allEmpty) << "a key without \"=\" gives nothing";
}

TEST(ConnectionText, TrustedFlagStaysOnceSetAndIgnoresLogin) {
    const std::string trusted =
        "Provider=SQLOLEDB.1;Initial Catalog=;Data Source=s;Integrated Security=SSPI;Persist Security Info=False";
    EXPECT_EQ(ConvertConnectionText("TRUSTED_CONNECTION=no;SERVER=s;TRUSTED_CONNECTION=YES;UID=u;PWD=p"), trusted);
    EXPECT_EQ(ConvertConnectionText("TRUSTED_CONNECTION=Yes;SERVER=s;TRUSTED_CONNECTION=no"), trusted);
}

TEST(ConnectionText, LaterPiecesOverwriteAndEmptyPiecesAreSkipped) {
    EXPECT_EQ(ConvertConnectionText("SERVER=a;;SERVER=b;UID=x;User ID=y;PWD=1;PASSWORD=2;DATABASE=;"),
              "Provider=SQLOLEDB.1;Initial Catalog=;Data Source=b;Persist Security Info=True;User ID=y;Password=2");
}

TEST(ConnectionText, ValueKeepsEverythingAfterTheFirstEquals) {
    // A password such as ab=c must arrive whole.
    EXPECT_EQ(ConvertConnectionText("SERVER=s;UID=u;PWD=ab=c"),
              "Provider=SQLOLEDB.1;Initial Catalog=;Data Source=s;Persist Security Info=True;User ID=u;Password=ab=c");
    EXPECT_EQ(ConvertConnectionText("SERVER==s"),
              "Provider=SQLOLEDB.1;Initial Catalog=;Data Source==s;Persist Security Info=True;User ID=");
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
