// Mails and situations a real import meets: odd mails, odd items, a folder
// that goes away, a database that refuses halfway. Each ends with a clear
// outcome and nothing already filed is lost.
#include <gtest/gtest.h>

#include "import_world.hpp"
#include "support/utf.hpp"

namespace kv::importtest {
namespace {

std::string Repeat(const std::string& piece, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
}

struct ImportBadInputTest : ::testing::Test {
    ImportWorld w;
    AddinContext& ctx = *w.h.ctx;

    Choice DeletingChoice() {
        Choice c = w.JobChoice();
        c.deleteValue = ui::CheckBox::Checked;
        return c;
    }
};

TEST_F(ImportBadInputTest, OddMailsAreAllFiled) {
    auto html = w.AddSample("html_only.eml");
    auto broken = w.AddSample("broken.eml");
    auto noFrom = w.AddSample("no_from.eml");
    auto noSubject = w.AddSample("no_subject_priority.eml");
    w.SelectInExplorer({html, broken, noFrom, noSubject});

    EXPECT_FALSE(w.Import(DeletingChoice()));

    EXPECT_TRUE(w.h.prompts.Messages().empty());
    EXPECT_EQ(w.Count("DocMail"), 4);
    EXPECT_EQ(w.FilesIn(w.JobFolder()).size(), 4u);
    EXPECT_EQ(w.Count("DocMail WHERE FName = 'Ingen emne.msg' AND Importance = 2"), 1);
    EXPECT_EQ(w.Count("DocMail WHERE FName = 'Nyhedsbrev maj.msg' AND Body LIKE '%Grøn & blå%'"), 1)
        << "an HTML-only mail is filed with its text";
    EXPECT_EQ(w.EntryIdsIn("Deleted Items").size(), 4u);
}

TEST_F(ImportBadInputTest, LongSubjectsAreCutForTheFileNameOnly) {
    Mail ascii;
    ascii.subject = Repeat("a", 5000);
    Mail danish;
    danish.subject = Repeat("æ", 5000);
    danish.date = "Wed, 06 Mar 2024 10:00:00 +0100";
    auto a = w.AddMail(ascii);
    auto b = w.AddMail(danish);
    w.SelectInExplorer({a, b});

    EXPECT_FALSE(w.Import(w.JobChoice()));

    const auto files = w.FilesIn(w.JobFolder());
    ASSERT_EQ(files.size(), 2u);
    for (const auto& name : files) {
        EXPECT_LE(name.size(), 255u);
        EXPECT_TRUE(name.ends_with(".msg"));
    }
    EXPECT_EQ(w.Count("DocMail WHERE Subject = '" + Repeat("a", 150) + "' AND FName = '" + Repeat("a", 150) + ".msg'"),
              1);
    // The stored subject keeps all 150 characters; the file name holds
    // what fits in 255 bytes.
    const std::string stored = w.Scalar("SELECT Subject AS v FROM DocMail WHERE Subject LIKE 'æ%'").ToText();
    EXPECT_EQ(stored, Repeat("æ", 150));
    const std::string title = w.Scalar("SELECT DocTitle AS v FROM DocMail WHERE Subject LIKE 'æ%'").ToText();
    const std::string fname = w.Scalar("SELECT FName AS v FROM DocMail WHERE Subject LIKE 'æ%'").ToText();
    EXPECT_EQ(fname, title + ".msg") << "DocTitle and FName follow the file written";
    EXPECT_TRUE(fs::exists(fs::path(w.JobFolder()) / fname));
    EXPECT_LT(title.size(), stored.size());
}

TEST_F(ImportBadInputTest, AnAttachmentAndSeveralRecipientsAreCountedAndJoined) {
    std::string eml =
        "From: =?UTF-8?Q?Bj=C3=B8rn?= <bjorn@example.dk>\r\nSubject: Tegninger\r\n"
        "Date: Mon, 09 Dec 2024 08:00:00 +0100\r\nTo: ";
    for (int i = 0; i < 3; ++i)
        eml += (i ? ",\r\n " : "") + std::string("Modtager ") + std::to_string(i) + " <m" + std::to_string(i) +
               "@example.dk>";
    eml +=
        "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
        "Content-Type: text/plain\r\n\r\nSe vedhæftet.\r\n--b\r\nContent-Type: application/octet-stream; "
        "name=\"tegning.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\nQUJD\r\n--b--\r\n";
    w.OpenInInspector(w.AddRaw(eml));

    EXPECT_FALSE(w.Import(w.JobChoice()));

    EXPECT_TRUE(w.h.prompts.Messages().empty());
    EXPECT_EQ(w.Count("DocMail WHERE Attachments = 1"), 1);
    EXPECT_EQ(w.Scalar("SELECT mailto AS v FROM DocMail"), Value("Modtager 0; Modtager 1; Modtager 2"));
}

TEST_F(ImportBadInputTest, FolderThatDisappearsMidImportStopsThereKeepingWhatWasFiled) {
    auto a = w.AddMail(MailWith("Et", "Tue, 05 Mar 2024 14:01:00 +0100"));
    auto b = w.AddMail(MailWith("To", "Tue, 05 Mar 2024 14:02:00 +0100"));
    auto c = w.AddMail(MailWith("Tre", "Tue, 05 Mar 2024 14:03:00 +0100"));
    w.SelectInExplorer({a, b, c});
    const fs::path folder = fs::path(w.JobFolder()) / "Tilbud";
    const fs::path movedAway = fs::path(w.JobFolder()) / "Tilbud flyttet";
    // Someone moves the folder away while the second mail is under way.
    w.h.prompts.SetEcho([&](const std::string& line) {
        if (line.starts_with("2/3")) fs::rename(folder, movedAway);
    });
    Choice choice = DeletingChoice();
    choice.folder = folder.string();

    EXPECT_TRUE(w.Import(choice));

    ASSERT_EQ(w.h.prompts.Messages().size(), 1u);
    EXPECT_EQ(w.h.prompts.Messages()[0].request.title, "Korvane Mailimport (20)");
    EXPECT_TRUE(ctx.gImportDone);
    EXPECT_EQ(w.Count("DocMail"), 1);
    EXPECT_EQ(w.FilesIn(movedAway.string()), (std::vector<std::string>{"Et.msg"})) << "no temporary file left";
    EXPECT_FALSE(fs::exists(folder)) << "the import does not make the folder again";
    EXPECT_EQ(w.EntryIdsIn("Inbox").size(), 3u);
}

TEST_F(ImportBadInputTest, DatabaseRefusingTheThirdOfFiveKeepsTheFirstTwo) {
    std::vector<std::shared_ptr<outlook::Item>> mails;
    for (int i = 1; i <= 5; ++i)
        mails.push_back(w.AddMail(
            MailWith("Mail " + std::to_string(i), "Tue, 05 Mar 2024 14:0" + std::to_string(i) + ":00 +0100")));
    w.SelectInExplorer(mails);
    w.FailInsertNumber(3);

    EXPECT_TRUE(w.Import(DeletingChoice())) << "the dialog stays open";

    EXPECT_TRUE(ctx.gImportDone);
    EXPECT_EQ(ctx.gJobId, 0) << "the job is remembered only by a complete run";
    EXPECT_EQ(w.Count("DocMail"), 2);
    EXPECT_EQ(w.Count("JobDoc WHERE jobID = 417"), 2);
    EXPECT_EQ(w.FilesIn(w.JobFolder()), (std::vector<std::string>{"Mail 1.msg", "Mail 2.msg", "Mail 3.msg"}))
        << "the third file stays without its record, the rest are never written";
    EXPECT_EQ(w.EntryIdsIn("Inbox").size(), 5u);
    ASSERT_EQ(w.h.prompts.Messages().size(), 2u);
    EXPECT_EQ(w.h.prompts.Messages()[0].request.title, "UpdateDB");
    EXPECT_NE(w.h.prompts.Messages()[0].request.text.find("Indsættelse afvist"), std::string::npos);
    EXPECT_EQ(w.h.prompts.Messages()[1].request.text, "Der skete en fejl under importen til Korvane");
    EXPECT_EQ(w.h.prompts.Messages()[1].request.title, ui::kAppTitle);
    EXPECT_NE(w.Log().find("UpdateDB (10): "), std::string::npos) << w.Log();
    EXPECT_NE(w.Log().find("ERROR\t\tcmdImport_Click: Multi after PutInDB"), std::string::npos) << w.Log();
    EXPECT_EQ(w.pointerAfter, ui::pointer::Default);
    ASSERT_EQ(w.h.prompts.ProgressLog().back().current, 3) << "mails 4 and 5 are not touched";

    // Once the database takes rows again, the rest can be imported; the
    // first two are recognised as filed.
    ctx.gConnection->Execute("DROP TRIGGER kv_test_fail")->Close();
    w.h.prompts.QueueAnswer(ui::Answer::No);
    w.h.prompts.QueueAnswer(ui::Answer::No);
    EXPECT_FALSE(w.Import(DeletingChoice()));
    EXPECT_EQ(w.Count("DocMail"), 5);
    EXPECT_EQ(w.FilesIn(w.JobFolder()).size(), 6u) << "mail 3's first file stays; its new one is numbered";
    EXPECT_TRUE(fs::exists(fs::path(w.JobFolder()) / "Mail 3_1.msg"));
}

// The real file system, where another writer takes the chosen name between
// the look-up and the rename, once.
class RacingFileSystem final : public stdfs::StdFileSystem {
public:
    bool MoveFileNoReplace(const std::string& from, const std::string& to) override {
        if (!raced) {
            raced = true;
            std::ofstream(to, std::ios::binary) << "other";
        }
        return StdFileSystem::MoveFileNoReplace(from, to);
    }
    bool raced = false;
};

struct RacingImportTest : ::testing::Test {
    RacingFileSystem racing;  // outlives the world that uses it
    ImportWorld w;
    void SetUp() override {
        auto& h = w.h;
        w.dialog.reset();
        h.ctx = std::make_unique<AddinContext>(
            Platform{h.registry, h.database, racing, h.clock, h.random, h.prompts, h.view, *h.store, ModuleInfo{}});
        h.ctx->gLog.LogFile(h.LogPath());
        h.ctx->gLog.LogLevel(2);
        ASSERT_TRUE(h.Load());
        w.dialog = std::make_unique<frmKorvane>(*h.ctx);
    }
};

TEST_F(RacingImportTest, ANameTakenByAnotherWriterDuringTheSaveIsNotOverwritten) {
    w.OpenInInspector(w.AddMail(MailWith("Tilbud")));

    EXPECT_FALSE(w.Import(w.JobChoice()));

    EXPECT_TRUE(racing.raced);
    EXPECT_EQ(w.FilesIn(w.JobFolder()), (std::vector<std::string>{"Tilbud.msg", "Tilbud_1.msg"}));
    EXPECT_EQ(ReadFileText((fs::path(w.JobFolder()) / "Tilbud.msg").string()), "other");
    EXPECT_EQ(w.Scalar("SELECT FName AS v FROM DocMail"), Value("Tilbud_1.msg"));
    EXPECT_EQ(w.Scalar("SELECT DocTitle AS v FROM DocMail"), Value("Tilbud_1"));
}

}  // namespace
}  // namespace kv::importtest
