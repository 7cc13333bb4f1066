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

// The statements themselves, for a job and a resource, are pinned where the
// import sends them; here what they find. Sender, subject and the whole
// second must match, and a mail without a subject matches what the writer
// stores and the older "Ingen".
TEST_F(DuplicateCheckTest, FindsTheMailBySenderSubjectAndSecond) {
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
        {"", "x' OR '1'='1", at, false},
        {"", "Salg", DateTime{2025, 1, 9, 8, 5, 4}, false},
        {"Andet", "Salg", received, false},
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
