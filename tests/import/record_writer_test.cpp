// UpdateDB and GetSenderName against the demo database. The procedure is
// told to answer without filing where a test reads the import row itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

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

// The row as the database is sent it: the title without any ".msg", the
// clock's time, the drawn key; a missing job, sub-folder or text left out or
// NULL, an empty subject as empty text. The file's size and the received
// time stand as {size} and {received}.
TEST_F(RecordWriterTest, TheImportRowAsWritten) {
    const std::string sub = "Korrespondance" + std::string(1, fakes::HostPaths().separator) + "2024";
    const std::string user = std::to_string(ctx.gUserRessId);
    Mail full = MailWith("Re: Tilbud 3/4");
    full.cc = "Kontor <kontor@kunde.dk>";
    full.extraHeaders = "X-Priority: 1\r\n";
    full.body = "Linje et\r\nLinje to\r\n";
    Mail bare = MailWith("");
    bare.to = "";
    struct Case {
        Mail mail;
        const char* file;
        std::string subFolder;
        std::int32_t job, ress;
        float draw;
        std::string fields;
    };
    const Case cases[] = {
        {full, "Tilbud.msg kopi_2.msg", sub, 417, demo::CustomerWithJobs, 0.25f,
         "DocTitle='Tilbud kopi_2', DocAuthorId=" + user +
             ", ResId=100, JobId=417, DocDate=#2024-06-01 09:30:00#, FExt='msg', SubFld='" + sub +
             "', FSize={size}, FName='Tilbud.msg kopi_2.msg', IconID=34, Subject='Re_ Tilbud 3_4', "
             "Sender='Salg [salg@kunde.dk]', Received={received}, Attachments=0, Importance=" +
             std::to_string(outlook::importance::High) +
             ", mailto='Mette', mailcc='Kontor', mailbcc=NULL, Body='Linje et\r\nLinje to\r\n', OrdId=" +
             std::to_string(8191 * 32767 + (ctx.gUserRessId & 32767))},
        {bare, "Ingen emne.msg", "", 0, demo::Supplier, 0.5f,
         "DocTitle='Ingen emne', DocAuthorId=" + user +
             ", ResId=200, DocDate=#2024-06-01 09:30:00#, FExt='msg', FSize={size}, FName='Ingen emne.msg', "
             "IconID=34, Subject='', Sender='Salg [salg@kunde.dk]', Received={received}, Attachments=0, "
             "Importance=1, mailto=NULL, mailcc=NULL, mailbcc=NULL, Body='Hej\r\n', OrdId=" +
             std::to_string(16383 * 32767 + (ctx.gUserRessId & 32767))},
    };
    w.ProcedureReturns(0);
    w.h.clock.now = DateTime{2024, 6, 1, 9, 30, 0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto item = w.AddMail(c.mail);
        const std::string file = SaveMsg(item, c.file);
        w.h.random.values = {c.draw};
        w.h.database.Clear();
        ASSERT_TRUE(Record(item, file, c.subFolder, c.job, c.ress));
        std::string fields = c.fields;
        fields.replace(fields.find("{size}"), 6, std::to_string(fs::file_size(file)));
        fields.replace(fields.find("{received}"), 10, fakes::DescribeValue(Value(item->ReceivedTime())));
        const auto& sent = w.h.database.Statements();
        const auto insert =
            std::find_if(sent.begin(), sent.end(), [](const std::string& s) { return s.starts_with("INSERT"); });
        ASSERT_NE(insert, sent.end());
        EXPECT_EQ(*insert, "INSERT SELECT * FROM DocMailImport WHERE ImpId = -1  | " + fields);
    }
    EXPECT_EQ(w.Count("DocMailImport"), 2);
    EXPECT_TRUE(w.h.prompts.Messages().empty());
}

TEST(MakeOrdId, KeepsTheLowFifteenBitsOfTheUser) {
    EXPECT_EQ(MakeOrdId(0.999999f, 40000), 32766 * 32767 + 7232);
    EXPECT_LE(MakeOrdId(0.9999999f, 32767), 32767 * 32767);
}

