// The resource list and the job list: filters, access, choosing, sorting,
// tooltip, and awkward names.
#include <functional>
#include <utility>

#include "dialog_fixture.hpp"

namespace kv::dialogtest {
namespace {

using ListsTest = DialogTest;

constexpr int kAlle = 0, kPersonale = 2, kKunder = 3, kTeknik = 7;

// Which rows each type lists for whom: frmKorvane_access_test.
TEST_F(ListsTest, ChosenTypeIsRememberedInTheSettings) {
    Open([&](frmKorvane& d) {
        user::SelectComboItem(d, "cboRessType", kTeknik);
        EXPECT_EQ(Keys(*d.Controls().lstvRess), (std::vector<std::string>{"R500"}));
        EXPECT_EQ(d.mRessType, kTeknik);
    });
    EXPECT_EQ(Setting("RessType"), kTeknik);
}

TEST_F(ListsTest, TypeChangeKeepsTheRememberedResourceWhenListed) {
    Open([&](frmKorvane& d) {
        user::SelectComboItem(d, "cboRessType", kKunder);
        user::ClickItem(d, "lstvRess", "R100");
        user::SelectComboItem(d, "cboRessType", kAlle);
        EXPECT_EQ(Setting("RessType"), kAlle) << "<Alle> is a type like any other";
        EXPECT_EQ(Selected(*d.Controls().lstvRess), "R100");
        user::SelectComboItem(d, "cboRessType", kPersonale);
        EXPECT_EQ(Selected(*d.Controls().lstvRess), "R3");
    });
    EXPECT_EQ(h.ctx->gRessId, 3);
}

TEST_F(ListsTest, TypeWithoutResourcesEmptiesListAndTreeAndKeepsTheJobs) {
    Sql("UPDATE Ress SET RessAktiv = 0 WHERE RessID IN (101, 102)");
    Open([&](frmKorvane& d) {
        const auto& c = d.Controls();
        user::ClickItem(d, "lstvRess", "R100");
        ASSERT_EQ(c.lstvJobs->Count(), 3);
        Sql("UPDATE Ress SET RessAktiv = 0 WHERE RessID = 100");
        user::SelectComboItem(d, "cboRessType", kKunder);
        EXPECT_EQ(c.lstvRess->Count(), 0);
        EXPECT_EQ(c.treeFolders->Count(), 0);
        EXPECT_EQ(c.lstvJobs->Count(), 3) << "the job list shows what it showed before";
        EXPECT_TRUE(c.lstvJobs->Visible());
        user::SelectComboItem(d, "cboRessType", kTeknik);
        EXPECT_EQ(c.lstvRess->Count(), 1);
        EXPECT_FALSE(c.lstvJobs->Visible());
    });
}

// A table gone behind any control that reads the database: shown, and the
// dialog stays.
TEST_F(ListsTest, ADatabaseFailureBehindAControlIsShownAndTheDialogStays) {
    const std::pair<const char*, std::function<void(frmKorvane&)>> cases[] = {
        {"Ress", [](frmKorvane& d) { user::SelectComboItem(d, "cboRessType", kKunder); }},
        {"Job", [](frmKorvane& d) { user::SelectComboItem(d, "cboActive", 2); }},
        {"Job", [](frmKorvane& d) { user::TypeText(d, "txtJobNavn", "Tag\r"); }},
        {"RessKunde", [](frmKorvane& d) { user::TypeText(d, "txtJobId", "417\r"); }},
    };
    std::size_t shown = 0;
    for (const auto& c : cases) {
        // Named copies: a lambda cannot capture the parts of a structured binding in every compiler.
        const char* table = c.first;
        const auto& act = c.second;
        SCOPED_TRACE(table);
        Open([&](frmKorvane& d) {
            user::ClickItem(d, "lstvRess", "R100");
            Sql(std::string("ALTER TABLE ") + table + " RENAME TO Gammel");
            act(d);
            EXPECT_TRUE(d.IsLoaded());
            Sql(std::string("ALTER TABLE Gammel RENAME TO ") + table);
        });
        ASSERT_EQ(h.prompts.Messages().size(), ++shown);
        EXPECT_NE(h.prompts.Messages().back().request.text.find(table), std::string::npos);
        EXPECT_EQ(h.prompts.Messages().back().request.title, ui::kAppTitle);
    }
}

TEST_F(ListsTest, AwkwardNamesAreShownAsStored) {
    const std::string longName(300, 'x');
    const std::string quoted = "\"Citat\" & 'Apostrof' ÆØÅ æøå";
    Sql("INSERT INTO Ress (RessID, RessNavn, RessTypeID, RessAktiv, mFldID, RessFld) VALUES (?, ?, 4, 1, 1, 'x')",
        {Value(700), Value(longName)});
    Sql("INSERT INTO Ress (RessID, RessNavn, RessTypeID, RessAktiv, mFldID, RessFld) VALUES (?, ?, 4, 1, 1, 'x')",
        {Value(701), Value(quoted)});
    Sql("INSERT INTO Job (JobID, ProjektID, JobNavn, JobStatusID) VALUES (?, 1001, ?, 1)", {Value(900), Value(quoted)});
    Sql("INSERT INTO Job (JobID, ProjektID, JobNavn, JobStatusID) VALUES (?, 1001, NULL, 1)", {Value(901)});
    Open([&](frmKorvane& d) {
        const auto& c = d.Controls();
        EXPECT_EQ(c.lstvRess->Item("R700").Text(), longName);
        EXPECT_EQ(c.lstvRess->Item("R701").Text(), quoted);
        // A resource without a ResFldPath row: the user is told, the list stays.
        user::ClickItem(d, "lstvRess", "R701");
        ASSERT_EQ(h.prompts.Messages().size(), 1u);
        EXPECT_NE(h.prompts.Messages()[0].request.text.find("(BuildFolderView)"), std::string::npos);
        user::ClickItem(d, "lstvRess", "R100");
        EXPECT_EQ(c.lstvJobs->Item("J900").SubItem(1), quoted);
        EXPECT_EQ(c.lstvJobs->Item("J901").SubItem(1), "");
        EXPECT_EQ(c.lstvJobs->Item("J901").ToolTipText(), "901 ");
    });
}

TEST_F(ListsTest, JobItemsCarryKeyNumberNameTagIconAndTooltip) {
    Open([&](frmKorvane& d) {
        user::ClickItem(d, "lstvRess", "R100");
        const auto& jobs = *d.Controls().lstvJobs;
        EXPECT_EQ(Keys(jobs), (std::vector<std::string>{"J417", "J418", "J419"}));
        const ui::ListItem& job = jobs.Item("J417");
        EXPECT_EQ(job.Text(), "417");
        EXPECT_EQ(job.SubItem(1), "Tagrenovering Søndergade 12");
        EXPECT_EQ(job.Tag(), Value(417));
        EXPECT_EQ(job.SmallIcon(), "job");
        EXPECT_EQ(job.ToolTipText(), "417 Tagrenovering Søndergade 12");
        EXPECT_EQ(jobs.SelectedItem(), nullptr);
        EXPECT_GE(h.view.DoEventsCount(), 1) << "the fill lets the list draw";
    });
}

TEST_F(ListsTest, StatusSwitchRefillsJobsAndKeepsTheTree) {
    Open([&](frmKorvane& d) {
        const auto& c = d.Controls();
        ChooseJob417(d);
        const int nodes = c.treeFolders->Count();
        user::SelectComboItem(d, "cboActive", 2);
        EXPECT_EQ(Keys(*c.lstvJobs), (std::vector<std::string>{"J417", "J418", "J419", "J420", "J421"}));
        user::SelectComboItem(d, "cboActive", 1);
        EXPECT_EQ(Keys(*c.lstvJobs), (std::vector<std::string>{"J420", "J421"}));
        EXPECT_EQ(c.treeFolders->Count(), nodes);
        EXPECT_EQ(c.treeFolders->Node(1).Tag(), JobFolder(417).string());
        EXPECT_EQ(h.ctx->gJobId, 417);
    });
    EXPECT_EQ(Setting("JobSetting"), 2);
}

TEST_F(ListsTest, StatusSwitchForANonCustomerOnlySavesAndEmpties) {
    Open([&](frmKorvane& d) {
        user::ClickItem(d, "lstvRess", "R100");
        user::ClickItem(d, "lstvRess", "R200");
        EXPECT_EQ(d.Controls().lstvJobs->Count(), 0);
        d.Controls().cboActive->SetListIndex(2);  // hidden from the user; the program still may
        EXPECT_EQ(d.Controls().lstvJobs->Count(), 0);
        // No resource at all (a click on the list's blank area): the same.
        d.Controls().lstvRess->SetSelectedItem(nullptr);
        d.Controls().cboActive->SetListIndex(1);
        EXPECT_EQ(d.Controls().lstvJobs->Count(), 0);
        EXPECT_TRUE(h.prompts.Messages().empty());
    });
    EXPECT_EQ(Setting("JobSetting"), 2);
}

TEST_F(ListsTest, SortingByTextThroughColumnClicks) {
    Sql("INSERT INTO Job (JobID, ProjektID, JobNavn, JobStatusID) VALUES (99, 1001, 'Zinktag', 1)");
    Sql("INSERT INTO Job (JobID, ProjektID, JobNavn, JobStatusID) VALUES (100, 1001, 'Altan', 1)");
    Open([&](frmKorvane& d) {
        const auto& jobs = *d.Controls().lstvJobs;
        user::ClickItem(d, "lstvRess", "R100");
        user::ClickColumn(d, "lstvJobs", 1);
        EXPECT_TRUE(jobs.Sorted());
        EXPECT_EQ(Keys(jobs), (std::vector<std::string>{"J99", "J419", "J418", "J417", "J100"}));
        user::ClickColumn(d, "lstvJobs", 1);
        EXPECT_EQ(Keys(jobs), (std::vector<std::string>{"J100", "J417", "J418", "J419", "J99"}));
        user::ClickColumn(d, "lstvJobs", 2);
        EXPECT_EQ(Keys(jobs), (std::vector<std::string>{"J100", "J418", "J417", "J419", "J99"}));
        EXPECT_EQ(d.mSortColumn, 1);
        EXPECT_FALSE(d.mSortDescending);
    });
    // The sort state outlives the showing.
    EXPECT_EQ(Dlg().mSortColumn, 1);
}

TEST_F(ListsTest, TooltipFollowsThePointer) {
    Open([&](frmKorvane& d) {
        const auto& jobs = *d.Controls().lstvJobs;
        user::ClickItem(d, "lstvRess", "R100");
        const double firstRow = jobs.HeaderHeight() + jobs.RowHeight() / 2.0;
        user::MoveMouse(d, "lstvJobs", 100, firstRow);
        EXPECT_EQ(jobs.ToolTipText(), "417 Tagrenovering Søndergade 12");
        user::MoveMouse(d, "lstvJobs", 100, firstRow + jobs.RowHeight());
        EXPECT_EQ(jobs.ToolTipText(), "418 Køkken til familien Østergaard");
        user::MoveMouse(d, "lstvJobs", 100, firstRow + 10 * jobs.RowHeight());
        EXPECT_EQ(jobs.ToolTipText(), "");
    });
}

}  // namespace
}  // namespace kv::dialogtest
