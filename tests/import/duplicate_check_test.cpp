#include "import/duplicate_check.hpp"

#include <gtest/gtest.h>

#include "fakes/addin_harness.hpp"

namespace {

namespace demo = kv::sqlite::demo;
using kv::DateTime;
using kv::Value;

// Files one mail the way the import does: a DocMailImport row, then the
// procedure that turns it into a document.
void FileMail(kv::db::Connection& cn, const std::string& cleanedSubject, const std::string& sender,
              const DateTime& received, std::int32_t resId, std::int32_t jobId, std::int32_t ordId) {
    auto set = cn.OpenInsertSet("SELECT * FROM DocMailImport WHERE ImpId = -1 ");
    set->AddNew();
    set->SetField("DocTitle", Value(cleanedSubject));
    set->SetField("DocAuthorId", Value(demo::UserRessId));
    set->SetField("ResId", Value(resId));
    if (jobId > 0) set->SetField("JobId", Value(jobId));
    set->SetField("FName", Value(cleanedSubject + ".msg"));
    set->SetField("Subject", Value(cleanedSubject));
    set->SetField("Sender", Value(sender));
    set->SetField("Received", Value(received));
    set->SetField("OrdId", Value(ordId));
    set->Update();
    set->Close();
    auto call = cn.CreateProcedureCall("DocMailImportExec");
    call->Refresh();
    call->SetParameter(1, Value(ordId));
    call->Execute();
    ASSERT_EQ(call->Parameter(0), Value(std::int32_t{0}));
}

struct DuplicateCheckTest : ::testing::Test {
    kv::fakes::AddinHarness h;
    const DateTime received{2024, 3, 5, 14, 7, 9};
    kv::db::Connection* cn = nullptr;
    void SetUp() override {
        ASSERT_TRUE(h.Load());
        cn = h.ctx->gConnection.get();
    }
};

}  // namespace

TEST_F(DuplicateCheckTest, MailFiledToAJobIsFoundForThatJobOnly) {
    FileMail(*cn, "Re_ Tilbud 3_4", "Salg [salg@kunde.dk]", received, demo::CustomerWithJobs, demo::ActiveJob, 4711);
    EXPECT_TRUE(kv::IsMailImported(*cn, "Re: Tilbud 3/4", "Salg [salg@kunde.dk]", received, demo::ActiveJob, true));
    EXPECT_FALSE(
        kv::IsMailImported(*cn, "Re: Tilbud 3/4", "Salg [salg@kunde.dk]", received, demo::ActiveJob + 1, true));
    EXPECT_FALSE(
        kv::IsMailImported(*cn, "Re: Tilbud 3/4", "Salg [salg@kunde.dk]", received, demo::CustomerWithJobs, false));
}

TEST_F(DuplicateCheckTest, MailFiledToAResourceIsFoundThroughTheResourceQuery) {
    FileMail(*cn, "Faktura _123 rev_ 2", "Leverandør", received, demo::Supplier, 0, 99);
    EXPECT_TRUE(kv::IsMailImported(*cn, "Faktura #123, rev. 2", "Leverandør", received, demo::Supplier, false));
    EXPECT_FALSE(kv::IsMailImported(*cn, "Faktura #123, rev. 2", "Leverandør", received, demo::Supplier, true));
}

TEST_F(DuplicateCheckTest, ComparesWholeSecondsSenderAndSubject) {
    FileMail(*cn, "Ingen", "Kim O'Brien [kim@x.dk]", DateTime{2025, 1, 9, 8, 5, 3}, demo::Supplier, 0, 5);
    EXPECT_TRUE(
        kv::IsMailImported(*cn, "", "Kim O'Brien [kim@x.dk]", DateTime{2025, 1, 9, 8, 5, 3}, demo::Supplier, false));
    EXPECT_FALSE(
        kv::IsMailImported(*cn, "", "Kim O'Brien [kim@x.dk]", DateTime{2025, 1, 9, 8, 5, 4}, demo::Supplier, false));
    EXPECT_FALSE(kv::IsMailImported(*cn, "Andet", "Kim O'Brien [kim@x.dk]", DateTime{2025, 1, 9, 8, 5, 3},
                                    demo::Supplier, false))
        << "another subject from the same sender at the same time is another mail";
    EXPECT_FALSE(
        kv::IsMailImported(*cn, "", "Kim O'Brien [kim@y.dk]", DateTime{2025, 1, 9, 8, 5, 3}, demo::Supplier, false))
        << "another address of the same person is another sender";
    EXPECT_FALSE(kv::IsMailImported(*cn, "", "x' OR '1'='1", DateTime{2025, 1, 9, 8, 5, 3}, demo::Supplier, false));
}

TEST_F(DuplicateCheckTest, MailWithoutSubjectMatchesWhatTheWriterStoresAndTheOlderIngen) {
    const DateTime at{2025, 1, 9, 8, 5, 3};
    FileMail(*cn, "", "Salg", at, demo::Supplier, 0, 6);             // as UpdateDB stores it
    FileMail(*cn, "Ingen", "Salg", received, demo::Supplier, 0, 7);  // as filed before
    struct Case {
        const char* subject;
        const char* sender;
        DateTime received;
        bool found;
    } cases[] = {
        {"", "Salg", at, true},
        {"", "Salg", received, true},
        {"Ingen", "Salg", received, true},  // a subject that cleans to "Ingen" is stored so
        {"Ingen", "Salg", at, false},       // and is no empty subject
        {",,,", "Salg", at, false},
        {"", "Andre", at, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("subject \"") + c.subject + "\" from " + c.sender);
        EXPECT_EQ(kv::IsMailImported(*cn, c.subject, c.sender, c.received, demo::Supplier, false), c.found);
    }
}

TEST_F(DuplicateCheckTest, AFailingQueryReachesTheCaller) {
    cn->Execute("DROP TABLE JobDoc");
    EXPECT_THROW(kv::IsMailImported(*cn, "a", "b", received, demo::ActiveJob, true), kv::Error);
}
