// UpdateDB and GetSenderName against the demo database. The procedure is
// told to answer without filing where a test reads the import row itself.
#include <gtest/gtest.h>

#include "import/import_support.hpp"
#include "fakes/fake_file_system.hpp"
#include "import/record_writer.hpp"
#include "settings/user_name.hpp"
#include "import_world.hpp"

namespace kv::importtest {
namespace {

struct RecordWriterTest : ::testing::Test {
    ImportWorld w;
    AddinContext& ctx = *w.h.ctx;

    // A saved .msg of the mail in the job folder, named name.
    std::string SaveMsg(const std::shared_ptr<outlook::Item>& item, const std::string& name) {
        auto wrapper = w.h.store->CreateMailWrapper();
        wrapper->SetItem(item);
        const std::string file = (fs::path(w.JobFolder()) / name).string();
        wrapper->SaveAs(file, outlook::SaveAsMsg);
        return file;
    }

    // UpdateDB for the item, its facts read as the import reads them.
    bool Record(const std::shared_ptr<outlook::Item>& item, const std::string& file, const std::string& subFolder,
                std::int32_t jobId, std::optional<std::int32_t> ressId = demo::CustomerWithJobs) {
        auto wrapper = w.h.store->CreateMailWrapper();
        wrapper->SetItem(item);
        const MailFacts facts{wrapper->Subject(), GetSenderName(ctx, *wrapper), wrapper->ReceivedTime()};
        return UpdateDB(ctx, file, *wrapper, facts, RecordTarget{ressId, jobId, subFolder});
    }

    std::string SenderOf(const std::shared_ptr<outlook::Item>& item, std::string* userName = nullptr) {
        auto wrapper = w.h.store->CreateMailWrapper();
        wrapper->SetItem(item);
        if (userName) *userName = settings::UserName(*ctx.gConnection, ctx.gUserRessId);
        return GetSenderName(ctx, *wrapper);
    }

