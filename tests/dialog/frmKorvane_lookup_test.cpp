// Job lookup by number (key filter, access, restoring the previous choice)
// and by name (prefix, then containment; typed text bound, not spliced).
#include <utility>

#include "dialog/frmKorvane_helpers.hpp"
#include "dialog_fixture.hpp"

namespace kv::dialogtest {
namespace {

// The lookup boxes are job controls: a customer is chosen to begin with.
struct LookupTest : DialogTest {
    void SetUp() override {
        DialogTest::SetUp();
        h.ctx->gRessId = demo::CustomerWithJobs;
    }
};

std::string NotFound(int job) { return "Job nr " + std::to_string(job) + " blev ikke fundet "; }

TEST_F(LookupTest, KeyFilterTakesDigitsUpTo32BitsAndControlKeys) {
    Open([&](frmKorvane& d) {
        ui::TextBox& box = *d.Controls().txtJobId;
        user::TypeText(d, "txtJobId", "2147483647");
        EXPECT_EQ(box.Text(), "2147483647");
        user::TypeText(d, "txtJobId", "0");
        EXPECT_EQ(box.Text(), "2147483647") << "2147483647 followed by 0 is too large";
        box.SetText("214748364");
        user::TypeText(d, "txtJobId", "8");
        EXPECT_EQ(box.Text(), "214748364") << "2147483648 is refused";
        user::TypeText(d, "txtJobId", "7");
        EXPECT_EQ(box.Text(), "2147483647");
        box.SetText("");
        user::TypeText(d, "txtJobId", "4a b-1.7,æ");
        EXPECT_EQ(box.Text(), "417");
        EXPECT_FALSE(box.UserPressKey(ui::keys::Escape));
        EXPECT_TRUE(box.UserPressKey(ui::keys::Backspace));
        EXPECT_EQ(box.Text(), "41");
    });
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(LookupTest, EnterWithoutANumberAsksForOne) {
    Open([&](frmKorvane& d) {
        user::TypeText(d, "txtJobId", "\r");
        user::PasteText(d, "txtJobId", "12a");
        user::TypeText(d, "txtJobId", "\r");
    });
    ASSERT_EQ(h.MessageTexts(),
              (std::vector<std::string>{"Du har ikke indtastet et jobid.", "Du har ikke indtastet et jobid."}));
    EXPECT_EQ(h.prompts.Messages()[0].request.title, ui::kAppTitle);
}

TEST_F(LookupTest, PastedNumberTooLargeShowsTheFailure) {
    Open([&](frmKorvane& d) {
        user::PasteText(d, "txtJobId", "99999999999");
        user::TypeText(d, "txtJobId", "\r");
        EXPECT_TRUE(d.IsLoaded());
    });
    EXPECT_EQ(h.MessageTexts(), std::vector<std::string>{"Overflow"});
}

TEST_F(LookupTest, JobZeroDoesNothing) {
    Open([&](frmKorvane& d) {
        user::TypeText(d, "txtJobId", "0\r");
        EXPECT_EQ(Selected(*d.Controls().lstvRess), "R100");
        EXPECT_EQ(d.Controls().lstvJobs->SelectedItem(), nullptr);
    });
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(LookupTest, NumberSelectsCustomerAndJobAsClicksWould) {
    h.ctx->gRessId = 101;
    Open([&](frmKorvane& d) {
        const auto& c = d.Controls();
        user::TypeText(d, "txtJobId", "418");
        EXPECT_EQ(Selected(*c.lstvRess), "R101") << "nothing happens before Enter";
        user::TypeText(d, "txtJobId", "\r");
        EXPECT_EQ(Selected(*c.lstvRess), "R100");
        EXPECT_EQ(Selected(*c.lstvJobs), "J418");
        EXPECT_TRUE(c.lstvJobs->IsScrolledIntoView(c.lstvJobs->Item("J418")));
        EXPECT_EQ(c.treeFolders->Node(1).Tag(), JobFolder(418).string());
        EXPECT_TRUE(c.lstvJobs->Visible());
    });
    EXPECT_EQ(h.ctx->gJobId, 418);
    EXPECT_EQ(h.ctx->gRessId, 100);
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(LookupTest, JobOutsideTheListRestoresThePreviousResource) {
    h.ctx->gRessId = 101;
    Open([&](frmKorvane& d) {
        const auto& c = d.Controls();
        user::TypeText(d, "txtJobId", std::to_string(demo::ClosedJob) + "\r");
        EXPECT_EQ(Selected(*c.lstvRess), "R101");
        EXPECT_EQ(Keys(*c.lstvJobs), (std::vector<std::string>{"J430"}));
        EXPECT_EQ(c.treeFolders->Node(1).Tag(), ResourceFolder(101).string());
    });
    EXPECT_EQ(h.MessageTexts(), std::vector<std::string>{NotFound(demo::ClosedJob)});
    EXPECT_EQ(h.ctx->gRessId, 101);
    EXPECT_EQ(h.ctx->gJobId, 0);
}

TEST_F(LookupTest, ATypeChangeDuringTheJobFillLeavesNoStaleResourceBehind) {
    // The job-list fill lets window messages through; the user picks another
    // resource type then, which refills the resource list: every item the
    // lookup saw before is gone.
    h.ctx->gRessId = 101;
    Open([&](frmKorvane& d) {
        const auto& c = d.Controls();
        const std::vector<std::string> before = Keys(*c.lstvRess);
        bool changed = false;
        h.view.SetOnDoEvents([&] {
            if (std::exchange(changed, true)) return;
            user::SelectComboItem(d, "cboRessType", 3);
        });
        user::TypeText(d, "txtJobId", std::to_string(demo::ClosedJob) + "\r");
        h.view.SetOnDoEvents({});
        ASSERT_TRUE(changed);
        EXPECT_NE(Keys(*c.lstvRess), before) << "the type change refilled the list";
        EXPECT_EQ(Selected(*c.lstvRess), "R101") << "found again by its key";
        EXPECT_EQ(Keys(*c.lstvJobs), (std::vector<std::string>{"J430"}));
    });
    EXPECT_EQ(h.MessageTexts(), std::vector<std::string>{NotFound(demo::ClosedJob)});
    EXPECT_EQ(h.ctx->gRessId, 101);
}

TEST_F(LookupTest, AResourceGoneAfterATypeChangeIsNotRestored) {
    h.ctx->gRessId = 101;
    Open([&](frmKorvane& d) {
        const auto& c = d.Controls();
        bool changed = false;
        h.view.SetOnDoEvents([&] {
            if (std::exchange(changed, true)) return;
            user::SelectComboItem(d, "cboRessType", 2);  // staff: no customer is listed
        });
        user::TypeText(d, "txtJobId", std::to_string(demo::ClosedJob) + "\r");
        h.view.SetOnDoEvents({});
        ASSERT_TRUE(changed);
        EXPECT_EQ(c.lstvRess->Find("R101"), nullptr);
        EXPECT_NE(Selected(*c.lstvRess), "R101");
    });
    EXPECT_EQ(h.MessageTexts(), std::vector<std::string>{NotFound(demo::ClosedJob)});
}

TEST_F(LookupTest, JobOutsideTheListWithNothingChosenBeforeKeepsTheCustomer) {
    Open([&](frmKorvane& d) {
        const auto& c = d.Controls();
        c.lstvRess->SetSelectedItem(nullptr);
        user::TypeText(d, "txtJobId", std::to_string(demo::ClosedJob) + "\r");
        EXPECT_EQ(Selected(*c.lstvRess), "R100");
        EXPECT_EQ(Keys(*c.lstvJobs), (std::vector<std::string>{"J417", "J418", "J419"}));
        EXPECT_EQ(c.lstvJobs->SelectedItem(), nullptr);
    });
    EXPECT_EQ(h.MessageTexts(), std::vector<std::string>{NotFound(demo::ClosedJob)});
}

TEST_F(LookupTest, JobsTheUserMayNotSeeOrThatDoNotExistAreNotFound) {
    Open([&](frmKorvane& d) {
        user::TypeText(d, "txtJobId", "460\r");        // customer 104: no access row
        user::TypeText(d, "txtJobId", "\b\b\b450\r");  // customer 103: not displayed
        user::TypeText(d, "txtJobId", "\b\b\b2147483647\r");
        EXPECT_EQ(Selected(*d.Controls().lstvRess), "R100");
    });
    EXPECT_EQ(h.MessageTexts(), (std::vector<std::string>{NotFound(460), NotFound(450), NotFound(2147483647)}));
}

TEST_F(LookupTest, CustomerMissingFromTheListIsNotFound) {
    Sql("UPDATE Ress SET RessFld = '' WHERE RessID = 100");  // no folder: never listed
    h.ctx->gRessId = 101;
    Open([&](frmKorvane& d) {
        user::TypeText(d, "txtJobId", "417\r");
        EXPECT_EQ(Selected(*d.Controls().lstvRess), "R101");
    });
    EXPECT_EQ(h.MessageTexts(), std::vector<std::string>{NotFound(417)});
}

TEST_F(LookupTest, DatabaseFailureInTheNumberLookupIsShown) {
    Open([&](frmKorvane& d) {
        Sql("ALTER TABLE RessKunde RENAME TO RessKundeGammel");
        user::TypeText(d, "txtJobId", "417\r");
        EXPECT_TRUE(d.IsLoaded());
    });
    ASSERT_EQ(h.prompts.Messages().size(), 1u);
    EXPECT_NE(h.MessageTexts()[0].find("RessKunde"), std::string::npos);
}

TEST_F(LookupTest, NameByPrefixThenByContainment) {
    Open([&](frmKorvane& d) {
        const auto& c = d.Controls();
        user::ClickItem(d, "lstvRess", "R100");
        user::TypeText(d, "txtJobNavn", "Køk\r");
        EXPECT_EQ(Selected(*c.lstvJobs), "J418");
        EXPECT_EQ(h.ctx->gJobId, 418);
        EXPECT_EQ(c.treeFolders->Node(1).Tag(), JobFolder(418).string());
        c.txtJobNavn->SetText("");
        user::TypeText(d, "txtJobNavn", "carport\r");
        EXPECT_EQ(Selected(*c.lstvJobs), "J419");
    });
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(LookupTest, NameWithAnApostropheIsFoundNotSpliced) {
    Open([&](frmKorvane& d) {
        const auto& c = d.Controls();
        user::ClickItem(d, "lstvRess", "R102");
        user::TypeText(d, "txtJobNavn", "O'Connor's\r");
        EXPECT_EQ(Selected(*c.lstvJobs), "J440");
        c.lstvJobs->SetSelectedItem(nullptr);
        c.txtJobNavn->SetText("");
        user::TypeText(d, "txtJobNavn", "r's strat\r");
        EXPECT_EQ(Selected(*c.lstvJobs), "J440");
        c.txtJobNavn->SetText("");
        user::TypeText(d, "txtJobNavn", "x' OR '1'='1\r");
    });
    EXPECT_EQ(h.MessageTexts(), std::vector<std::string>{"Job blev ikke fundet"});
}

TEST_F(LookupTest, NameMatchingAClosedJobOutsideTheListIsNotFound) {
    Open([&](frmKorvane& d) {
        user::ClickItem(d, "lstvRess", "R100");
        user::TypeText(d, "txtJobNavn", "afsluttet\r");
        EXPECT_EQ(d.Controls().lstvJobs->SelectedItem(), nullptr);
    });
    EXPECT_EQ(h.MessageTexts(), std::vector<std::string>{"Job blev ikke fundet"});
}

TEST_F(LookupTest, NameLookupWithAnEmptyJobListDoesNothing) {
    Open([&](frmKorvane& d) {
        user::ClickItem(d, "lstvRess", "R104");
        user::TypeText(d, "txtJobNavn", "Bager\r");
    });
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(LookupTest, DatabaseFailureInTheNameLookupIsShownAndTheDialogStays) {
    Open([&](frmKorvane& d) {
        user::ClickItem(d, "lstvRess", "R100");
        Sql("ALTER TABLE Job RENAME TO JobGammel");
        user::TypeText(d, "txtJobNavn", "Tag\r");
        EXPECT_TRUE(d.IsLoaded());
    });
    ASSERT_EQ(h.prompts.Messages().size(), 1u);
    EXPECT_NE(h.MessageTexts()[0].find("Job"), std::string::npos);
    EXPECT_EQ(h.prompts.Messages()[0].request.title, ui::kAppTitle);
}

// Numbers as a person types them into the job number box (signs, blanks,
// decimals rounded half to even, the 32-bit range), and list keys at the
// edge of their length.
TEST(LookupNumbers, NumericTextConversionAndKeys) {
    struct Case {
        const char* text;
        bool numeric;
        std::optional<std::int32_t> value;  // none: the conversion fails
    };
    for (const Case& c : std::initializer_list<Case>{{" 42 ", true, 42},
                                                     {"+5", true, 5},
                                                     {" -5 ", true, -5},
                                                     {"5.", true, 5},
                                                     {".5", true, 0},
                                                     {"2.5", true, 2},
                                                     {"3.5", true, 4},
                                                     {"2.51", true, 3},
                                                     {"-2.5", true, -2},
                                                     {"0042", true, 42},
                                                     {"2147483647", true, 2147483647},
                                                     {"-2147483648", true, -2147483647 - 1},
                                                     {"2147483648", true, std::nullopt},
                                                     {"99999999999999999999999", true, std::nullopt},
                                                     {"", false, std::nullopt},
                                                     {"-", false, std::nullopt},
                                                     {"+", false, std::nullopt},
                                                     {"1e3", false, std::nullopt},
                                                     {"12a", false, std::nullopt},
                                                     {"a5", false, std::nullopt},
                                                     {"1.2.3", false, std::nullopt},
                                                     {"- 5", false, std::nullopt},
                                                     {"+-5", false, std::nullopt}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(dialog::IsNumeric(c.text), c.numeric);
        if (c.value) {
            EXPECT_EQ(dialog::ToLong(c.text), *c.value);
        } else {
            EXPECT_THROW(dialog::ToLong(c.text), Error);
        }
    }
    EXPECT_EQ(dialog::KeyNumber("R345"), 345);
    EXPECT_EQ(dialog::KeyNumber("R-2147483648"), -2147483647 - 1) << "eleven characters after the letter";
    EXPECT_EQ(dialog::KeyNumber("J00000000042"), 42);
    EXPECT_THROW(dialog::KeyNumber("J000000000042"), Error) << "twelve are too many";
    for (const char* key : {"R", ""}) EXPECT_THROW(dialog::KeyNumber(key), Error) << key;
}

}  // namespace
}  // namespace kv::dialogtest
