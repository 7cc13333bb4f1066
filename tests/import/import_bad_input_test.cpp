// An import that stops halfway: a folder that goes away, a database that
// refuses a row. Each ends with a clear outcome and nothing already filed is
// lost.
#include <gtest/gtest.h>

#include "import_world.hpp"

namespace kv::importtest {
namespace {

struct ImportBadInputTest : ::testing::Test {
    ImportWorld w;
    AddinContext& ctx = *w.h.ctx;

    Choice DeletingChoice() {
        Choice c = w.JobChoice();
        c.deleteValue = ui::CheckBox::Checked;
        return c;
    }
};

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

}  // namespace
}  // namespace kv::importtest
