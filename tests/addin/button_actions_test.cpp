// What the three buttons hand the import dialog, and import-and-send.
#include "addin_fixture.hpp"

namespace kv::addintest {
namespace {

constexpr const char* kUnresolved =
    "Alle modtagere kunne ikke genkendes af Outlook\r\nRet modtagere inden import til Korvane";

TEST_F(AddinTest, ExplorerButtonWithoutSelectionOnlyAsksForAMail) {
    Start();
    h.store->Click(*AddIn().objCBButton);
    ASSERT_EQ(h.prompts.Messages().size(), 1u);
    const auto& box = h.prompts.Messages()[0].request;
    EXPECT_EQ(box.text, "Du skal vælge en e-mail først.");
    EXPECT_EQ(box.icon, ui::Icon::None);
    EXPECT_EQ(box.buttons, ui::Buttons::OK);
    EXPECT_EQ(box.title, ui::kAppTitle);
    EXPECT_EQ(record.shown, 0);
    EXPECT_FALSE(h.ctx->gConnection);  // the settings were not even loaded
}

TEST_F(AddinTest, ExplorerButtonHandsTheSelectionToTheDialog) {
    Start();
    h.ctx->gImportMail = h.store->Items("Inbox").at(0);  // left over from an earlier import
    h.store->Select(*explorer, h.store->Items("Inbox"));
    h.store->Click(*AddIn().objCBButton);
    EXPECT_TRUE(h.prompts.Messages().empty());
    ASSERT_EQ(record.shown, 1);
    EXPECT_FALSE(record.fromInspector);
    EXPECT_FALSE(record.mail);
    EXPECT_EQ(record.explorer, explorer);
    EXPECT_EQ(record.selected, 3);
    EXPECT_TRUE(record.connectionOpen);
}

TEST_F(AddinTest, ExplorerButtonShowsTheHostsFailure) {
    Start();
    // The explorer the add-in follows goes away behind its back.
    auto other = h.store->OpenExplorer("Inbox");
    AddIn().objExpl = other;
    h.store->CloseExplorer(*other);
    h.store->Click(*AddIn().objCBButton);
    ASSERT_EQ(MessageTexts(), std::vector<std::string>{"The explorer is closed"});
    EXPECT_EQ(h.prompts.Messages()[0].request.title, ui::kAppTitle);
    EXPECT_EQ(record.shown, 0);
}

TEST_F(AddinTest, WithoutSettingsTheUserIsToldToStartKorvane) {
    kv::RegistryStore::Key key;
    h.registry.OpenKey(regroot::CurrentUser, settings::kSettingsKey, regaccess::Write, key);
    h.registry.DeleteValue(key, "DBCn");
    Start();
    h.store->Select(*explorer, {h.store->Items("Inbox").at(0)});
    h.store->Click(*AddIn().objCBButton);
    ASSERT_EQ(h.prompts.Messages().size(), 1u);
    EXPECT_EQ(h.prompts.Messages()[0].request.text, kStartKorvaneFirst);
    EXPECT_EQ(record.shown, 0);
}

TEST_F(AddinTest, AClickForAnotherTagDoesNothing) {
    Start();
    h.store->Select(*explorer, h.store->Items("Inbox"));
    auto other = AddIn().objExplBar->GetControls()->Add(outlook::ControlButton, "Other");
    other->SetTag("Other");
    bool cancel = false;
    AddIn().objCBButton_Click(other, cancel);
    AddIn().objCBButtonMail_Click(AddIn().objCBButton, cancel);
    AddIn().objCBNewButtonMail_Click(AddIn().objCBButton, cancel);
    AddIn().objCBButton_Click(nullptr, cancel);
    EXPECT_EQ(record.shown, 0);
    EXPECT_TRUE(h.prompts.Messages().empty());
    EXPECT_FALSE(h.ctx->gImportFromInspector);
    EXPECT_FALSE(cancel);
}

TEST_F(AddinTest, InspectorImportHandsItsMailAndEmptiesItAfterwards) {
    Start();
    auto mails = h.store->Items("Inbox");
    auto first = h.store->OpenInspector(mails.at(0));
    auto second = h.store->OpenInspector(mails.at(1));
    // The first window's button still imports the first window's mail.
    h.store->Click(ButtonOn(*first, "KorvaneNMail", "CBButtonMail"));
    ASSERT_EQ(record.shown, 1);
    EXPECT_TRUE(record.fromInspector);
    EXPECT_EQ(record.mail, mails.at(0));
    EXPECT_FALSE(h.ctx->gImportMail);
    h.store->Click(*AddIn().objCBButtonMail);
    ASSERT_EQ(record.shown, 2);
    EXPECT_EQ(record.mail, mails.at(1));
    EXPECT_FALSE(h.ctx->gImportMail);
    EXPECT_TRUE(h.prompts.Messages().empty());
}

struct ImportAndSendTest : AddinTest {
    std::shared_ptr<outlook::Item> draft;
    std::shared_ptr<outlook::Inspector> window;
    void Open(const std::string& file) {
        Start();
        draft = h.store->AddItemFile("Drafts", TestData(file));
        window = h.store->OpenInspector(draft);
    }
    void PressSend() { h.store->Click(ButtonOn(*window, "KorvaneSMail", "CBNewButtonMail")); }
    // The draft's file dated back, so that a save shows as a newer one.
    void AgeTheDraft() {
        std::filesystem::last_write_time(h.store->PathOf(*draft), std::filesystem::file_time_type::clock::now() -
                                                                      std::chrono::hours(24 * 365));
    }
    bool SavedSinceAged() const {
        return std::filesystem::last_write_time(h.store->PathOf(*draft)) >
               std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    }
    bool InFolder(const std::string& folder) {
        for (const auto& item : h.store->Items(folder))
            if (item->EntryID() == draft->EntryID()) return true;
        return false;
    }
};

TEST_F(ImportAndSendTest, AnUnresolvableRecipientStopsBeforeTheDialog) {
    Open("draft_bad.eml");
    AgeTheDraft();
    PressSend();
    EXPECT_TRUE(SavedSinceAged()) << "saved before the recipients are checked";
    ASSERT_EQ(h.prompts.Messages().size(), 1u);
    const auto& box = h.prompts.Messages()[0].request;
    EXPECT_EQ(box.text, kUnresolved);
    EXPECT_EQ(box.icon, ui::Icon::Information);
    EXPECT_EQ(box.buttons, ui::Buttons::OK);
    EXPECT_EQ(box.title, ui::kAppTitle);
    EXPECT_EQ(record.shown, 0);
    EXPECT_TRUE(InFolder("Drafts"));
    EXPECT_FALSE(InFolder("Sent Items"));
    EXPECT_NO_THROW(window->GetCurrentItem());  // still open
    EXPECT_FALSE(h.ctx->gImportDone);
}

TEST_F(ImportAndSendTest, ACancelledDialogLeavesTheMailSavedUnsentAndOpen) {
    Open("draft_ok.eml");
    h.ctx->gImportDone = true;  // from an earlier import
    AgeTheDraft();
    PressSend();
    EXPECT_TRUE(SavedSinceAged());
    ASSERT_EQ(record.shown, 1);
    EXPECT_TRUE(record.fromInspector);
    EXPECT_EQ(record.mail, draft);
    EXPECT_FALSE(h.ctx->gImportDone);
    EXPECT_TRUE(InFolder("Drafts"));
    EXPECT_FALSE(InFolder("Sent Items"));
    EXPECT_NO_THROW(window->GetCurrentItem());
    EXPECT_EQ(h.ctx->gImportMail, draft);  // emptied only after sending
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(ImportAndSendTest, ASuccessfulImportSendsAndClosesWithoutAPrompt) {
    Open("draft_ok.eml");
    record.importSucceeds = true;
    PressSend();
    ASSERT_EQ(record.shown, 1);
    EXPECT_TRUE(InFolder("Sent Items"));
    EXPECT_FALSE(InFolder("Drafts"));
    EXPECT_THROW(window->GetCurrentItem(), Error);  // the window is closed
    EXPECT_EQ(h.store->GetApplication()->GetInspectors()->Count(), 0);
    EXPECT_FALSE(h.ctx->gImportMail);
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(AddinTest, DroppedToolbarErrorsAreLoggedOnlyAtARaisedLevel) {
    Start();
    FileLog& log = h.ctx->gLog;
    EXPECT_FALSE(CreateToolbarButton(log, "x", nullptr, "c", "t", "tip", 578, false, 1));
    EXPECT_EQ(Log(), "");
    log.LogLevel(2);
    EXPECT_FALSE(CreateToolbarButton(log, "x", nullptr, "c", "t", "tip", 578, false, 1));
    std::string text = Log();
    EXPECT_NE(text.find("ERROR\t\tCreateToolbarButton: Object variable not set: toolbar (91)"), std::string::npos)
        << text;
}

TEST_F(AddinTest, CaptionOnlyButtonsGetNoFace) {
    Start();
    auto button = CreateToolbarButton(h.ctx->gLog, "P", AddIn().objExplBar, "Tekst", "T2", "tip", 99, true,
                                      outlook::buttonstyle::Caption);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->FaceId(), 0);
    EXPECT_TRUE(button->BeginGroup());
    EXPECT_EQ(button->OnAction(), "<!P>");
    // Asked again for the same tag: the same button, unchanged.
    EXPECT_EQ(CreateToolbarButton(h.ctx->gLog, "Q", AddIn().objExplBar, "Andet", "T2", "", 1, false, 1), button);
    EXPECT_EQ(button->Caption(), "Tekst");
}

}  // namespace
}  // namespace kv::addintest
