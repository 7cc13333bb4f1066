// From the provider string the settings build to an ODBC connection string,
// and the adapter choice made from it.
#include <gtest/gtest.h>

#include "adapters/database/open_database.hpp"
#include "adapters/odbc/odbc_database.hpp"
#include "adapters/odbc/sql_server_connection.hpp"

using kv::db::ParseProviderString;
using kv::odbc::ChooseSqlServerDriver;
using kv::odbc::SqlServerConnectionString;

TEST(SqlServerMapping, WritesTrustedAndLoginConnections) {
    const auto trusted = ParseProviderString(
        "Provider=SQLOLEDB.1;Initial Catalog=projects;Data Source=sql01\\KORVANE;Integrated Security=SSPI;Persist "
        "Security Info=False");
    EXPECT_EQ(SqlServerConnectionString(trusted, "ODBC Driver 17 for SQL Server"),
              "Driver=ODBC Driver 17 for SQL Server;Server=sql01\\KORVANE;Database=projects;Trusted_Connection=Yes");

    const auto login = ParseProviderString(
        "Provider=SQLOLEDB.1;Initial Catalog=projects;Data Source=sql01;Persist Security Info=True;User ID=importer");
    EXPECT_EQ(SqlServerConnectionString(login, "SQL Server"),
              "Driver=SQL Server;Server=sql01;Database=projects;UID=importer");
    EXPECT_EQ(SqlServerConnectionString(login, "Some Other Driver"),
              "Driver=Some Other Driver;Server=sql01;Database=projects;UID=importer");
}

// What each known driver is asked for: the old provider's manners (encrypt
// only when the server insists, take its certificate as it is) unless the
// stored text said otherwise.
TEST(SqlServerMapping, AsksEachDriverForTheOldProvidersEncryption) {
    const std::string plain =
        "Provider=SQLOLEDB.1;Initial Catalog=projects;Data Source=sql01;Persist Security Info=True;User "
        "ID=u;Password=pw";
    const std::string head = ";Server=sql01;Database=projects;UID=u;PWD=pw";
    const std::string freeTdsHead =
        "Driver=FreeTDS;Server=sql01;Database=projects;UID=u;PWD=pw;TDS_Version=7.4;ClientCharset=UTF-8";
    const struct {
        const char* driver;
        std::string extra;  // appended to the provider string
        std::string expected;
    } cases[] = {
        // Driver 18 encrypts and checks the certificate by default: a
        // self-signed on-premises server is refused unless told otherwise.
        {"ODBC Driver 18 for SQL Server", "",
         "Driver=ODBC Driver 18 for SQL Server" + head + ";Encrypt=Optional;TrustServerCertificate=yes"},
        {"{ODBC Driver 18 for SQL Server}", "",
         "Driver=ODBC Driver 18 for SQL Server" + head + ";Encrypt=Optional;TrustServerCertificate=yes"},
        {"ODBC Driver 19 for SQL Server", "",
         "Driver=ODBC Driver 19 for SQL Server" + head + ";Encrypt=Optional;TrustServerCertificate=yes"},
        {"ODBC Driver 18 for SQL Server", ";Use Encryption for Data=True",
         "Driver=ODBC Driver 18 for SQL Server" + head + ";Encrypt=yes"},
        {"ODBC Driver 18 for SQL Server", ";Use Encryption for Data=Strict",
         "Driver=ODBC Driver 18 for SQL Server" + head + ";Encrypt=Strict"},
        {"ODBC Driver 18 for SQL Server", ";Use Encryption for Data=yes;Trust Server Certificate=yes",
         "Driver=ODBC Driver 18 for SQL Server" + head + ";Encrypt=yes;TrustServerCertificate=yes"},
        {"ODBC Driver 18 for SQL Server", ";Trust Server Certificate=False",
         "Driver=ODBC Driver 18 for SQL Server" + head + ";Encrypt=Optional;TrustServerCertificate=no"},
        {"ODBC Driver 18 for SQL Server", ";Encrypt=no;TrustServerCertificate=no",
         "Driver=ODBC Driver 18 for SQL Server" + head + ";Encrypt=no;TrustServerCertificate=no"},
        {"ODBC Driver 18 for SQL Server", ";Encrypt=no",
         "Driver=ODBC Driver 18 for SQL Server" + head + ";Encrypt=no;TrustServerCertificate=yes"},
        // Older drivers already behave as the old provider did.
        {"ODBC Driver 17 for SQL Server", "", "Driver=ODBC Driver 17 for SQL Server" + head},
        {"ODBC Driver 17 for SQL Server", ";Use Encryption for Data=Mandatory;Trust Server Certificate=true",
         "Driver=ODBC Driver 17 for SQL Server" + head + ";Encrypt=yes;TrustServerCertificate=yes"},
        {"ODBC Driver 17 for SQL Server", ";Use Encryption for Data=Optional",
         "Driver=ODBC Driver 17 for SQL Server" + head + ";Encrypt=no"},
        {"SQL Server Native Client 11.0", "", "Driver=SQL Server Native Client 11.0" + head},
        {"SQL Server Native Client 11.0", ";Use Encryption for Data=yes",
         "Driver=SQL Server Native Client 11.0" + head + ";Encrypt=yes"},
        {"SQL Server", "", "Driver=SQL Server" + head},
        {"SQL Server", ";Use Encryption for Data=false", "Driver=SQL Server" + head + ";Encrypt=no"},
        // FreeTDS: its own encryption words; it checks a certificate only
        // when its configuration names a CA file.
        {"FreeTDS", "", freeTdsHead + ";Encryption=request"},
        {"FreeTDS", ";Use Encryption for Data=yes", freeTdsHead + ";Encryption=require"},
        {"FreeTDS", ";Use Encryption for Data=Strict", freeTdsHead + ";Encryption=strict"},
        {"FreeTDS", ";Use Encryption for Data=no", freeTdsHead + ";Encryption=request"},
        // A driver we do not know gets only what the stored text holds.
        {"Some Other Driver", ";Use Encryption for Data=yes", "Driver=Some Other Driver" + head},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SqlServerConnectionString(ParseProviderString(plain + c.extra), c.driver), c.expected)
            << c.driver << c.extra;
}

