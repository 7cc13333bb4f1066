// Opening and closing the dialog: remembered settings, re-selection of the
// last resource and job, caption, the delete box for unsent mails, layout.
#include <filesystem>
#include <fstream>

#include "dialog_fixture.hpp"

namespace kv::dialogtest {
namespace {

using LoadTest = DialogTest;

const std::string kCaption = "Import af mails til Korvane, Mette Sørensen (ver. 1.0.150)";

TEST_F(LoadTest, FirstOpeningWritesTheDefaultsAndChoosesTheFirstResource) {
    ASSERT_FALSE(Setting("JobSetting"));
    Open([&](frmKorvane& d) {
        EXPECT_EQ(d.Controls().cboActive->Text(), "Aktive jobs");
        EXPECT_EQ(d.Controls().cboRessType->Text(), "<Alle>");
        EXPECT_EQ(d.Controls().chkDelete->Value(), 0);
        EXPECT_TRUE(d.Controls().chkDelete->Enabled());
        EXPECT_FALSE(d.mLoading);
        // Staff come first under <Alle>; the first is chosen.
        EXPECT_EQ(Selected(*d.Controls().lstvRess), "R3");
        EXPECT_EQ(d.Controls().lblFolder->Caption(), "3");
    });
    EXPECT_EQ(Setting("JobSetting"), 1);
    EXPECT_EQ(Setting("MailDelete"), 0);
    EXPECT_FALSE(Setting("RessType"));
    EXPECT_EQ(h.ctx->gRessId, 3);
    EXPECT_TRUE(h.prompts.Messages().empty()) << h.MessageTexts().front();
}

TEST_F(LoadTest, CaptionCarriesUserAndVersionOnceAtEveryOpening) {
    Open();
    Open();
    h.ctx->gUserRessId = 999;  // a user without a resource row: an empty name
    Open();
    ASSERT_EQ(h.view.Showings().size(), 3u);
    EXPECT_EQ(h.view.Showings()[0].captionShown, kCaption);
    EXPECT_EQ(h.view.Showings()[1].captionShown, kCaption);
    EXPECT_EQ(h.view.Showings()[2].captionShown, "Import af mails til Korvane,  (ver. 1.0.150)");
}

// A stored resource type outside the box's items shows <Alle> but filters
// by the stored number (nothing is listed), and is not written back; a job
// setting or delete box the controls cannot take shows its default and is
// repaired.
TEST_F(LoadTest, StoredChoicesTheControlsCannotTake) {
    struct Case {
        const char* name;
        std::int32_t stored;
        int shown;                            // the box's index, the check box's value
        std::optional<std::int32_t> written;  // what the setting holds afterwards
    } cases[] = {
        {"RessType", 9, 0, 9},   {"RessType", -1, 0, -1},  {"RessType", 1, 1, 1},    {"RessType", 8, 8, 8},
        {"JobSetting", 0, 0, 1}, {"JobSetting", 4, 0, 1},  {"JobSetting", -7, 0, 1}, {"MailDelete", 2, 2, 2},
        {"MailDelete", 3, 0, 0}, {"MailDelete", -1, 0, 0}, {"MailDelete", 99, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.stored));
        settings::WriteNumber(h.registry, c.name, c.stored);
        Open([&](frmKorvane& d) {
            const auto& k = d.Controls();
            const std::string name = c.name;
            if (name == "RessType") {
                EXPECT_EQ(k.cboRessType->ListIndex(), c.shown);
                EXPECT_EQ(d.mRessType, c.stored);
                if (c.shown == 0) {
                    EXPECT_EQ(k.lstvRess->Count(), 0);
                    EXPECT_EQ(k.treeFolders->Count(), 0);
                    EXPECT_FALSE(k.lstvJobs->Visible());
                }
            } else {
                EXPECT_EQ(name == "JobSetting" ? k.cboActive->ListIndex() : k.chkDelete->Value(), c.shown);
            }
        });
        EXPECT_EQ(Setting(c.name), c.written);
    }
    EXPECT_EQ(h.view.Showings().size(), std::size(cases)) << "every case was shown";
}

TEST_F(LoadTest, StoredChoicesAreShownWithoutBeingWrittenBack) {
    settings::WriteNumber(h.registry, "JobSetting", 3);
    settings::WriteNumber(h.registry, "MailDelete", 1);
    settings::WriteNumber(h.registry, "RessType", 3);
    settings::WriteNumber(h.registry, "LogLevel", 4);
    Open([&](frmKorvane& d) {
        EXPECT_EQ(d.Controls().cboActive->Text(), "Alle jobs");
        EXPECT_EQ(d.Controls().chkDelete->Value(), 1);
        EXPECT_EQ(d.Controls().cboRessType->Text(), "Kunder og Internt");
        // The first customer by name, with its closed job too.
        EXPECT_EQ(Selected(*d.Controls().lstvRess), "R101");
        EXPECT_EQ(Keys(*d.Controls().lstvJobs), (std::vector<std::string>{"J430", "J431"}));
        user::ClickCheckBox(d, "chkDelete");
    });
    EXPECT_EQ(h.ctx->gLog.LogLevel(), 4);
    EXPECT_EQ(Setting("MailDelete"), 0);
    EXPECT_EQ(Setting("JobSetting"), 3);
}

TEST_F(LoadTest, LogLevelZeroKeepsTheLogsOwnLevel) {
    settings::WriteNumber(h.registry, "LogLevel", 0);
    Open();
    EXPECT_EQ(h.ctx->gLog.LogLevel(), 1);
}

TEST_F(LoadTest, RemembersResourceAndJobAcrossOpenings) {
    Open([&](frmKorvane& d) { ChooseJob417(d); });
    EXPECT_EQ(h.ctx->gRessId, demo::CustomerWithJobs);
    EXPECT_EQ(h.ctx->gJobId, demo::ActiveJob);
    Open([&](frmKorvane& d) {
        const auto& c = d.Controls();
        EXPECT_EQ(Selected(*c.lstvRess), "R100");
        EXPECT_EQ(Selected(*c.lstvJobs), "J417");
        ASSERT_GT(c.treeFolders->Count(), 0);
        EXPECT_EQ(c.treeFolders->Node(1).Tag(), JobFolder(417).string());
        EXPECT_TRUE(c.treeFolders->Node(1).Expanded());
        EXPECT_EQ(c.lblFolder->Caption(), "417");
    });
    EXPECT_TRUE(h.prompts.Messages().empty());
}

// A remembered job far down a long list is scrolled into view.
TEST_F(LoadTest, ARememberedJobFarDownItsListIsInView) {
    for (int id = 500; id < 560; ++id)
        Sql("INSERT INTO Job (JobID, ProjektID, JobNavn, JobStatusID) VALUES (?, 1001, 'Sag', 1)", {Value(id)});
    h.ctx->gRessId = demo::CustomerWithJobs;
    h.ctx->gJobId = 559;
    Open([&](frmKorvane& d) {
        const ui::ListView& jobs = *d.Controls().lstvJobs;
        ASSERT_EQ(Selected(jobs), "J559");
        EXPECT_GT(jobs.TopIndex(), 0);
        EXPECT_TRUE(jobs.IsScrolledIntoView(*jobs.SelectedItem()));
    });
}

// A remembered choice the lists no longer hold is let go of quietly: a
// closed job under "Aktive jobs", a job for a non-customer, a resource made
// inactive.
TEST_F(LoadTest, RememberedChoicesNoLongerListed) {
    struct Case {
        std::int32_t ress, job;
        const char* sql;
        const char* selected;
        std::int32_t folder;  // the resource whose folder the tree shows
    } cases[] = {
        {demo::CustomerWithJobs, demo::ClosedJob, "", "R100", 100},
        {demo::Supplier, demo::ActiveJob, "", "R200", 200},
        {demo::CustomerWithJobs, 0, "UPDATE Ress SET RessAktiv = 0 WHERE RessID = 100", "R3", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected);
        h.ctx->gRessId = c.ress;
        h.ctx->gJobId = c.job;
        if (*c.sql) Sql(c.sql);
        Open([&](frmKorvane& d) {
            EXPECT_EQ(Selected(*d.Controls().lstvRess), c.selected);
            EXPECT_EQ(d.Controls().lstvJobs->SelectedItem(), nullptr);
            EXPECT_EQ(d.Controls().treeFolders->Node(1).Tag(), ResourceFolder(c.folder).string());
        });
        EXPECT_EQ(h.ctx->gJobId, c.job) << "kept for when it is listed again";
    }
    EXPECT_EQ(h.ctx->gRessId, 3);
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(LoadTest, UnsentInspectorMailDisablesTheDeleteBoxButKeepsItsState) {
    settings::WriteNumber(h.registry, "MailDelete", 1);
    h.ctx->gImportFromInspector = true;
    // A draft whose From account was chosen: the host names it as the
    // sender, yet the mail is unsent.
    const std::filesystem::path fromAccount = h.dir.Path() / "fra_konto.eml";
    std::ofstream(fromAccount, std::ios::binary)
        << "X-Unsent: 1\r\nFrom: Demo Bruger <demo@korvane.example>\r\nTo: a@b.dk\r\nSubject: Udkast\r\n\r\nHej\r\n";
    for (const std::filesystem::path& draft : {fakes::TestData("draft_ok.eml"), fromAccount}) {
        h.ctx->gImportMail = h.store->AddItemFile("Drafts", draft);
        Open([&](frmKorvane& d) {
            EXPECT_FALSE(d.Controls().chkDelete->Enabled()) << draft;
            EXPECT_EQ(d.Controls().chkDelete->Value(), 1);
        });
    }
    h.ctx->gImportMail = h.store->AddItemFile("Inbox", fakes::TestData("rapport_utf8.eml"));
    Open([&](frmKorvane& d) { EXPECT_TRUE(d.Controls().chkDelete->Enabled()); });
}

TEST_F(LoadTest, ClosingLetsGoOfTheExplorerOnly) {
    h.ctx->gImportExplorer = h.store->OpenExplorer("Inbox");
    ASSERT_NE(h.ctx->gImportExplorer, nullptr);
    Open([&](frmKorvane& d) {
        ChooseJob417(d);
        user::ClickButton(d, "cmdClose");
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_FALSE(h.view.Showings().at(0).closedByUser) << "Luk closed it, not the close box";
    EXPECT_EQ(h.ctx->gImportExplorer, nullptr);
    EXPECT_EQ(h.ctx->gJobId, demo::ActiveJob);
    EXPECT_EQ(h.ctx->gRessId, demo::CustomerWithJobs);
}

TEST_F(LoadTest, ALoadFailureReachesTheCallerAndNothingIsShown) {
    h.ctx->gConnection.reset();
    EXPECT_THROW(Dlg().ShowModal(), Error);
    EXPECT_TRUE(h.view.Showings().empty());
    EXPECT_FALSE(Dlg().mLoading);
    EXPECT_FALSE(Dlg().IsLoaded());
}

// A customer shows the job controls (tag "j") with the folder controls
// ("f", "f1") right of them; anything else hides the jobs and moves the
// folders to where the job list starts. The type is the item's tag: a
// number, its text, other text or nothing.
TEST_F(LoadTest, LayoutFollowsTheChosenResourceType) {
    Open([&](frmKorvane& d) {
        const auto& c = d.Controls();
        const auto expectLayout = [&](bool customer) {
            EXPECT_EQ(c.treeFolders->Width(), customer ? 3135 : 8175);
            EXPECT_EQ(c.treeFolders->Left() + c.treeFolders->Width(), 11055);
            EXPECT_EQ(c.lblFolder->Left(), customer ? 8880 : 3840);
            for (const ui::Control* control : static_cast<ui::Form&>(d).Controls()) {
                if (control->Tag() == "j") {
                    EXPECT_EQ(control->Visible(), customer) << control->Name();
                } else if (control->Tag() == "f") {
                    EXPECT_EQ(control->Left(), customer ? 7920 : 2880) << control->Name();
                }
            }
            // Untagged controls stay where they were designed.
            EXPECT_EQ(c.lstvRess->Left(), 120);
            EXPECT_EQ(c.cmdImport->Left(), 8520);
        };
        for (const auto& [key, customer] : {std::pair{"R100", true}, {"R200", false}, {"R101", true}}) {
            SCOPED_TRACE(key);
            user::ClickItem(d, "lstvRess", key);
            expectLayout(customer);
        }
        int n = 0;
        for (const auto& [tag, customer] :
             {std::pair{Value("3"), true}, {Value("kunde"), false}, {Value(3), true}, {Value(), false}}) {
            SCOPED_TRACE(++n);
            d.ArrangeForRessType(tag);
            expectLayout(customer);
        }
    });
}

}  // namespace
}  // namespace kv::dialogtest
