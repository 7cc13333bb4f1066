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

// Enter with no number, with text that is none, with a number too large, or
// with 0: nothing is chosen and the dialog stays.
TEST_F(LookupTest, EnterWithoutAUsableNumber) {
    Open([&](frmKorvane& d) {
        user::TypeText(d, "txtJobId", "\r");
        for (const char* pasted : {"12a", "99999999999"}) {
            d.Controls().txtJobId->SetText("");
            user::PasteText(d, "txtJobId", pasted);
            user::TypeText(d, "txtJobId", "\r");
        }
        d.Controls().txtJobId->SetText("");
        user::TypeText(d, "txtJobId", "0\r");
        EXPECT_EQ(Selected(*d.Controls().lstvRess), "R100");
        EXPECT_EQ(d.Controls().lstvJobs->SelectedItem(), nullptr);
        EXPECT_TRUE(d.IsLoaded());
    });
    const std::string noNumber = "Du har ikke indtastet et jobid.";
    EXPECT_EQ(h.MessageTexts(), (std::vector<std::string>{noNumber, noNumber, "Overflow"}));
    EXPECT_EQ(h.prompts.Messages()[0].request.title, ui::kAppTitle);
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

// The job-list fill lets window messages through; the user picks another
// resource type then, which refills the resource list: every item the
// lookup saw before is gone. The previous resource is found again by its
// key, if the new type lists it (customers do, staff do not).
TEST_F(LookupTest, ATypeChangeDuringTheJobFillLeavesNoStaleResourceBehind) {
    for (const int type : {3, 2}) {
        SCOPED_TRACE(type);
        const bool listed = type == 3;
        h.ctx->gRessId = 101;
        Open([&](frmKorvane& d) {
            const auto& c = d.Controls();
            const std::vector<std::string> before = Keys(*c.lstvRess);
            bool changed = false;
            h.view.SetOnDoEvents([&] {
                if (!std::exchange(changed, true)) user::SelectComboItem(d, "cboRessType", type);
            });
            user::TypeText(d, "txtJobId", std::to_string(demo::ClosedJob) + "\r");
            h.view.SetOnDoEvents({});
            ASSERT_TRUE(changed);
            EXPECT_NE(Keys(*c.lstvRess), before) << "the type change refilled the list";
            EXPECT_EQ(c.lstvRess->Find("R101") != nullptr, listed);
            EXPECT_EQ(Selected(*c.lstvRess) == "R101", listed);
            if (listed) {
                EXPECT_EQ(Keys(*c.lstvJobs), (std::vector<std::string>{"J430"}));
            }
        });
        if (listed) {
            EXPECT_EQ(h.ctx->gRessId, 101);
        }
    }
    EXPECT_EQ(h.MessageTexts(), (std::vector<std::string>{NotFound(demo::ClosedJob), NotFound(demo::ClosedJob)}));
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

TEST_F(LookupTest, CustomerMissingFromTheListIsNotFound) {
    Sql("UPDATE Ress SET RessFld = '' WHERE RessID = 100");  // no folder: never listed
    h.ctx->gRessId = 101;
    Open([&](frmKorvane& d) {
        user::TypeText(d, "txtJobId", "417\r");
        EXPECT_EQ(Selected(*d.Controls().lstvRess), "R101");
    });
    EXPECT_EQ(h.MessageTexts(), std::vector<std::string>{NotFound(417)});
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
        // A closed job outside the list is not found either.
        user::ClickItem(d, "lstvRess", "R100");
        c.txtJobNavn->SetText("");
        user::TypeText(d, "txtJobNavn", "afsluttet\r");
        EXPECT_EQ(c.lstvJobs->SelectedItem(), nullptr);
        // Jobs listed but no customer chosen (a click on the list's blank area).
        c.lstvRess->SetSelectedItem(nullptr);
        c.txtJobNavn->SetText("");
        user::TypeText(d, "txtJobNavn", "Tag\r");
        // A customer without jobs to show still shows its folder; with no
        // jobs listed nothing is looked up.
        user::ClickItem(d, "lstvRess", "R104");
        EXPECT_TRUE(c.lstvJobs->Visible());
        EXPECT_EQ(c.treeFolders->Node(1).Tag(), ResourceFolder(104).string());
        c.txtJobNavn->SetText("");
        user::TypeText(d, "txtJobNavn", "Bager\r");
    });
    EXPECT_EQ(h.MessageTexts(),
              (std::vector<std::string>{"Job blev ikke fundet", "Job blev ikke fundet", "Vælg først en kunde"}));
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
                                                     {"2.6", true, 3},
                                                     {"-2.5", true, -2},
                                                     {"0042", true, 42},
                                                     {"2147483647", true, 2147483647},
                                                     {"-2147483648", true, -2147483647 - 1},
                                                     {"2147483648", true, std::nullopt},
                                                     {"-2147483649", true, std::nullopt},
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