TEST(SqlServerMapping, GivesFreeTdsHostAndPortApart) {
    const struct {
        const char* dataSource;
        const char* expected;  // the server part FreeTDS gets
    } cases[] = {
        {"sql01", ";Server=sql01;Database"},
        {"sql01,1433", ";Server=sql01;Port=1433;Database"},
        {"tcp:sql01.example.net, 14330", ";Server=sql01.example.net;Port=14330;Database"},
        {"TCP:10.0.0.5,1500", ";Server=10.0.0.5;Port=1500;Database"},
        {"sql01\\KORVANE", ";Server=sql01\\KORVANE;Database"},
        {"(local)\\SQLEXPRESS", ";Server=localhost\\SQLEXPRESS;Database"},
        {".", ";Server=localhost;Database"},
        {"odd,name", ";Server=odd,name;Database"},  // not a port: left to the driver
    };
    for (const auto& c : cases) {
        kv::db::ProviderFields f;
        f.dataSource = c.dataSource;
        f.integratedSecurity = true;
        const std::string s = SqlServerConnectionString(f, "FreeTDS");
        EXPECT_NE(s.find(c.expected), std::string::npos) << c.dataSource << " -> " << s;
    }
    kv::db::ProviderFields f;
    f.dataSource = "sql01,1433";
    EXPECT_NE(SqlServerConnectionString(f, "ODBC Driver 18 for SQL Server").find(";Server=sql01,1433;"),
              std::string::npos)
        << "Microsoft's drivers take host,port as it is";
}

TEST(SqlServerMapping, KnowsTheDriverFamilies) {
    using kv::odbc::SqlServerDriverFamily;
    const struct {
        const char* name;
        SqlServerDriverFamily family;
        int version;
    } cases[] = {
        {"ODBC Driver 18 for SQL Server", SqlServerDriverFamily::MicrosoftOdbc, 18},
        {"odbc driver 17 for sql server", SqlServerDriverFamily::MicrosoftOdbc, 17},
        {"{ODBC Driver 13 for SQL Server}", SqlServerDriverFamily::MicrosoftOdbc, 13},
        {"ODBC Driver X for SQL Server", SqlServerDriverFamily::Other, 0},
        {"ODBC Driver 1234 for SQL Server", SqlServerDriverFamily::Other, 0},
        {"ODBC Driver 18 for SQL Server Express", SqlServerDriverFamily::Other, 0},
        {"SQL Server Native Client 11.0", SqlServerDriverFamily::NativeClient, 0},
        {"SQL Native Client", SqlServerDriverFamily::NativeClient, 0},
        {"SQL Server", SqlServerDriverFamily::LegacySqlServer, 0},
        {"FreeTDS", SqlServerDriverFamily::FreeTds, 0},
        {"/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so", SqlServerDriverFamily::FreeTds, 0},
        {"SQLite3", SqlServerDriverFamily::Other, 0},
    };
    for (const auto& c : cases) {
        const auto kind = kv::odbc::ClassifySqlServerDriver(c.name);
        EXPECT_EQ(kind.family, c.family) << c.name;
        EXPECT_EQ(kind.version, c.version) << c.name;
    }
}