    Value Column(const std::string& column) {
        return w.Scalar("SELECT " + column + " AS v FROM DocMailImport ORDER BY ImpId DESC LIMIT 1");
    }
};

TEST_F(RecordWriterTest, WritesEveryColumnOfTheImportRow) {
    Mail m;
    m.subject = "Re: Tilbud 3/4";
    m.cc = "Kontor <kontor@kunde.dk>";
    m.extraHeaders = "X-Priority: 1\r\n";
    m.body = "Linje et\r\nLinje to\r\n";
    auto item = w.AddMail(m);
    // ".msg" inside the name is taken out of the title too.
    const std::string file = SaveMsg(item, "Tilbud.msg kopi_2.msg");
    w.ProcedureReturns(0);
    w.h.random.values = {0.25f};
    w.h.clock.now = DateTime{2024, 6, 1, 9, 30, 0};

    ASSERT_TRUE(Record(item, file, "Korrespondance" + std::string(1, fakes::HostPaths().separator) + "2024", 417));

    EXPECT_EQ(Column("DocTitle"), Value("Tilbud kopi_2"));
    EXPECT_EQ(Column("FName"), Value("Tilbud.msg kopi_2.msg"));
    EXPECT_EQ(Column("FExt"), Value("msg"));
    EXPECT_EQ(Column("DocAuthorId").ToInt(), ctx.gUserRessId);
    EXPECT_EQ(Column("ResId").ToInt(), demo::CustomerWithJobs);
    EXPECT_EQ(Column("JobId").ToInt(), 417);
    EXPECT_EQ(Column("SubFld"), Value("Korrespondance" + std::string(1, fakes::HostPaths().separator) + "2024"));
    EXPECT_EQ(Column("FSize").ToInt(), static_cast<std::int32_t>(fs::file_size(file)));
    EXPECT_EQ(Column("IconID").ToInt(), 34);
    EXPECT_EQ(Column("Subject"), Value("Re_ Tilbud 3_4"));
    EXPECT_EQ(Column("Sender"), Value("Salg [salg@kunde.dk]"));
    EXPECT_EQ(Column("Attachments").ToInt(), 0);
    EXPECT_EQ(Column("Importance").ToInt(), outlook::importance::High);
    EXPECT_EQ(Column("mailto"), Value("Mette"));
    EXPECT_EQ(Column("mailcc"), Value("Kontor"));
    EXPECT_TRUE(Column("mailbcc").IsNull());
    EXPECT_EQ(Column("Body"), Value("Linje et\r\nLinje to\r\n"));
    EXPECT_EQ(Column("OrdId").ToInt(), 8191 * 32767 + (ctx.gUserRessId & 32767));
    const Value docDate = Column("DocDate");
    const Value received = Column("Received");
    EXPECT_EQ(docDate.IsDateTime() ? docDate.AsDateTime() : DateTime::FromIso(docDate.ToText()),
              (DateTime{2024, 6, 1, 9, 30, 0}));
    EXPECT_EQ(received.IsDateTime() ? received.AsDateTime() : DateTime::FromIso(received.ToText()),
              item->ReceivedTime());
    EXPECT_TRUE(w.h.prompts.Messages().empty());
}

TEST_F(RecordWriterTest, OptionalColumnsStayNullAndEmptySubjectIsEmptyText) {
    Mail m;
    m.subject = "";
    m.to = "";
    auto item = w.AddMail(m);
    const std::string file = SaveMsg(item, "Ingen emne.msg");
    w.ProcedureReturns(0);
    ASSERT_TRUE(Record(item, file, "", 0, demo::Supplier));
    EXPECT_TRUE(Column("JobId").IsNull());
    EXPECT_TRUE(Column("SubFld").IsNull());
    EXPECT_EQ(Column("Subject"), Value(""));
    EXPECT_TRUE(Column("mailto").IsNull());
    EXPECT_TRUE(Column("mailcc").IsNull());
    EXPECT_TRUE(Column("mailbcc").IsNull());
    EXPECT_EQ(Column("ResId").ToInt(), demo::Supplier);
}

TEST(MakeOrdId, KeepsTheLowFifteenBitsOfTheUser) {
    EXPECT_EQ(MakeOrdId(0.0f, 40000), 7232);
    EXPECT_EQ(MakeOrdId(0.999999f, 40000), 32766 * 32767 + 7232);
    EXPECT_EQ(MakeOrdId(0.5f, 1), 16383 * 32767 + 1);
    EXPECT_LE(MakeOrdId(0.9999999f, 32767), 32767 * 32767);
}

TEST_F(RecordWriterTest, OrdIdOfARowLeftBehindIsDrawnAgain) {
    ctx.gUserRessId = 40000;
    auto item = w.AddMail(Mail{});
    const std::string file = SaveMsg(item, "Tilbud.msg");
    w.ProcedureReturns(5);  // the row stays in DocMailImport
    w.h.random.values = {0.0f};
    ASSERT_FALSE(Record(item, file, "", 417));
    ASSERT_EQ(Column("OrdId").ToInt(), 7232);
    EXPECT_EQ(Column("DocAuthorId").ToInt(), 40000);

    // Two draws hit the key left behind; the third is free.
    w.ProcedureReturns(0);
    w.h.random.values = {0.0f, 0.0f, 0.5f};
    ASSERT_TRUE(Record(item, file, "", 417));
    EXPECT_EQ(Column("OrdId").ToInt(), 16383 * 32767 + 7232);
    EXPECT_EQ(w.Count("DocMailImport WHERE OrdId = 7232"), 1);
    EXPECT_TRUE(w.h.random.values.empty()) << "three draws";
}

TEST_F(RecordWriterTest, NoFreeOrdIdIsAFailureOfStepZero) {
    ctx.gUserRessId = 1;
    auto item = w.AddMail(Mail{});
    const std::string file = SaveMsg(item, "Tilbud.msg");
    w.ProcedureReturns(5);
    w.h.random.fallback = 0.25f;
    ASSERT_FALSE(Record(item, file, "", 417));
    // Every draw gives the same key now.
    EXPECT_FALSE(Record(item, file, "", 417));
    EXPECT_EQ(w.Count("DocMailImport"), 1);
    EXPECT_NE(w.Log().find("UpdateDB (0): No free OrdId in DocMailImport after 1000 draws"), std::string::npos)
        << w.Log();

    // A thousand draws are tried, not one more: a free key on the last one
    // is taken, one after it is not reached.
    w.h.random.values.assign(999, 0.25f);
    w.h.random.values.push_back(0.75f);
    EXPECT_FALSE(Record(item, file, "", 417));
    EXPECT_EQ(w.Count("DocMailImport"), 2);
    w.h.random.values.assign(1000, 0.25f);
    w.h.random.values.push_back(0.5f);
    EXPECT_FALSE(Record(item, file, "", 417));
    EXPECT_EQ(w.Count("DocMailImport"), 2);
    EXPECT_EQ(w.h.random.values.size(), 1u) << "the draw after the thousandth is left";
}

TEST_F(RecordWriterTest, AFileOverTwoGigabytesKeepsItsWholeSize) {
    auto item = w.AddMail(Mail{});
    const std::string file = SaveMsg(item, "Stor.msg");
    constexpr std::uintmax_t kSize = 3'000'000'000;  // sparse: takes no room on disk
    fs::resize_file(file, kSize);
    w.ProcedureReturns(5);
    EXPECT_FALSE(Record(item, file, "", 417));
    EXPECT_EQ(Column("FSize").ToText(), std::to_string(kSize));
}

TEST_F(RecordWriterTest, ProcedureAnsweringNonZeroIsFalseWithoutMessageOrLog) {
    auto item = w.AddMail(Mail{});
    const std::string file = SaveMsg(item, "Tilbud.msg");
    w.ProcedureReturns(5);
    EXPECT_FALSE(Record(item, file, "", 417));
    EXPECT_TRUE(w.h.prompts.Messages().empty());
    EXPECT_EQ(w.Log().find("UpdateDB"), std::string::npos);
    EXPECT_EQ(w.Count("DocMailImport"), 1) << "the row was written";
}

TEST_F(RecordWriterTest, NoResourceSelectedFailsAtStepOneAndWritesNothing) {
    auto item = w.AddMail(Mail{});
    const std::string file = SaveMsg(item, "Tilbud.msg");
    EXPECT_FALSE(Record(item, file, "", 417, std::nullopt));
    ASSERT_EQ(w.h.prompts.Messages().size(), 1u);
    EXPECT_EQ(w.h.prompts.Messages()[0].request.title, "UpdateDB");
    EXPECT_EQ(w.h.prompts.Messages()[0].request.buttons, ui::Buttons::OK);
    EXPECT_EQ(w.h.prompts.Messages()[0].request.icon, ui::Icon::None);
    EXPECT_NE(w.Log().find("ERROR\t\tUpdateDB (1): " + w.h.prompts.Messages()[0].request.text), std::string::npos)
        << w.Log();
    EXPECT_EQ(w.Count("DocMailImport"), 0);
    EXPECT_TRUE(fs::exists(file)) << "the saved file is never removed";
}

TEST_F(RecordWriterTest, MissingFileFailsAtStepZero) {
    auto item = w.AddMail(Mail{});
    const std::string missing = w.JobFolder() + "/findes-ikke.msg";
    EXPECT_FALSE(Record(item, missing, "", 417));
    EXPECT_NE(w.Log().find("UpdateDB (0): File not found: " + missing), std::string::npos) << w.Log();
    ASSERT_EQ(w.h.prompts.Messages().size(), 1u);
    EXPECT_EQ(w.h.prompts.Messages()[0].request.text, "File not found: " + missing);
    EXPECT_EQ(w.Count("DocMailImport"), 0);
}

TEST_F(RecordWriterTest, MissingProcedureFailsAtStepElevenLeavingTheRow) {
    auto item = w.AddMail(Mail{});
    const std::string file = SaveMsg(item, "Tilbud.msg");
    ctx.gConnection->Execute("DELETE FROM kv_procedure WHERE name = 'DocMailImportExec'")->Close();
    EXPECT_FALSE(Record(item, file, "", 417));
    EXPECT_NE(w.Log().find("UpdateDB (11): "), std::string::npos) << w.Log();
    ASSERT_EQ(w.h.prompts.Messages().size(), 1u);
    EXPECT_EQ(w.h.prompts.Messages()[0].request.title, "UpdateDB");
    EXPECT_EQ(w.Count("DocMailImport"), 1);
}

// A field the database refuses names the step that wrote it.
TEST_F(RecordWriterTest, AColumnTheDatabaseLacksFailsAtItsOwnStep) {
    auto item = w.AddMail(Mail{});
    const std::string file = SaveMsg(item, "Tilbud.msg");
    for (const auto& [column, step] : {std::pair{"Subject", 2}, {"Sender", 3}, {"Received", 4}}) {
        const std::string table = "ALTER TABLE DocMailImport ";
        ctx.gConnection->Execute(table + "DROP COLUMN " + column)->Close();
        EXPECT_FALSE(Record(item, file, "", 417));
        EXPECT_NE(w.Log().find("UpdateDB (" + std::to_string(step) + "): "), std::string::npos) << column;
        ctx.gConnection->Execute(table + "ADD COLUMN " + column)->Close();
    }
}

TEST_F(RecordWriterTest, SenderTextForms) {
    Mail named;
    named.from = "Salg <salg@x.dk>";
    EXPECT_EQ(SenderOf(w.AddMail(named)), "Salg [salg@x.dk]");

    Mail bare;
    bare.from = "salg@x.dk";
    EXPECT_EQ(SenderOf(w.AddMail(bare)), "salg@x.dk [salg@x.dk]") << "the entry's name stands in for a missing name";

    Mail apostrophe;
    apostrophe.from = "\"Kim O'Brien\" <kim@x.dk>";
    EXPECT_EQ(SenderOf(w.AddMail(apostrophe)), "Kim O'Brien [kim@x.dk]");

    Mail noAt;
    noAt.from = "Salg <salg>";
    EXPECT_EQ(SenderOf(w.AddMail(noAt)), "Salg") << "an address without @ is left out";
}

TEST_F(RecordWriterTest, UnsentMailGetsTheUsersOwnName) {
    // The user's name comes from the dialog's own look-up; whatever it
    // answers is the sender text of a mail not yet sent.
    // A draft that names the account it is to go from has no sender either.
    Mail fromAccount = MailWith("Udkast");
    fromAccount.from = "Demo Bruger <demo@korvane.example>";
    fromAccount.extraHeaders = "X-Unsent: 1\r\n";
    for (const auto& draft : {w.AddSample("draft_ok.eml", "Drafts"), w.AddMail(fromAccount, "Drafts")}) {
        std::string userName = "not asked";
        EXPECT_EQ(SenderOf(draft, &userName), userName);
        EXPECT_NE(userName, "not asked");
    }
    EXPECT_TRUE(w.h.prompts.Messages().empty());
}

TEST_F(RecordWriterTest, SenderFailureIsLoggedAndGivesEmptyText) {
    auto wrapper = w.h.store->CreateMailWrapper();  // wraps nothing: every read fails
    EXPECT_EQ(GetSenderName(ctx, *wrapper), "");
    EXPECT_NE(w.Log().find("ERROR\t\tGetSenderName: "), std::string::npos) << w.Log();
    EXPECT_TRUE(w.h.prompts.Messages().empty());
}

}  // namespace
}  // namespace kv::importtest
