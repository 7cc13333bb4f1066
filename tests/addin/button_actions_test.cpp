// What the three buttons hand the import dialog, and import-and-send.
#include <functional>
#include <sstream>
#include <utility>

#include "addin_fixture.hpp"

namespace kv::addintest {
namespace {

constexpr const char* kUnresolved =
    "Alle modtagere kunne ikke genkendes af Outlook\r\nRet modtagere inden import til Korvane";

TEST_F(AddinTest, EachExplorersButtonImportsThatExplorersSelectionOnce) {
    Start();
    // Nothing selected: the user is only asked for a mail.
    h.store->Click(*AddIn().objCBButton);
    ASSERT_EQ(h.prompts.Messages().size(), 1u);
    const auto& box = h.prompts.Messages()[0].request;
    EXPECT_EQ(box.text, "Du skal vælge en e-mail først.");
    EXPECT_EQ(box.icon, ui::Icon::None);
    EXPECT_EQ(box.buttons, ui::Buttons::OK);
    EXPECT_EQ(box.title, ui::kAppTitle);
    EXPECT_FALSE(h.ctx->gConnection) << "the settings were not even loaded";

    TwoExplorers two = TwoExplorersWithOwnSelections();
    auto& first = two.first;
    auto& second = two.second;
    struct Click {
        std::shared_ptr<outlook::Explorer>* window;
        int selected;
    } clicks[] = {{&first, 1}, {&second, 2}, {&second, 2}, {&first, 1}};
    int shown = 0;
    for (const Click& click : clicks) {
        h.ctx->gImportMail = h.store->Items("Inbox").at(0);  // left over from an earlier import
        h.store->Click(ButtonOn(**click.window, "Korvane", "CBButton"));
        ASSERT_EQ(record.shown, ++shown) << "one dialog per click";
        EXPECT_EQ(record.explorer, *click.window);
        EXPECT_EQ(record.selected, click.selected);
        EXPECT_FALSE(record.fromInspector);
        EXPECT_FALSE(record.mail);
        EXPECT_TRUE(record.connectionOpen);
    }
    EXPECT_EQ(h.prompts.Messages().size(), 1u);
    // The window whose button was bound closes: the other still imports.
    h.store->CloseExplorer(*first);
    h.store->Click(ButtonOn(*second, "Korvane", "CBButton"));
    ASSERT_EQ(record.shown, ++shown);
    EXPECT_EQ(record.explorer, second);
    // A new window with nothing selected asks for a mail.
    auto third = h.store->OpenExplorer("Inbox");
    h.store->Click(ButtonOn(*third, "Korvane", "CBButton"));
    EXPECT_EQ(record.shown, shown);
    ASSERT_EQ(h.prompts.Messages().size(), 2u);
    EXPECT_EQ(h.prompts.Messages()[1].request.text, "Du skal vælge en e-mail først.");
}

TEST_F(AddinTest, ExplorerButtonShowsTheHostsFailure) {
    Start();
    // The add-in's hold on the host is gone behind its back: the click fails.
    auto app = std::exchange(AddIn().objOutlook, nullptr);
    h.store->Click(*AddIn().objCBButton);
    AddIn().objOutlook = app;
    // A front end that wired no dialog.
    h.ctx->makeImportDialog = nullptr;
    h.store->Select(*explorer, h.store->Items("Inbox"));
    h.store->Click(*AddIn().objCBButton);
    EXPECT_NE(Log().find("ShowImportDialog: No import dialog is wired"), std::string::npos) << Log();
    ASSERT_EQ(h.MessageTexts(), std::vector<std::string>{"Object variable not set: Application"});
    EXPECT_EQ(h.prompts.Messages()[0].request.title, ui::kAppTitle);
    EXPECT_EQ(record.shown, 0);

    // No main window left to ask for (a mail window keeps the host): the box
    // names what was missing.
    auto inspector = h.store->OpenInspector(h.store->Items("Inbox").at(0));
    auto alike = Bar(*inspector, "KorvaneNMail")->GetControls()->Add(outlook::ControlButton, "CBButton");
    alike->SetTag("CBButton");
    h.store->CloseExplorer(*explorer);
    bool cancel = false;
    AddIn().objCBButton_Click(alike, cancel);
    EXPECT_EQ(h.MessageTexts().back(), "Object variable not set: ActiveExplorer");
    // A box that cannot be shown either: the failure goes to the log.
    h.ctx->gLog.LogLevel(2);
    h.prompts.SetMessageResponder(
        [](const ui::MessageBoxRequest&) -> std::optional<ui::Answer> { throw Error(5, "Prompts", "No display"); });
    AddIn().objCBButton_Click(alike, cancel);
    EXPECT_NE(Log().find("objCBButton_Click: Object variable not set: ActiveExplorer"), std::string::npos) << Log();
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
    // On a mail window's toolbar, where each handler would find a mail.
    auto inspector = h.store->OpenInspector(h.store->Items("Inbox").at(0));
    auto other = Bar(*inspector, "KorvaneNMail")->GetControls()->Add(outlook::ControlButton, "Other");
    other->SetTag("Other");
    bool cancel = false;
    AddIn().objCBButton_Click(other, cancel);
    AddIn().objCBButtonMail_Click(other, cancel);
    AddIn().objCBNewButtonMail_Click(AddIn().objCBButtonMail, cancel);
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
    std::string draftId;
    std::shared_ptr<outlook::Inspector> window;
    // withExplorer false: the host was started for this mail window alone.
    void Open(const std::string& file, bool withExplorer = true) {
        if (withExplorer) {
            Start();
        } else {
            connect = std::make_unique<Connect>(*h.ctx, h.store->GetApplication());
            connect->OnConnection(kProgId);
        }
        draft = h.store->AddItemFile("Drafts", TestData(file));
        draftId = draft->EntryID();
        window = h.store->OpenInspector(draft);
    }
    void PressSend() { h.store->Click(ButtonOn(*window, "KorvaneSMail", "CBNewButtonMail")); }
    // The draft's file dated back, so that a save shows as a newer one.
    void AgeTheDraft() {
        std::filesystem::last_write_time(h.store->PathOf(*draft),
                                         std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365));
    }
    bool SavedSinceAged() const {
        return std::filesystem::last_write_time(h.store->PathOf(*draft)) >
               std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    }
    bool InFolder(const std::string& folder) {
        for (const auto& item : h.store->Items(folder))
            if (item->EntryID() == draftId) return true;
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

// A refusal of the host on the way is dropped into the log under the handler's name.
TEST_F(ImportAndSendTest, AHostRefusalIsLoggedUnderTheButtonsHandler) {
    Open("draft_ok.eml");
    h.ctx->gLog.LogLevel(2);
    h.mailWrappers->plan = fakes::FaultPlan{"MailWrapper.Save", 1};
    PressSend();
    EXPECT_EQ(record.shown, 0);
    EXPECT_TRUE(h.prompts.Messages().empty());
    EXPECT_NE(Log().find("objCBNewButtonMail_Click: The host refused MailWrapper.Save"), std::string::npos) << Log();
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
    EXPECT_FALSE(h.ctx->gImportMail);
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(ImportAndSendTest, ASuccessfulImportSendsAndLeavesTheGoneItemAlone) {
    for (bool explorerOpen : {true, false}) {
        SCOPED_TRACE(explorerOpen ? "with an explorer" : "the mail window alone");
        Open("draft_ok.eml", explorerOpen);
        h.ctx->gLog.LogLevel(2);  // a dropped failure would leave its line
        record.importSucceeds = true;
        PressSend();
        ASSERT_EQ(record.shown, 1);
        EXPECT_TRUE(InFolder("Sent Items"));
        EXPECT_FALSE(InFolder("Drafts"));
        EXPECT_THROW(window->GetCurrentItem(), Error);  // the window closed by itself
        EXPECT_THROW(draft->Subject(), Error) << "the sent item is gone";
        EXPECT_EQ(h.store->GetApplication()->GetInspectors()->Count(), 0);
        EXPECT_FALSE(h.ctx->gImportMail);
        EXPECT_TRUE(h.prompts.Messages().empty());
        EXPECT_EQ(Log().find("objCBNewButtonMail_Click"), std::string::npos) << Log();
        // Its window was the last one: the add-in let go of the host.
        EXPECT_EQ(static_cast<bool>(h.ctx->gOutlookApp), explorerOpen);
        connect->OnDisconnection(0);
        if (explorer) h.store->CloseExplorer(*explorer);
        record = DialogRecord{};
    }
}

TEST_F(ImportAndSendTest, TheDialogAndItsBoxesBelongToTheWindowPressedIn) {
    Open("draft_ok.eml");
    TwoExplorers two = TwoExplorersWithOwnSelections();
    auto& first = two.first;
    auto& second = two.second;
    auto received = h.store->OpenInspector(h.store->Items("Inbox").at(0));
    const std::vector<std::pair<const char*, std::function<void()>>> presses = {
        {"first explorer's button", [&] { h.store->Click(ButtonOn(*first, "Korvane", "CBButton")); }},
        {"second explorer's button", [&] { h.store->Click(ButtonOn(*second, "Korvane", "CBButton")); }},
        {"mail window's button", [&] { h.store->Click(ButtonOn(*received, "KorvaneNMail", "CBButtonMail")); }},
        {"draft's button", [&] { PressSend(); }},
        // The ribbon's presses in windows that are not the active ones.
        {"first explorer's ribbon",
         [&] {
             AddIn().Ribbon_OnAction(ribbon::Action::ImportSelection, {"KorvaneButton", "", first});
         }},
        {"mail window's ribbon",
         [&] {
             AddIn().Ribbon_OnAction(ribbon::Action::ImportMail, {"KorvaneButton", "", received});
         }},
        {"draft's ribbon",
         [&] {
             AddIn().Ribbon_OnAction(ribbon::Action::ImportAndSend, {"KorvaneButton", "", window});
         }},
    };
    const std::vector<NativeWindow> windows = {first->Handle(),  second->Handle(), received->Handle(),
                                               window->Handle(), first->Handle(),  received->Handle(),
                                               window->Handle()};
    for (std::size_t i = 0; i < presses.size(); ++i) {
        SCOPED_TRACE(presses[i].first);
        presses[i].second();
        ASSERT_EQ(record.shown, static_cast<int>(i + 1));
        EXPECT_NE(record.owner, 0u);
        EXPECT_EQ(record.owner, windows[i]);
        EXPECT_EQ(record.fromInspector, windows[i] != first->Handle() && windows[i] != second->Handle());
    }
    // A window that cannot be told owns nothing: the boxes are the whole task's.
    for (ribbon::Action action :
         {ribbon::Action::ImportSelection, ribbon::Action::ImportMail, ribbon::Action::ImportAndSend}) {
        presses[0].second();
        ASSERT_NE(h.view.Owner(), 0u);
        AddIn().Ribbon_OnAction(action, {"KorvaneButton", "", nullptr});
        EXPECT_EQ(h.view.Owner(), 0u) << static_cast<int>(action);
    }
}

TEST_F(ImportAndSendTest, APressWhileAnImportIsOpenChangesNothingAndShowsTheOpenOne) {
    Open("draft_ok.eml");
    TwoExplorers two = TwoExplorersWithOwnSelections();
    auto& first = two.first;
    auto& second = two.second;
    auto mails = h.store->Items("Inbox");
    auto received = h.store->OpenInspector(mails.at(0));
    AgeTheDraft();
    record.whileOpen = [&] {
        const db::Connection* connection = h.ctx->gConnection.get();
        h.store->Click(ButtonOn(*second, "Korvane", "CBButton"));
        PressSend();
        AddIn().Ribbon_OnAction(ribbon::Action::ImportAndSend, {"KorvaneButton", "", window});
        AddIn().Ribbon_OnAction(ribbon::Action::ImportSelection, {"KorvaneButton", "", first});
        AddIn().Ribbon_OnAction(ribbon::Action::ImportMail, {"KorvaneButton", "", received});
        EXPECT_TRUE(h.ctx->gImportFromInspector);
        EXPECT_EQ(h.ctx->gImportMail, mails.at(0)) << "the open import still files its own mail";
        EXPECT_FALSE(h.ctx->gImportExplorer);
        EXPECT_EQ(h.ctx->gConnection.get(), connection) << "the settings were not loaded again";
        EXPECT_EQ(h.view.Owner(), received->Handle());
    };
    h.store->Click(ButtonOn(*received, "KorvaneNMail", "CBButtonMail"));
    EXPECT_EQ(record.shown, 1) << "no second dialog";
    EXPECT_EQ(h.view.BroughtToFront(), 5);
    EXPECT_FALSE(SavedSinceAged()) << "no draft saved for a refused press";
    EXPECT_TRUE(h.prompts.Messages().empty());
    std::size_t lines = 0;
    for (std::size_t at = Log().find("an import is open already"); at != std::string::npos;
         at = Log().find("an import is open already", at + 1))
        ++lines;
    EXPECT_EQ(lines, 5u) << Log();

    // Once it has closed, presses work again.
    record.whileOpen = nullptr;
    h.store->Click(ButtonOn(*second, "Korvane", "CBButton"));
    EXPECT_EQ(record.shown, 2);
    EXPECT_EQ(record.explorer, second);
}

TEST_F(AddinTest, DroppedToolbarErrorsAreLoggedOnlyAtARaisedLevel) {
    Start();
    FileLog& log = h.ctx->gLog;
    EXPECT_FALSE(CreateToolbarButton(log, "x", nullptr, "c", "t", "tip", 578, false, 1));
    EXPECT_EQ(Log(), "");
    log.LogLevel(2);
    EXPECT_FALSE(CreateToolbarButton(log, "x", nullptr, "c", "t", "tip", 578, false, 1));
    // Every step that was dropped is one line, naming what was missing: the
    // toolbar for the look-up and the adding, then the button for each of
    // its seven settings.
    std::vector<std::string> dropped;
    std::istringstream lines(Log());
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();  // the log has Windows line ends
        const auto at = line.find("ERROR\t\t");
        if (at != std::string::npos) dropped.push_back(line.substr(at + 7));
    }
    const std::string toolbar = "CreateToolbarButton: Object variable not set: toolbar (91)";
    const std::string button = "CreateToolbarButton: Object variable not set: button (91)";
    std::vector<std::string> expected{toolbar, toolbar};
    expected.insert(expected.end(), 7, button);
    EXPECT_EQ(dropped, expected) << Log();

    // No window to put the toolbar on: no toolbar, one line, no crash.
    EXPECT_FALSE(FindOrAddToolbar(log, nullptr, "Korvane", true));
    EXPECT_NE(Log().find("ERROR\t\tToolbar Korvane: Object variable not set: window (91)"), std::string::npos) << Log();
}

// The host announcing a new window without the window: nothing is built,
// nothing fails, and the log says where and what was missing.
TEST_F(AddinTest, ANewInspectorEventWithoutItsWindowIsLoggedAndBuildsNothing) {
    Start();
    h.ctx->gLog.LogLevel(2);
    AddIn().colInsp_NewInspector(nullptr);
    EXPECT_FALSE(AddIn().objInsp);
    const std::string text = Log();
    const std::string line = "colInsp_NewInspector: Object variable not set: Inspector (91)";
    const auto first = text.find(line);
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_NE(text.find(line, first + 1), std::string::npos) << "binding and reading the mail both name it\n" << text;
    EXPECT_TRUE(h.prompts.Messages().empty());
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