TEST(SqlServerMapping, BracesValuesThatWouldBreakThePairs) {
    kv::db::ProviderFields f;
    f.dataSource = "sql01";
    f.catalog = "{odd}";
    f.user = "ole";
    f.password = "a;b}c";
    EXPECT_EQ(SqlServerConnectionString(f, "FreeTDS"),
              "Driver=FreeTDS;Server=sql01;Database={{odd}}};UID=ole;PWD={a;b}}c};TDS_Version=7.4;ClientCharset=UTF-8;"
              "Encryption=request");
}

TEST(SqlServerMapping, PrefersTheNewestSqlServerDriver) {
    EXPECT_EQ(ChooseSqlServerDriver({"SQLite3", "ODBC Driver 17 for SQL Server", "ODBC Driver 18 for SQL Server",
                                     "SQL Server Native Client 11.0"}),
              "ODBC Driver 18 for SQL Server");
    EXPECT_EQ(ChooseSqlServerDriver({"SQL Server", "SQL Server Native Client 11.0"}), "SQL Server Native Client 11.0");
    EXPECT_EQ(ChooseSqlServerDriver({"ODBC Driver 9 for SQL Server", "ODBC Driver 13 for SQL Server"}),
              "ODBC Driver 13 for SQL Server");
#ifdef _WIN32
    EXPECT_EQ(ChooseSqlServerDriver({"SQLite3"}), "SQL Server");
#else
    EXPECT_EQ(ChooseSqlServerDriver({"SQLite3", "PostgreSQL Unicode"}), "FreeTDS");
#endif
    EXPECT_EQ(ChooseSqlServerDriver({"ODBC Driver X for SQL Server"}), ChooseSqlServerDriver({}));
    // FreeTDS, under whatever name it was registered, before the fallback;
    // Microsoft's drivers before FreeTDS.
    EXPECT_EQ(ChooseSqlServerDriver({"SQLite3", "FreeTDS 1.3"}), "FreeTDS 1.3");
    EXPECT_EQ(ChooseSqlServerDriver({"FreeTDS", "ODBC Driver 17 for SQL Server"}), "ODBC Driver 17 for SQL Server");
    EXPECT_EQ(ChooseSqlServerDriver({"SQL Server", "FreeTDS"}), "FreeTDS");
}

TEST(OdbcOpen, EmptyOrOversizedConnectionStringsFailClearly) {
    auto errorOf = [](const std::string& text) -> std::string {
        try {
            kv::odbc::OpenConnectionString(text);
        } catch (const kv::Error& e) {
            return e.Source() + ": " + e.Description();
        }
        return "(no error)";
    };
    EXPECT_EQ(errorOf(""), "ODBC: No connection string: the database is not configured");
    // ODBC takes the length as a 16-bit number: 32,767 characters is the most there is.
    const std::string head = "Driver=Korvane Test Driver That Is Not Installed;Database=";
    const std::string tooLong = head + std::string(32768 - head.size(), 'x');
    EXPECT_EQ(errorOf(tooLong), "ODBC: The connection string is too long");
    EXPECT_EQ(errorOf(tooLong + "æøå"), "ODBC: The connection string is too long");
    const std::string longest = tooLong.substr(0, 32767);
    const std::string answer = errorOf(longest);
    EXPECT_EQ(answer.find("too long"), std::string::npos) << answer;
    EXPECT_NE(answer.find("Korvane Test Driver That Is Not Installed"), std::string::npos) << answer;
}

// A provider string goes through the driver the registry names; an ODBC
// string naming its own driver goes to ODBC as it is. The driver does not
// exist: the driver manager's own message comes back, naming it, which
// proves the text reached ODBC.
TEST(OdbcOpen, ServerProviderStringGoesThroughTheNamedDriver) {
    const std::string driver = "Korvane Test Driver That Is Not Installed";
    for (const auto& [text, registryDriver] :
         {std::pair<std::string, std::string>{"Provider=SQLOLEDB.1;Initial Catalog=projects;Data Source=sql01;Persist "
                                              "Security Info=True;User ID=importer",
                                              driver},
          {"Driver={" + driver + "};Database=projects", ""}}) {
        try {
            kv::adapters::OpenDatabase(text, registryDriver);
            ADD_FAILURE() << "no error for " << text;
        } catch (const kv::Error& e) {
            EXPECT_EQ(e.Number(), kv::db::ProviderError);
            EXPECT_NE(e.Description().find(driver), std::string::npos) << e.Description();
        }
    }
}
