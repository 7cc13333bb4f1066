// cmdImport_Click over a real demo database, real folders and a real mail
// store: what lands on disk, in the database and in Outlook's folders.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <tuple>

#include "fakes/fake_file_system.hpp"
#include "fakes/scoped_env.hpp"
#include "import/import_command.hpp"
#include "import/import_support.hpp"
#include "import_world.hpp"
#include "support/utf.hpp"

namespace kv::importtest {
namespace {

std::string Sep() { return std::string(1, fakes::HostPaths().separator); }

struct ImportCommandTest : ::testing::Test {
    ImportWorld w;
    AddinContext& ctx = *w.h.ctx;

    static Mail MailAt(const std::string& subject, int minute) {
        return MailWith(subject, "Tue, 05 Mar 2024 14:" + std::string(minute < 10 ? "0" : "") + std::to_string(minute) +
                                     ":09 +0100");
    }
};

TEST_F(ImportCommandTest, SameSubjectThreeTimesGivesNumberedFilesAndOneDocumentEach) {
    auto a = w.AddMail(MailAt("Re: Tilbud 3/4", 1));
    auto b = w.AddMail(MailAt("Re: Tilbud 3/4", 2));
    auto c = w.AddMail(MailAt("Re: Tilbud 3/4", 3));
    w.SelectInExplorer({a, b, c});

    EXPECT_FALSE(w.Import(w.JobChoice())) << "a complete run closes the dialog";

    EXPECT_EQ(w.FilesIn(w.JobFolder()),
              (std::vector<std::string>{"Re_ Tilbud 3_4.msg", "Re_ Tilbud 3_4_1.msg", "Re_ Tilbud 3_4_2.msg"}));
    EXPECT_EQ(w.Count("DocMail"), 3);
    EXPECT_EQ(w.Count("JobDoc WHERE jobID = 417"), 3);
    EXPECT_EQ(w.Count("DocMail WHERE FName = 'Re_ Tilbud 3_4_2.msg' AND DocTitle = 'Re_ Tilbud 3_4_2' "
                      "AND Subject = 'Re_ Tilbud 3_4'"),
              1);
    EXPECT_EQ(w.Count("DocMailImport"), 0) << "the procedure filed every row";
    EXPECT_TRUE(ctx.gImportDone);
    EXPECT_EQ(ctx.gJobId, demo::ActiveJob);
    EXPECT_TRUE(w.h.prompts.Messages().empty());
    EXPECT_EQ(w.EntryIdsIn("Inbox").size(), 3u) << "nothing moved without the delete box";
    ASSERT_EQ(w.h.prompts.ProgressLog().size(), 3u);
    EXPECT_EQ(w.h.prompts.ProgressLog()[1].current, 2);
    EXPECT_EQ(w.h.prompts.ProgressLog()[1].total, 3);
    EXPECT_EQ(w.h.prompts.ProgressLog()[1].text, "Re: Tilbud 3/4");
}

TEST_F(ImportCommandTest, SubFolderTextIsThePathBelowTheDocumentFolder) {
    auto first = w.AddMail(MailAt("Et", 1));
    Choice choice = w.JobChoice();
    choice.folder = w.JobFolder() + Sep() + "Korrespondance" + Sep() + "2024";
    // A checked box the dialog disabled (an unsent mail's) moves nothing.
    choice.deleteValue = ui::CheckBox::Checked;
    choice.deleteEnabled = false;
    w.OpenInInspector(first);
    EXPECT_FALSE(w.Import(choice));
    EXPECT_EQ(w.FilesIn(choice.folder), (std::vector<std::string>{"Et.msg"}));
    EXPECT_EQ(w.EntryIdsIn("Inbox"), (std::vector<std::string>{first->EntryID()}));
    EXPECT_EQ(w.Scalar("SELECT SubFld AS v FROM DocMail WHERE FName = 'Et.msg'"),
              Value("Korrespondance" + Sep() + "2024"));

    // The document folder itself: no sub-folder text at all.
    auto second = w.AddMail(MailAt("To", 2));
    w.OpenInInspector(second);
    EXPECT_FALSE(w.Import(w.JobChoice()));
    EXPECT_TRUE(w.Scalar("SELECT SubFld AS v FROM DocMail WHERE FName = 'To.msg'").IsNull());
}

// What the import asks of the database, to the letter: the duplicate check
// for a job and for a resource, the import row and the filing procedure.
// The received time is the host's local time and the size the written
// file's, so those two are read back rather than written here.
TEST_F(ImportCommandTest, StatementsSentForAJobAndAResourceImport) {
    Choice supplier;
    supplier.ressId = demo::Supplier;
    supplier.ressType = 4;
    supplier.jobId = 0;
    supplier.root = w.ResourceFolder(demo::Supplier);
    struct Case {
        Choice choice;
        std::string duplicateQuery, target;
    };
    const std::vector<Case> cases = {
        {w.JobChoice(),
         " SELECT JobDoc.DocId FROM JobDoc Inner Join DocMail on JobDoc.Docid=DocMail.DocID "
         " WHERE Sender=?  AND Subject=?  AND Recieved=? AND JobDoc.jobID=417",
         "ResId=100, JobId=417"},
        {supplier,
         " SELECT ResDoc.RDocId FROM ResDoc Inner Join DocMail on ResDoc.RDocId=DocMail.DocID "
         " WHERE Sender=?  AND Subject=?  AND Recieved=? AND ResDoc.ResId=200",
         "ResId=200"},
    };
    int minute = 0;
    for (const auto& c : cases) {
        auto mail = w.AddMail(MailAt("Tilbud 3/4 fra O'Brien", ++minute));
        const std::string received = fakes::DescribeValue(Value(mail->ReceivedTime()));
        w.SelectInExplorer({mail});
        w.h.view.QueueUser([&](ui::Form& form) {
            w.Choose(c.choice);
            w.h.database.Clear();
            ui::user::ClickButton(form, "cmdImport");
        });
        w.dialog->ShowModal();
        const std::string size = std::to_string(fs::file_size(fs::path(c.choice.root) / "Tilbud 3_4 fra OBrien.msg"));
        EXPECT_EQ(w.h.database.Statements(),
                  (std::vector<std::string>{
                      c.duplicateQuery + " | 'Salg [salg@kunde.dk]', 'Tilbud 3_4 fra OBrien', " + received,
                      "SELECT OrdId FROM DocMailImport WHERE OrdId = ? | 536821762",
                      "INSERT SELECT * FROM DocMailImport WHERE ImpId = -1  | DocTitle='Tilbud 3_4 fra OBrien', "
                      "DocAuthorId=1, " +
                          c.target + ", DocDate=#2024-03-05 14:07:09#, FExt='msg', FSize=" + size +
                          ", FName='Tilbud 3_4 fra OBrien.msg', IconID=34, Subject='Tilbud 3_4 fra OBrien', "
                          "Sender='Salg [salg@kunde.dk]', Received=" +
                          received +
                          ", Attachments=0, Importance=1, mailto='Mette', mailcc=NULL, mailbcc=NULL, Body='Hej\r\n', "
                          "OrdId=536821762",
                      "CALL DocMailImportExec | 1=536821762"}));
    }
}

TEST_F(ImportCommandTest, NonMailItemsAreSkippedWithoutAQuestionAndNotMoved) {
    auto first = w.AddMail(MailAt("Første", 1));
    auto meeting = w.AddSample("moede.ics");
    auto contact = w.AddSample("kontakt.vcf");
    auto last = w.AddMail(MailAt("Sidste", 2));
    w.SelectInExplorer({first, meeting, contact, last});
    Choice choice = w.JobChoice();
    choice.deleteValue = ui::CheckBox::Checked;

    EXPECT_FALSE(w.Import(choice));

    EXPECT_TRUE(w.h.prompts.Messages().empty());
    EXPECT_EQ(w.FilesIn(w.JobFolder()), (std::vector<std::string>{"Første.msg", "Sidste.msg"}));
    const auto deleted = w.EntryIdsIn("Deleted Items");
    EXPECT_EQ(deleted, Sorted({first->EntryID(), last->EntryID()}));
    EXPECT_EQ(w.EntryIdsIn("Inbox"), Sorted({meeting->EntryID(), contact->EntryID()}));
}

// A mail filed before, imported again with the delete box checked: the
// question, and what is saved, recorded and moved after each answer. A mail
// open in its own window leaves the import whatever the answer.
TEST_F(ImportCommandTest, AMailFiledBeforeIsAskedAboutAndHandledAsAnswered) {
    struct Case {
        const char* name;
        bool inspector;
        ui::Answer answer;
        const char* question;
        std::vector<std::string> files;
        bool moved;
    };
    const Case cases[] = {
        {"explorer, declined",
         false,
         ui::Answer::No,
         "Mail Tilbud findes allerede i databasen, Vil du alligevel importerer det",
         {"Tilbud.msg"},
         false},
        {"explorer, confirmed",
         false,
         ui::Answer::Yes,
         "Mail Tilbud findes allerede i databasen, Vil du alligevel importerer det",
         {"Tilbud.msg", "Tilbud_1.msg"},
         true},
        {"inspector, declined",
         true,
         ui::Answer::No,
         "Mail findes allerede i databasen, Vil du alligevel importerer det",
         {"Tilbud.msg"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImportWorld world;
        auto mail = world.AddMail(MailAt("Tilbud", 1));
        if (c.inspector) world.OpenInInspector(mail);
        else world.SelectInExplorer({mail});
        ASSERT_FALSE(world.Import(world.JobChoice()));
        ASSERT_EQ(world.Count("DocMail"), 1);

        world.h.prompts.QueueAnswer(c.answer);
        Choice choice = world.JobChoice();
        choice.deleteValue = ui::CheckBox::Checked;
        EXPECT_FALSE(world.Import(choice));

        ASSERT_EQ(world.h.prompts.Messages().size(), 1u);
        const auto& q = world.h.prompts.Messages()[0].request;
        EXPECT_EQ(
            std::tie(q.text, q.buttons, q.icon, q.title),
            std::make_tuple(std::string(c.question), ui::Buttons::YesNo, ui::Icon::None, std::string(ui::kAppTitle)));
        EXPECT_EQ(world.FilesIn(world.JobFolder()), c.files);
        EXPECT_EQ(world.Count("DocMail"), static_cast<std::int32_t>(c.files.size()));
        EXPECT_EQ(world.EntryIdsIn(c.moved ? "Deleted Items" : "Inbox"), (std::vector<std::string>{mail->EntryID()}));
    }
}

// The night the clocks go back in Copenhagen, 02:30 comes twice. The host
// reports UTC, so the two mails are stored an hour apart and neither is
// taken for the other; the duplicate check still finds each of them again.
TEST_F(ImportCommandTest, TwoMailsAtTheRepeatedHourAreNoDuplicates) {
    const fakes::ScopedEnv zone("TZ", "Europe/Copenhagen");
    tzset();
    auto first = w.AddMail(MailWith("Alarm", "Sun, 27 Oct 2024 02:30:00 +0200"));
    auto second = w.AddMail(MailWith("Alarm", "Sun, 27 Oct 2024 02:30:00 +0100"));
    w.SelectInExplorer({first, second});
    EXPECT_FALSE(w.Import(w.JobChoice()));
    EXPECT_TRUE(w.h.prompts.Messages().empty()) << "the second mail was taken for the first";
    EXPECT_EQ(w.FilesIn(w.JobFolder()), (std::vector<std::string>{"Alarm.msg", "Alarm_1.msg"}));
    EXPECT_EQ(w.Count("DocMail WHERE Recieved = '2024-10-27 00:30:00'"), 1);
    EXPECT_EQ(w.Count("DocMail WHERE Recieved = '2024-10-27 01:30:00'"), 1);

    w.SelectInExplorer({second});
    w.h.prompts.QueueAnswer(ui::Answer::No);
    EXPECT_FALSE(w.Import(w.JobChoice()));
    EXPECT_EQ(w.h.prompts.Messages().size(), 1u) << "importing the same mail again asks";
}

TEST_F(ImportCommandTest, ImportAndLukPressedDuringTheQuestionCannotCutIntoTheRun) {
    // The question's own message loop may let presses on the dialog through.
    for (bool inspector : {false, true}) {
        SCOPED_TRACE(inspector ? "inspector" : "explorer");
        ImportWorld world;
        auto filedBefore = world.AddMail(MailAt("Tilbud", 1));
        auto fresh = world.AddMail(MailAt("Nyt", 2));
        if (inspector) world.OpenInInspector(filedBefore);
        else world.SelectInExplorer({filedBefore});
        ASSERT_FALSE(world.Import(world.JobChoice()));
        if (!inspector) world.SelectInExplorer({filedBefore, fresh});

        world.h.prompts.SetMessageResponder([&](const ui::MessageBoxRequest&) -> std::optional<ui::Answer> {
            ui::user::ClickButton(*world.dialog, "cmdImport");
            ui::user::ClickButton(*world.dialog, "cmdClose");
            EXPECT_TRUE(world.dialog->IsLoaded()) << "Luk waits for the run";
            return ui::Answer::Yes;
        });
        Choice choice = world.JobChoice();
        choice.deleteValue = ui::CheckBox::Checked;
        EXPECT_FALSE(world.Import(choice)) << "the run closes the dialog itself";

        EXPECT_EQ(world.h.prompts.Messages().size(), 1u) << "one question, no second run";
        const std::vector<std::string> files = inspector
                                                   ? std::vector<std::string>{"Tilbud.msg", "Tilbud_1.msg"}
                                                   : std::vector<std::string>{"Nyt.msg", "Tilbud.msg", "Tilbud_1.msg"};
        EXPECT_EQ(world.FilesIn(world.JobFolder()), files);
        EXPECT_EQ(world.Count("DocMail"), static_cast<std::int32_t>(files.size()));
        EXPECT_EQ(world.EntryIdsIn("Deleted Items").size(), inspector ? 1u : 2u)
            << "moved through the run's own window";
        EXPECT_NE(world.Log().find("WARNING\t\tcmdImport_Click: the import runs already; this press is ignored"),
                  std::string::npos)
            << world.Log();
    }
}

TEST_F(ImportCommandTest, InspectorNonMailNeverReachesTheImport) {
    // The dialog's loading asks the mail for its sender, which an item that is
    // no mail cannot answer: the dialog does not open and nothing is touched.
    auto meeting = w.AddSample("moede.ics");
    w.OpenInInspector(meeting);
    Choice choice = w.JobChoice();
    choice.deleteValue = ui::CheckBox::Checked;
    EXPECT_THROW(w.Import(choice), kv::Error);
    ctx.gImportMail = nullptr;
    EXPECT_THROW(w.Import(choice), kv::Error);
    EXPECT_TRUE(w.FilesIn(w.JobFolder()).empty());
    EXPECT_FALSE(ctx.gImportDone);
    EXPECT_TRUE(w.EntryIdsIn("Deleted Items").empty());
    EXPECT_TRUE(w.h.prompts.Messages().empty());
}

TEST_F(ImportCommandTest, TheProgressDisplayIsDownOnEveryWayOutOfTheImport) {
    // Each way a run over several mails can end; the display must be gone
    // afterwards, and gone before any message that ends the run.
    struct Way {
        const char* name;
        std::function<void(ImportWorld&, Choice&)> arrange;
        std::size_t progressSteps;
    };
    const std::vector<Way> ways = {
        {"every mail filed", [](ImportWorld&, Choice&) {}, 3},
        {"selection ending in items that are no mails",
         [](ImportWorld& w, Choice&) {
             w.SelectInExplorer({w.AddMail(MailAt("Et", 1)), w.AddMail(MailAt("To", 2)), w.AddMail(MailAt("Tre", 3)),
                                 w.AddSample("moede.ics"), w.AddSample("kontakt.vcf")});
         },
         3},
        {"a mail that could not be recorded", [](ImportWorld& w, Choice&) { w.FailInsertNumber(2); }, 2},
        {"a failure while saving",
         [](ImportWorld& w, Choice& choice) { choice.folder = w.JobFolder() + Sep() + "Fjernet"; }, 1},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        ImportWorld world;
        world.SelectInExplorer(
            {world.AddMail(MailAt("Et", 1)), world.AddMail(MailAt("To", 2)), world.AddMail(MailAt("Tre", 3))});
        Choice choice = world.JobChoice();
        way.arrange(world, choice);
        std::vector<bool> shownUnderMessage;
        world.h.prompts.SetMessageResponder([&](const ui::MessageBoxRequest&) -> std::optional<ui::Answer> {
            shownUnderMessage.push_back(world.h.prompts.ProgressShown());
            return std::nullopt;
        });
        world.Import(choice);
        ASSERT_FALSE(world.h.prompts.ProgressLog().empty());
        EXPECT_EQ(static_cast<std::size_t>(world.h.prompts.ProgressLog().back().current), way.progressSteps);
        EXPECT_FALSE(world.h.prompts.ProgressShown());
        EXPECT_EQ(shownUnderMessage, std::vector<bool>(shownUnderMessage.size(), false))
            << "no message is covered by the display";
    }
}

// A caller without the dialog (a service filing an uploaded mail) that hands
// over no mail or no explorer learns it, with the step, instead of a crash.
TEST_F(ImportCommandTest, ASourceWithNothingInItIsNamedWithItsStep) {
    for (const bool oneMail : {true, false}) {
        ImportProgress progress;
        try {
            RunImport(ctx, ImportChoice{}, ImportSource{oneMail, nullptr, nullptr}, progress);
            ADD_FAILURE() << "nothing to import went through";
        } catch (const Error& e) {
            EXPECT_EQ(e.Number(), 91) << oneMail;
        }
        EXPECT_EQ(progress.step, oneMail ? 8 : 14);
    }
}

TEST_F(ImportCommandTest, NothingHappensWithoutAChosenFolder) {
    auto mail = w.AddMail(MailAt("Et", 1));
    w.OpenInInspector(mail);
    Choice noNode = w.JobChoice();
    noNode.folderSelected = false;
    noNode.deleteValue = ui::CheckBox::Checked;
    EXPECT_TRUE(w.Import(noNode));
    EXPECT_EQ(w.pointerAfter, ui::pointer::Default);
    Choice emptyTag = noNode;
    emptyTag.folderSelected = true;
    emptyTag.folder = w.JobFolder() + Sep() + "Tilbud";
    emptyTag.folderTagEmpty = true;
    EXPECT_TRUE(w.Import(emptyTag));
    EXPECT_EQ(w.pointerAfter, ui::pointer::Default);

    EXPECT_TRUE(w.h.prompts.Messages().empty());
    EXPECT_EQ(w.Count("DocMail"), 0);
    EXPECT_FALSE(ctx.gImportDone);
    EXPECT_EQ(w.EntryIdsIn("Inbox").size(), 1u);
}

}  // namespace
}  // namespace kv::importtest

namespace kv::importtest {
namespace {

TEST(SubFolderText, PathBelowTheDocumentFolderWithoutLeadingSeparator) {
    const std::string s(1, fakes::HostPaths().separator);
    const std::string root = s + "share" + s + "Jobs" + s + "417";
    EXPECT_EQ(SubFolderText(root + s + "Mails" + s + "Ind", root, fakes::HostPaths()), "Mails" + s + "Ind");
    EXPECT_EQ(SubFolderText(root + s + "Mails", root + s, fakes::HostPaths()), "Mails")
        << "a root tag ending in a separator";
    EXPECT_EQ(SubFolderText(root, root, fakes::HostPaths()), "");
    const std::string deep = root + s + std::string(300, 'x');
    EXPECT_EQ(SubFolderText(deep, root, fakes::HostPaths()), std::string(254, 'x'))
        << "255 characters are taken with the separator, which is then dropped";
    EXPECT_EQ(SubFolderText(deep, root + s, fakes::HostPaths()), std::string(255, 'x'));
    const std::string danish = root + s + std::string(100, 'x') + "\xF0\x9F\x98\x80" + std::string(200, 'y');
    EXPECT_EQ(utf::Utf16Length(SubFolderText(danish, root, fakes::HostPaths())), 254u)
        << "a surrogate pair is not cut in half";
}

}  // namespace
}  // namespace kv::importtest
