// The host refusing one call at each point of an import, or a choice the run
// cannot work with. The user must learn where it stopped (the step in the
// message title, or the record writer's step in the log), nothing half-done
// may be reported as filed, and the mail stays where it was unless it was
// filed whole.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "import_world.hpp"

namespace kv::importtest {
namespace {

constexpr const char* kGeneralFailure = "Der opstod en fejl under importen til Korvane";
constexpr const char* kRecordFailure = "Der skete en fejl under importen til Korvane";

struct Refusal {
    bool inspector;
    const char* method;
    int onCall;
    int importStep;  // the step in "Korvane Mailimport (n)"; 0: the record writer's failure instead
    int recordStep;  // the step UpdateDB logs, when it is the record writer that fails
    // Instead of a refusal: a choice the run cannot work with, and the cause it logs.
    void (*arrange)(ImportWorld&, Choice&) = nullptr;
    const char* cause = nullptr;
};

std::ostream& operator<<(std::ostream& out, const Refusal& r) {
    return out << (r.inspector ? "inspector " : "explorer ") << (r.cause ? r.cause : r.method) << " #" << r.onCall;
}

class HostRefusal : public ::testing::TestWithParam<Refusal> {
protected:
    ImportWorld w;
};

TEST_P(HostRefusal, NamesTheStepAndFilesNothingHalfDone) {
    const Refusal r = GetParam();
    auto mail = w.AddMail(MailWith("Tilbud"));
    if (r.inspector) {
        w.OpenInInspector(w.h.mailWrappers->Wrap(mail));
    } else {
        w.SelectInExplorer({mail});
    }
    w.h.mailWrappers->plan = fakes::FaultPlan{r.method, r.onCall};
    Choice choice = w.JobChoice();
    choice.deleteValue = ui::CheckBox::Checked;
    if (r.arrange) r.arrange(w, choice);

    EXPECT_TRUE(w.Import(choice)) << "the dialog stays open after a failure";
    const auto& messages = w.h.prompts.Messages();
    const std::string refusal = r.cause ? std::string("Object variable or With block variable not set: ") + r.cause
                                        : std::string("The host refused ") + r.method;
    if (r.importStep > 0) {
        ASSERT_EQ(messages.size(), 1u);
        const auto& m = messages[0].request;
        EXPECT_EQ(
            std::tie(m.text, m.title, m.buttons, m.icon),
            std::make_tuple(std::string(kGeneralFailure), "Korvane Mailimport (" + std::to_string(r.importStep) + ")",
                            ui::Buttons::OK, ui::Icon::None));
        EXPECT_NE(w.Log().find("cmdImport_Click (" + std::to_string(r.importStep) + "): " + refusal), std::string::npos)
            << w.Log();
    } else {
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0].request.title, "UpdateDB");
        EXPECT_EQ(messages[0].request.text, refusal);
        EXPECT_NE(w.Log().find("UpdateDB (" + std::to_string(r.recordStep) + "): " + refusal), std::string::npos)
            << w.Log();
        EXPECT_EQ(messages[1].request.text, kRecordFailure);
        EXPECT_NE(
            w.Log().find(std::string("cmdImport_Click: ") + (r.inspector ? "Single" : "Multi") + " after PutInDB"),
            std::string::npos)
            << w.Log();
        EXPECT_EQ(w.Count("DocMailImport"), 0);
    }
    const bool filed = r.importStep >= 23;  // refused only while moving the filed mail
    EXPECT_EQ(w.h.ctx->gImportDone, filed);
    EXPECT_EQ(w.Count("DocMail"), filed ? 1 : 0);
    EXPECT_EQ(w.EntryIdsIn("Inbox").size(), 1u) << "the mail is only moved once it is filed and the move works";
    EXPECT_EQ(w.pointerAfter, ui::pointer::Default);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, HostRefusal,
    ::testing::Values(
        // A selection in an explorer.
        Refusal{false, "MailWrappers.CreateMailWrapper", 1, 15, 0}, Refusal{false, "MailWrapper.SetItem", 1, 16, 0},
        Refusal{false, "MailWrapper.Subject", 1, 16, 0}, Refusal{false, "MailWrapper.ReceivedTime", 1, 17, 0},
        Refusal{false, "MailWrappers.CreateMailWrapper", 2, 20, 0}, Refusal{false, "MailWrapper.SetItem", 2, 20, 0},
        Refusal{false, "MailWrapper.SaveAs", 1, 20, 0}, Refusal{false, "MailWrapper.GetItem", 3, 0, 1},
        Refusal{false, "MailWrapper.AttachmentCount", 1, 0, 5}, Refusal{false, "Item.Importance", 1, 0, 6},
        Refusal{false, "MailWrapper.To", 1, 0, 7}, Refusal{false, "MailWrapper.Bcc", 1, 0, 7},
        Refusal{false, "MailWrapper.Body", 1, 0, 8}, Refusal{false, "Explorer.GetSelection", 1, 14, 0},
        Refusal{false, "Selection.Count", 1, 14, 0}, Refusal{false, "Selection.Item", 1, 14, 0},
        Refusal{false, "Item.Class", 1, 14, 0}, Refusal{false, "Item.EntryID", 1, 18, 0},
        Refusal{false, "Explorer.GetApplication", 1, 26, 0}, Refusal{false, "NameSpace.GetDefaultFolder", 1, 26, 0},
        Refusal{false, "NameSpace.GetItemFromID", 1, 28, 0}, Refusal{false, "Item.Move", 1, 28, 0},
        // The mail open in its own window (the dialog's load has asked a
        // wrapper of its own for the sender before).
        Refusal{true, "Item.Class", 1, 8, 0}, Refusal{true, "MailWrappers.CreateMailWrapper", 2, 9, 0},
        Refusal{true, "MailWrapper.SetItem", 2, 9, 0}, Refusal{true, "MailWrappers.CreateMailWrapper", 3, 12, 0},
        Refusal{true, "MailWrapper.Subject", 1, 9, 0}, Refusal{true, "MailWrapper.ReceivedTime", 1, 10, 0},
        Refusal{true, "MailWrapper.SaveAs", 1, 12, 0}, Refusal{true, "MailWrapper.Body", 1, 0, 8},
        Refusal{true, "Item.GetApplication", 1, 23, 0}, Refusal{true, "NameSpace.GetDefaultFolder", 1, 23, 0},
        Refusal{true, "Item.Move", 1, 24, 0},
        // Choices the run cannot work with.
        Refusal{true, "", 0, 10, 0, [](ImportWorld&, Choice& c) { c.ressSelected = false; },
                "no resource selected (91)"},
        Refusal{false, "", 0, 17, 0, [](ImportWorld&, Choice& c) { c.ressSelected = false; },
                "no resource selected (91)"},
        Refusal{false, "", 0, 14, 0,
                [](ImportWorld& w, Choice&) {
                    w.explorer = nullptr;
                    w.h.ctx->gImportExplorer = nullptr;
                },
                "no explorer to import from (91)"}));

