// The database choice of the Windows build: there every database is an ODBC
// one, and the embedded SQLite file of the Linux front end is refused with a
// message that says what to do instead.
#include <gtest/gtest.h>

#include "adapters/database/open_database.hpp"
#include "support/error.hpp"

namespace {

TEST(WindowsDatabaseChoice, EmbeddedFileIsRefusedWithAClearError) {
    for (const char* text : {"Provider=SQLOLEDB.1;Initial Catalog=C:\\Korvane\\korvane.db;Data Source=(sqlite)",
                             "Provider=SQLOLEDB.1;Initial Catalog=x;Data Source=(SQLite)"}) {
        try {
            kv::adapters::OpenDatabase(text, "");
            ADD_FAILURE() << "opened " << text;
        } catch (const kv::Error& e) {
            EXPECT_NE(e.Description().find("not available in this build"), std::string::npos) << e.Description();
            EXPECT_NE(e.Description().find("ODBC"), std::string::npos) << e.Description();
        }
    }
    EXPECT_THROW(kv::adapters::OpenDatabase("", ""), kv::Error);
}

TEST(WindowsDatabaseChoice, AServerGoesThroughOdbc) {
    // No such data source: the ODBC driver manager itself answers.
    try {
        kv::adapters::OpenDatabase("Provider=SQLOLEDB.1;Initial Catalog=Korvane;Data Source=kv-no-such-server",
                                   "kv-no-such-driver");
        ADD_FAILURE() << "opened a database that does not exist";
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Description().find("not available in this build"), std::string::npos) << e.Description();
    }
}

}  // namespace
