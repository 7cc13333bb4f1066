// From the provider string the settings build to an ODBC connection string,
// and the adapter choice made from it.
#include <gtest/gtest.h>

#include "adapters/database/open_database.hpp"
#include "adapters/odbc/odbc_database.hpp"
#include "odbc_drivers.hpp"

using kv::db::ParseProviderString;
using kv::odbc::ChooseSqlServerDriver;
using kv::odbc::SqlServerConnectionString;

TEST(ProviderString, SplitsTheSettingsOutputIntoFields) {
    const auto trusted = ParseProviderString(
        "Provider=SQLOLEDB.1;Initial Catalog=projects;Data Source=sql01;Integrated Security=SSPI;Persist Security Info=False");
    EXPECT_EQ(trusted.provider, "SQLOLEDB.1");
    EXPECT_EQ(trusted.catalog, "projects");
    EXPECT_EQ(trusted.dataSource, "sql01");
    EXPECT_TRUE(trusted.integratedSecurity);
    ASSERT_EQ(trusted.others.size(), 1u);
    EXPECT_EQ(trusted.others[0].first, "Persist Security Info");

    const auto login = ParseProviderString(
        "Provider=SQLOLEDB.1;Initial Catalog=;Data Source=;Persist Security Info=True;User ID=importer;Password=x");
    EXPECT_FALSE(login.integratedSecurity);
    EXPECT_EQ(login.user, "importer");
    EXPECT_EQ(login.password, "x");
    EXPECT_TRUE(login.catalog.empty());

    EXPECT_TRUE(ParseProviderString("").dataSource.empty());
    EXPECT_TRUE(ParseProviderString(";;no pairs here;=;").catalog.empty());
    EXPECT_EQ(ParseProviderString("driver={SQLite3};database=/tmp/x.db").driver, "{SQLite3}");
}

TEST(SqlServerMapping, WritesTrustedAndLoginConnections) {
    const auto trusted = ParseProviderString(
        "Provider=SQLOLEDB.1;Initial Catalog=projects;Data Source=sql01\\KORVANE;Integrated Security=SSPI;Persist Security Info=False");
    EXPECT_EQ(SqlServerConnectionString(trusted, "ODBC Driver 18 for SQL Server"),
              "Driver=ODBC Driver 18 for SQL Server;Server=sql01\\KORVANE;Database=projects;Trusted_Connection=Yes");

    const auto login = ParseProviderString(
        "Provider=SQLOLEDB.1;Initial Catalog=projects;Data Source=sql01;Persist Security Info=True;User ID=importer");
    EXPECT_EQ(SqlServerConnectionString(login, "FreeTDS"), "Driver=FreeTDS;Server=sql01;Database=projects;UID=importer");
}

TEST(SqlServerMapping, BracesValuesThatWouldBreakThePairs) {
    kv::db::ProviderFields f;
    f.dataSource = "sql01";
    f.catalog = "{odd}";
    f.user = "ole";
    f.password = "a;b}c";
    EXPECT_EQ(SqlServerConnectionString(f, "FreeTDS"),
              "Driver=FreeTDS;Server=sql01;Database={{odd}}};UID=ole;PWD={a;b}}c}");
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
}

TEST(OdbcOpen, UnreachableServerFailsWithTheDriversMessage) {
    if (const auto reason = kv::testing::DriverMissingReason("PostgreSQL Unicode"); !reason.empty()) GTEST_SKIP() << reason;
    // Port 1 on loopback refuses at once; the driver says so.
    try {
        kv::adapters::OpenDatabase(
            "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=1;Database=korvane;UID=importer", "");
        FAIL() << "no error";
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Number(), kv::db::ProviderError);
        EXPECT_FALSE(e.Description().empty());
    }
}

TEST(OdbcOpen, EmptyOrOversizedConnectionStringsFailClearly) {
    EXPECT_THROW(kv::odbc::OpenConnectionString(""), kv::Error);
    EXPECT_THROW(kv::odbc::OpenConnectionString("Driver=SQLite3;Database=" + std::string(40000, 'x')), kv::Error);
}

TEST(OdbcOpen, ServerProviderStringGoesThroughTheNamedDriver) {
    // The registry names a driver that does not exist: the driver manager's
    // own message comes back, which proves the mapping reached ODBC.
    try {
        kv::adapters::OpenDatabase(
            "Provider=SQLOLEDB.1;Initial Catalog=projects;Data Source=sql01;Persist Security Info=True;User ID=importer",
            "Korvane Test Driver That Is Not Installed");
        FAIL() << "no error";
    } catch (const kv::Error& e) {
        EXPECT_NE(e.Description().find("Korvane Test Driver That Is Not Installed"), std::string::npos) << e.Description();
    }
}