// The sender is looked up once, for the duplicate check and the row alike;
// when the host will not tell it, the mail is filed without one and the
// reason is logged, rather than the import failing.
TEST(HostRefusalOfTheSender, FilesTheMailWithoutASenderAndLogsWhy) {
    ImportWorld w;
    w.SelectInExplorer({w.AddMail(MailWith("Tilbud"))});
    w.h.mailWrappers->plan = fakes::FaultPlan{"MailWrapper.Sender", 1};
    EXPECT_FALSE(w.Import(w.JobChoice()));
    EXPECT_TRUE(w.h.prompts.Messages().empty());
    EXPECT_EQ(w.Count("DocMail WHERE FName = 'Tilbud.msg' AND (Sender = '' OR Sender IS NULL)"), 1);
    EXPECT_NE(w.Log().find("GetSenderName: The host refused MailWrapper.Sender"), std::string::npos) << w.Log();
}

// The connection gone between opening the dialog and pressing Import (it is
// emptied when the add-in lets go of the database): a clear failure at the
// duplicate check, never a crash, and nothing filed.
TEST(ImportWithoutAConnection, FailsAtTheDuplicateCheckAndFilesNothing) {
    ImportWorld w;
    w.SelectInExplorer({w.AddMail(MailWith("Tilbud"))});
    w.h.view.QueueUser([&](ui::Form& form) {
        w.Choose(w.JobChoice());
        w.h.ctx->gConnection.reset();
        ui::user::ClickButton(form, "cmdImport");
    });
    w.dialog->ShowModal();
    ASSERT_EQ(w.h.prompts.Messages().size(), 1u);
    EXPECT_EQ(w.h.prompts.Messages()[0].request.title, "Korvane Mailimport (17)");
    EXPECT_NE(w.Log().find("cmdImport_Click (17): Object variable or With block variable not set: no database "
                           "connection (91)"),
              std::string::npos)
        << w.Log();
    EXPECT_TRUE(w.FilesIn(w.JobFolder()).empty());
}

}  // namespace
}  // namespace kv::importtest