// A row left behind by a procedure that did not file it keeps its key, so
// the next record draws again: up to a thousand times.
TEST_F(RecordWriterTest, NoFreeOrdIdIsAFailureOfStepZero) {
    ctx.gUserRessId = 40000;
    auto item = w.AddMail(Mail{});
    const std::string file = SaveMsg(item, "Tilbud.msg");
    w.ProcedureReturns(5);  // the row stays in DocMailImport
    w.h.random.fallback = 0.25f;
    ASSERT_FALSE(Record(item, file, "", 417));
    EXPECT_EQ(Column("OrdId").ToInt(), 8191 * 32767 + 7232);
    EXPECT_TRUE(w.h.prompts.Messages().empty()) << "an answer other than 0 is no failure to show";
    EXPECT_EQ(w.Log().find("UpdateDB"), std::string::npos);
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
    EXPECT_EQ(Column("OrdId").ToInt(), 24575 * 32767 + 7232);
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

// A failure is shown under "UpdateDB" and logged with the step it happened
// at; nothing is written before the insert, and the saved file stays.
TEST_F(RecordWriterTest, AFailureIsShownAndLoggedWithItsStep) {
    auto item = w.AddMail(Mail{});
    const std::string file = SaveMsg(item, "Tilbud.msg");
    const std::string missing = w.JobFolder() + "/findes-ikke.msg";
    struct Case {
        const char* column;  // dropped from the table for the case
        std::string file;
        std::optional<std::int32_t> ressId;
        int step;
    };
    const Case cases[] = {
        {"", file, std::nullopt, 1},
        {"", missing, demo::CustomerWithJobs, 0},
        {"Subject", file, demo::CustomerWithJobs, 2},
        {"Sender", file, demo::CustomerWithJobs, 3},
        {"Received", file, demo::CustomerWithJobs, 4},
    };
    const std::string table = "ALTER TABLE DocMailImport ";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        if (*c.column) ctx.gConnection->Execute(table + "DROP COLUMN " + c.column)->Close();
        EXPECT_FALSE(Record(item, c.file, "", 417, c.ressId));
        if (*c.column) ctx.gConnection->Execute(table + "ADD COLUMN " + c.column)->Close();
        ASSERT_FALSE(w.h.prompts.Messages().empty());
        const auto& shown = w.h.prompts.Messages().back().request;
        EXPECT_EQ(std::tie(shown.title, shown.buttons, shown.icon),
                  std::make_tuple(std::string("UpdateDB"), ui::Buttons::OK, ui::Icon::None));
        EXPECT_NE(w.Log().find("ERROR\t\tUpdateDB (" + std::to_string(c.step) + "): " + shown.text), std::string::npos)
            << w.Log();
    }
    EXPECT_EQ(w.h.prompts.Messages().size(), std::size(cases));
    EXPECT_EQ(w.h.prompts.Messages()[0].request.text,
              "Object variable or With block variable not set: no resource selected");
    EXPECT_EQ(w.h.prompts.Messages()[1].request.text, "File not found: " + missing);
    EXPECT_EQ(w.Count("DocMailImport"), 0);
    EXPECT_TRUE(fs::exists(file)) << "the saved file is never removed";

    // Past the insert the row stays.
    ctx.gConnection->Execute("DELETE FROM kv_procedure WHERE name = 'DocMailImportExec'")->Close();
    EXPECT_FALSE(Record(item, file, "", 417));
    EXPECT_NE(w.Log().find("UpdateDB (11): "), std::string::npos) << w.Log();
    EXPECT_EQ(w.Count("DocMailImport"), 1);
}

// The entry's name stands in for a missing name; an address without @ is
// left out.
TEST_F(RecordWriterTest, SenderTextForms) {
    for (const auto& [from, text] : std::initializer_list<std::pair<const char*, const char*>>{
             {"Salg <salg@x.dk>", "Salg [salg@x.dk]"},
             {"salg@x.dk", "salg@x.dk [salg@x.dk]"},
             {"\"Kim O'Brien\" <kim@x.dk>", "Kim O'Brien [kim@x.dk]"},
             {"Salg <salg>", "Salg"}}) {
        Mail m;
        m.from = from;
        EXPECT_EQ(SenderOf(w.AddMail(m)), text) << from;
    }
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
