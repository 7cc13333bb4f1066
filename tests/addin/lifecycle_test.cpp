// Start-up, shutdown and the host events that follow the windows.
#include "addin_fixture.hpp"

namespace kv::addintest {
namespace {

// The explorer's toolbar and each mail window's, each with its one button.
TEST_F(AddinTest, EveryWindowOfMailGetsItsToolbarWithItsButton) {
    Start("Inbox");
    EXPECT_EQ(h.ctx->gLog.LogFile(), h.LogPath());
    EXPECT_EQ(h.ctx->gLog.LogLevel(), 1);
    EXPECT_EQ(h.ctx->gOutlookApp, h.store->GetApplication());
    EXPECT_EQ(AddIn().strProgId, kProgId);
    EXPECT_EQ(AddIn().objExpl, explorer);
    auto received = h.store->OpenInspector(h.store->Items("Inbox").at(0));
    auto writing = h.store->OpenInspector(h.store->AddItemFile("Drafts", TestData("draft_ok.eml")));
    struct Case {
        outlook::Window& window;
        const char *bar, *tag, *caption, *tooltip, *onAction;
        bool temporary;
        std::int32_t style;
        std::shared_ptr<outlook::CommandBar> held;  // the add-in's own
        std::shared_ptr<outlook::CommandBarButton> heldButton;
    } cases[] = {
        {*explorer, "Korvane", "CBButton", "Korvane", "Korvane Import", "<!KVOutlookAddin.ConnectGlobal>", false,
         outlook::buttonstyle::Icon, AddIn().objExplBar, AddIn().objCBButton},
        {*received, "KorvaneNMail", "CBButtonMail", "Korvane", "Korvane Import", "<!KVOutlookAddin.ConnectNormal>",
         true, outlook::buttonstyle::Icon, AddIn().objNMailBar, AddIn().objCBButtonMail},
        {*writing, "KorvaneSMail", "CBNewButtonMail", "Send", "Korvane Import og send", "<!KVOutlookAddin.ConnectNy>",
         true, outlook::buttonstyle::IconAndCaption, AddIn().objSMailBar, AddIn().objCBNewButtonMail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bar);
        auto bar = Bar(c.window, c.bar);
        ASSERT_TRUE(bar);
        EXPECT_EQ(bar, c.held);
        EXPECT_TRUE(bar->Visible()) << "a new toolbar is hidden until made visible";
        EXPECT_EQ(bar->Temporary(), c.temporary);
        EXPECT_EQ(bar->Position(), outlook::BarTop);
        EXPECT_EQ(c.window.GetCommandBars()->Count(), 1) << "the other mail toolbar is not there";
        ASSERT_EQ(bar->GetControls()->Count(), 1);
        auto button = bar->GetControls()->Item(1);
        EXPECT_EQ(button, c.heldButton);
        EXPECT_EQ(button->Caption(), c.caption);
        EXPECT_EQ(button->Tag(), c.tag);
        EXPECT_EQ(button->Parameter(), c.tag);
        EXPECT_EQ(button->TooltipText(), c.tooltip);
        EXPECT_EQ(button->FaceId(), 578);
        EXPECT_EQ(button->Style(), c.style);
        EXPECT_FALSE(button->BeginGroup());
        EXPECT_EQ(button->OnAction(), c.onAction);
    }
    EXPECT_EQ(AddIn().objInsp, writing);
    // Only the latest inspector's Close is followed, and explorers remain.
    h.store->CloseInspector(*received);
    EXPECT_TRUE(h.ctx->gOutlookApp);
    EXPECT_EQ(AddIn().objInsp, writing);
}

TEST_F(AddinTest, StoredLogLevelHoldsFromTheConnectionOn) {
    struct Case {
        std::int32_t stored;  // 0: none stored
        std::int32_t level;
    } cases[] = {{0, 1}, {3, 3}, {-2, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        if (c.stored != 0) settings::WriteNumber(h.registry, "LogLevel", c.stored);
        h.ctx->gLog.LogLevel(7);
        Start();
        EXPECT_EQ(h.ctx->gLog.LogLevel(), c.level);
        connect->OnDisconnection(0);
        h.store->CloseExplorer(*explorer);
    }
    // A value that is no number keeps level 1 and the connection.
    h.WriteSetting("LogLevel", "mange");
    Start();
    EXPECT_EQ(h.ctx->gLog.LogLevel(), 1);
    EXPECT_TRUE(AddIn().objExplBar);
}

TEST_F(AddinTest, AConnectionThatFailsBeforeItStartsLeavesItsReasonInTheLog) {
    connect = std::make_unique<Connect>(*h.ctx, h.store->GetApplication());
    h.ctx->gLog.LogFile("");  // the log is not open before the add-in starts
    connect->OnConnectionFailed("ProgId could not be read (0x80004005)");
    EXPECT_FALSE(connect->objAddIn);
    EXPECT_NE(Log().find("ERROR\t\tOnConnection: ProgId could not be read (0x80004005)"), std::string::npos) << Log();
}

TEST_F(AddinTest, EveryExplorerHasItsToolbarFollowingItsOwnFolder) {
    Start("Inbox");
    auto second = h.store->OpenExplorer("Calendar");
    auto first = explorer;
    auto firstBar = Bar(*first, "Korvane"), secondBar = Bar(*second, "Korvane");
    ASSERT_TRUE(firstBar);
    ASSERT_TRUE(secondBar);
    ASSERT_NE(firstBar, secondBar);
    ASSERT_TRUE(secondBar->FindControl("CBButton"));
    EXPECT_EQ(secondBar->GetControls()->Count(), 1) << "the kept button is reused, not added again";
    struct Step {
        std::shared_ptr<outlook::Explorer>* window;
        const char* folder;
        bool firstVisible, secondVisible;
    } steps[] = {
        {nullptr, "", true, false},  // as opened
        {&second, "Inbox", true, true},      {&first, "Calendar", false, true},
        {&second, "Contacts", false, false}, {&first, "Drafts", true, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.folder);
        if (step.window) {
            ASSERT_TRUE(h.store->SwitchFolder(**step.window, step.folder));
        }
        EXPECT_EQ(firstBar->Visible(), step.firstVisible);
        EXPECT_EQ(secondBar->Visible(), step.secondVisible);
    }

    // The first window closes: the other one is still followed.
    h.store->CloseExplorer(*first);
    EXPECT_TRUE(h.ctx->gOutlookApp);
    EXPECT_EQ(AddIn().objExpl, second);
    ASSERT_TRUE(h.store->SwitchFolder(*second, "Inbox"));
    EXPECT_TRUE(secondBar->Visible());
    // A third appears and goes; closing the last one lets go of the host.
    auto third = h.store->OpenExplorer("Inbox");
    EXPECT_TRUE(Bar(*third, "Korvane")->Visible());
    h.store->CloseExplorer(*third);
    EXPECT_TRUE(h.ctx->gOutlookApp);
    h.store->CloseExplorer(*second);
    EXPECT_FALSE(h.ctx->gOutlookApp);
    EXPECT_FALSE(AddIn().objExpl);
}

// Only a folder whose default item is exactly "IPM.Note" is a mail folder.
TEST_F(AddinTest, TheExplorerToolbarShowsOnlyInFoldersOfExactlyIPMNote) {
    const std::vector<std::pair<std::string, bool>> classes = {
        {"IPM.Note", true},        {"ipm.note", false}, {"IPM.NOTE", false}, {"IPM.StickyNote", false},
        {"IPM.Note.Arkiv", false}, {"IPM.Post", false}, {" IPM.Note", false}};
    for (std::size_t i = 0; i < classes.size(); ++i) h.store->AddFolder("Mappe" + std::to_string(i), classes[i].first);
    Start("Mappe1");
    ASSERT_TRUE(AddIn().objExplBar);
    EXPECT_FALSE(AddIn().objExplBar->Visible()) << "started in an ipm.note folder";
    for (std::size_t i = 0; i < classes.size(); ++i) {
        ASSERT_TRUE(h.store->SwitchFolder(*explorer, "Mappe" + std::to_string(i)));
        EXPECT_EQ(AddIn().objExplBar->Visible(), classes[i].second) << classes[i].first;
        ASSERT_TRUE(h.store->SwitchFolder(*explorer, classes[i].second ? "Calendar" : "Inbox"));
    }
}

TEST_F(AddinTest, StartWithoutAnExplorerConnectsAndBuildsTheToolbarWithTheFirstExplorer) {
    connect = std::make_unique<Connect>(*h.ctx, h.store->GetApplication());
    ASSERT_NO_THROW(connect->OnConnection(kProgId));
    EXPECT_FALSE(AddIn().objExpl);
    EXPECT_FALSE(AddIn().objCBButton);

    // Mail windows work at once.
    auto mail = h.store->Items("Inbox").at(0);
    auto inspector = h.store->OpenInspector(mail);
    h.store->Click(ButtonOn(*inspector, "KorvaneNMail", "CBButtonMail"));
    ASSERT_EQ(record.shown, 1);
    EXPECT_EQ(record.mail, mail);

    // The first explorer gets the toolbar, and its folder and close are followed.
    explorer = h.store->OpenExplorer("Calendar");
    auto bar = Bar(*explorer, "Korvane");
    ASSERT_TRUE(bar);
    EXPECT_FALSE(bar->Visible());
    EXPECT_EQ(AddIn().objExpl, explorer);
    EXPECT_EQ(AddIn().objExplBar, bar);
    ASSERT_TRUE(h.store->SwitchFolder(*explorer, "Inbox"));
    EXPECT_TRUE(bar->Visible());
    h.store->Select(*explorer, h.store->Items("Inbox"));
    h.store->Click(ButtonOn(*explorer, "Korvane", "CBButton"));
    ASSERT_EQ(record.shown, 2);
    EXPECT_EQ(record.explorer, explorer);
    EXPECT_EQ(record.selected, 3);
    h.store->CloseExplorer(*explorer);
    EXPECT_TRUE(h.ctx->gOutlookApp) << "the mail window is still open";
    h.store->CloseInspector(*inspector);
    EXPECT_FALSE(h.ctx->gOutlookApp) << "the last window closed";
    EXPECT_FALSE(AddIn().objInsp);
    EXPECT_FALSE(h.ctx->gImportExplorer);
}

TEST_F(AddinTest, UnloadRemovesTheToolbarShutdownKeepsItAndARestartReusesIt) {
    Start();
    connect->OnDisconnection(0);  // host shutdown
    EXPECT_FALSE(connect->objAddIn);
    EXPECT_FALSE(h.ctx->gOutlookApp);
    EXPECT_TRUE(Bar(*explorer, "Korvane"));
    h.store->CloseExplorer(*explorer);

    // Next run of the host: the kept toolbar is found and its button reused.
    auto store = mailstore::MailStore::Open(h.store->Root());
    explorer = store->OpenExplorer("Inbox");
    auto kept = Bar(*explorer, "Korvane");
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->GetControls()->Count(), 1);
    auto keptButton = kept->GetControls()->Item(1);
    connect = std::make_unique<Connect>(*h.ctx, store->GetApplication());
    connect->OnConnection(kProgId);
    EXPECT_EQ(AddIn().objExplBar, kept);
    EXPECT_EQ(AddIn().objCBButton, keptButton);
    EXPECT_EQ(kept->GetControls()->Count(), 1);

    // The user unloads the add-in: the toolbar goes from every window, for good.
    auto second = store->OpenExplorer("Calendar");
    ASSERT_TRUE(Bar(*second, "Korvane"));
    connect->OnDisconnection(1);
    EXPECT_FALSE(Bar(*explorer, "Korvane"));
    EXPECT_FALSE(Bar(*second, "Korvane"));
    store->CloseExplorer(*explorer);
    store->CloseExplorer(*second);
    auto third = mailstore::MailStore::Open(h.store->Root());
    auto next = third->OpenExplorer("Inbox");
    EXPECT_FALSE(Bar(*next, "Korvane"));
}

TEST_F(AddinTest, AKeptToolbarWithAnUntaggedControlIsRebuilt) {
    settings::WriteNumber(h.registry, "LogLevel", 2);  // a dropped step would leave its line
    explorer = h.store->OpenExplorer("Inbox");
    auto bar = explorer->GetCommandBars()->Add("Korvane", outlook::BarTop, false);
    bar->GetControls()->Add(outlook::ControlButton, "");
    bar->GetControls()->Add(outlook::ControlButton, "")->SetTag("CBButton");
    connect = std::make_unique<Connect>(*h.ctx, h.store->GetApplication());
    connect->OnConnection(kProgId);
    ASSERT_EQ(bar->GetControls()->Count(), 1);
    EXPECT_EQ(bar->GetControls()->Item(1)->TooltipText(), "Korvane Import");
    EXPECT_EQ(Log().find("ERROR"), std::string::npos) << Log();
}

TEST_F(AddinTest, DisconnectionEndsTheDatabaseConnectionAndTheImportExplorer) {
    for (bool disconnected : {true, false}) {  // false: the add-in released without a disconnection
        SCOPED_TRACE(disconnected);
        Start();
        ASSERT_TRUE(h.Load());
        h.ctx->gImportExplorer = explorer;
        if (disconnected) connect->OnDisconnection(0);
        else connect.reset();
        EXPECT_FALSE(h.ctx->gConnection);
        EXPECT_FALSE(h.ctx->gImportExplorer);
        h.store->CloseExplorer(*explorer);
    }
}

TEST_F(AddinTest, ContactsAndAppointmentsGetNoToolbar) {
    Start();
    auto contact = h.store->OpenInspector(h.store->AddItemFile("Contacts", TestData("kontakt.vcf")));
    auto meeting = h.store->OpenInspector(h.store->AddItemFile("Calendar", TestData("moede.ics")));
    EXPECT_EQ(contact->GetCommandBars()->Count(), 0);
    EXPECT_EQ(meeting->GetCommandBars()->Count(), 0);
    EXPECT_FALSE(AddIn().objNMailBar);
    EXPECT_FALSE(AddIn().objSMailBar);
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(AddinTest, MailWindowsOutliveTheLastExplorerAndTheLastWindowOfAnyKindLetsGo) {
    auto app = h.store->GetApplication();
    const long hostRefs = app.use_count();  // the store's own and this one
    Start();
    auto received = h.store->OpenInspector(h.store->Items("Inbox").at(0));
    auto writing = h.store->OpenInspector(h.store->AddItemFile("Drafts", TestData("draft_ok.eml")));
    h.store->CloseExplorer(*explorer);
    ASSERT_TRUE(h.ctx->gOutlookApp) << "mail windows are open";
    EXPECT_FALSE(AddIn().objExpl);

    // Their buttons keep working, and a main window opened now gets its toolbar.
    h.store->Click(ButtonOn(*received, "KorvaneNMail", "CBButtonMail"));
    EXPECT_EQ(record.shown, 1);
    auto later = h.store->OpenExplorer("Inbox");
    EXPECT_TRUE(Bar(*later, "Korvane"));
    EXPECT_EQ(AddIn().objExpl, later);
    h.store->CloseExplorer(*later);

    // Every inspector's close is followed, the one opened first too.
    h.store->CloseInspector(*writing);
    EXPECT_TRUE(h.ctx->gOutlookApp);
    EXPECT_FALSE(AddIn().objInsp) << "the closed window is let go of";
    EXPECT_GT(app.use_count(), hostRefs);
    h.store->CloseInspector(*received);
    // Every reference to the host is let go, or the host cannot quit.
    EXPECT_EQ(app.use_count(), hostRefs);
    const OutAddIn& a = AddIn();
    const std::vector<std::pair<const char*, bool>> held = {{"gOutlookApp", bool(h.ctx->gOutlookApp)},
                                                            {"objOutlook", bool(a.objOutlook)},
                                                            {"objNS", bool(a.objNS)},
                                                            {"colExpl", bool(a.colExpl)},
                                                            {"colInsp", bool(a.colInsp)},
                                                            {"objExpl", bool(a.objExpl)},
                                                            {"objExplBar", bool(a.objExplBar)},
                                                            {"objCBButton", bool(a.objCBButton)},
                                                            {"objCBButtonMail", bool(a.objCBButtonMail)},
                                                            {"objCBNewButtonMail", bool(a.objCBNewButtonMail)},
                                                            {"objInsp", bool(a.objInsp)},
                                                            {"objNMailBar", bool(a.objNMailBar)},
                                                            {"objSMailBar", bool(a.objSMailBar)}};
    for (const auto& [name, isHeld] : held) EXPECT_FALSE(isHeld) << name;

    // Detached: new windows are no longer followed.
    auto inspector = h.store->OpenInspector(h.store->Items("Inbox").at(1));
    EXPECT_FALSE(Bar(*inspector, "KorvaneNMail"));
    EXPECT_NO_THROW(h.store->CloseInspector(*inspector));
    h.store->OpenExplorer("Inbox");
    EXPECT_FALSE(a.objExpl) << "a new explorer is not followed either";

    // The host's disconnection afterwards detaches again, harmlessly, and
    // finds no application to remove the toolbar from.
    connect->OnDisconnection(1);
    EXPECT_FALSE(connect->objAddIn);
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(AddinTest, EveryExplorerOpenAtConnectionIsFollowed) {
    auto first = h.store->OpenExplorer("Inbox");
    auto second = h.store->OpenExplorer("Calendar");
    connect = std::make_unique<Connect>(*h.ctx, h.store->GetApplication());
    connect->OnConnection(kProgId);
    auto secondBar = Bar(*second, "Korvane");
    ASSERT_TRUE(Bar(*first, "Korvane"));
    ASSERT_TRUE(secondBar);
    EXPECT_FALSE(secondBar->Visible()) << "a calendar is shown there";
    ASSERT_TRUE(h.store->SwitchFolder(*second, "Inbox"));
    EXPECT_TRUE(secondBar->Visible()) << "its folder switches are followed";
    h.store->CloseExplorer(*first);
    EXPECT_TRUE(h.ctx->gOutlookApp);
    h.store->CloseExplorer(*second);
    EXPECT_FALSE(h.ctx->gOutlookApp) << "its close is followed";
}

}  // namespace
}  // namespace kv::addintest
