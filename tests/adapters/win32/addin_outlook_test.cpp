// The installed add-in end to end: COM creates Connect from its ProgId in the
// real DLL, and it connects to an Outlook made of fake IDispatch objects:
// its toolbar, the folder switch, a click, and disconnection.
#include <gtest/gtest.h>

#include "fake_outlook.hpp"

namespace kv::win32::test {
namespace {

TEST_F(AddinInOutlook, AddsItsToolbarFollowsTheFolderAndRemovesItOnDisconnection) {
    ASSERT_EQ(ConnectAtStartup(), S_OK);
    EXPECT_EQ(connect->OnStartupComplete(nullptr), S_OK);

    // One toolbar "Korvane" with its one button, shown on a mail folder.
    ASSERT_EQ(Calls(bars, L"Add"), 1);
    EXPECT_EQ(bars.Calls().back().args[0].Text(), "Korvane");
    EXPECT_EQ(Calls(controls, L"Add"), 1);
    EXPECT_EQ(button.Value(L"Tag").Text(), "CBButton");
    EXPECT_EQ(button.Value(L"FaceId").Int(), 578);
    EXPECT_EQ(button.Value(L"TooltipText").Text(), "Korvane Import");
    EXPECT_EQ(button.Value(L"OnAction").Text(), "<!KVOutlookAddin.ConnectGlobal>");
    EXPECT_TRUE(toolbar.Value(L"Visible").Bool());
    // The events the add-in follows are connected.
    EXPECT_EQ(explorer.Sinks(kExplorerEvents10), 2u);
    EXPECT_EQ(inspectors.Sinks(kInspectorsEvents), 1u);
    EXPECT_EQ(button.Sinks(kButtonEvents), 1u);

    // Off to the calendar: the toolbar hides; back on the Inbox it shows.
    VARIANT_BOOL cancel = VARIANT_FALSE;
    explorer.Fire(kExplorerEvents10, kBeforeFolderSwitch, {Object(calendar), BoolRef(&cancel)});
    EXPECT_FALSE(toolbar.Value(L"Visible").Bool());
    EXPECT_EQ(cancel, VARIANT_FALSE);
    explorer.Fire(kExplorerEvents10, kBeforeFolderSwitch, {Object(inbox), BoolRef(&cancel)});
    EXPECT_TRUE(toolbar.Value(L"Visible").Bool());

    EXPECT_EQ(connect->OnBeginShutdown(nullptr), S_OK);
    // Removed by the user: the toolbar goes, and every reference is given back.
    ASSERT_EQ(connect->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
    EXPECT_EQ(Calls(toolbar, L"Delete"), 1);
    EXPECT_EQ(explorer.Sinks(kExplorerEvents10), 0u);
    EXPECT_EQ(button.Sinks(kButtonEvents), 0u);
    EXPECT_EQ(app.Refs(), 0);
}

// Without its ProgId the add-in does not start, but its log says why.
TEST_F(AddinInOutlook, AProgIdThatCannotBeReadIsLoggedAndConnectsNothing) {
    const AddinLog log;
    const long mark = log.Mark();
    FakeDispatch noProgId{{{L"Name", L"Korvane"}}};
    EXPECT_EQ(connect->OnConnection(&app, ext_cm_Startup, &noProgId, nullptr), DISP_E_UNKNOWNNAME);
    const std::vector<std::string> lines = log.LinesSince(mark);
    ASSERT_EQ(lines.size(), 1u);
    for (const char* part : {"OnConnection: ", "ProgId", "0x80020006"})
        EXPECT_NE(lines[0].find(part), std::string::npos) << part << " in " << lines[0];
    EXPECT_EQ(Calls(bars, L"Add"), 0);
    EXPECT_EQ(noProgId.Refs(), 0);
    ASSERT_EQ(ConnectAtStartup(), S_OK) << "the next connection starts as ever";
    ASSERT_EQ(connect->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
}

TEST_F(AddinInOutlook, AtHostShutdownTheToolbarStaysAndIsReusedNextTime) {
    ASSERT_EQ(ConnectAtStartup(), S_OK);
    ASSERT_EQ(connect->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
    EXPECT_EQ(Calls(toolbar, L"Delete"), 0);

    // The next start finds the toolbar and its button: nothing is added twice.
    ASSERT_EQ(ConnectAtStartup(), S_OK);
    EXPECT_EQ(Calls(bars, L"Add"), 1);
    EXPECT_EQ(Calls(controls, L"Add"), 1);
    EXPECT_EQ(button.Sinks(kButtonEvents), 1u);
    ASSERT_EQ(connect->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
}

TEST_F(AddinInOutlook, StartedWithoutAWindowItConnectsAndBuildsTheToolbarWithTheFirstExplorer) {
    active = nullptr;
    shownExplorers.clear();
    ASSERT_EQ(ConnectAtStartup(), S_OK);
    EXPECT_EQ(Calls(bars, L"Add"), 0);
    EXPECT_EQ(inspectors.Sinks(kInspectorsEvents), 1u) << "mail windows are followed at once";
    EXPECT_EQ(explorers.Sinks(kExplorersEvents), 1u);

    explorer.SetObject(L"CurrentFolder", &calendar);
    OpenExplorer(main);
    ASSERT_EQ(Calls(bars, L"Add"), 1);
    EXPECT_EQ(button.Value(L"Tag").Text(), "CBButton");
    EXPECT_EQ(button.Value(L"OnAction").Text(), "<!KVOutlookAddin.ConnectGlobal>");
    EXPECT_FALSE(toolbar.Value(L"Visible").Bool());
    EXPECT_EQ(explorer.Sinks(kExplorerEvents10), 2u);
    EXPECT_EQ(button.Sinks(kButtonEvents), 1u);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    explorer.Fire(kExplorerEvents10, kBeforeFolderSwitch, {Object(inbox), BoolRef(&cancel)});
    EXPECT_TRUE(toolbar.Value(L"Visible").Bool());

    // Its close (the only window) lets go of Outlook before disconnection.
    CloseExplorer(main);
    std::wstring held;
    EXPECT_TRUE(world.AllReleased(&held)) << "still held: the object first asked for " << Narrow(held);
    EXPECT_EQ(app.Refs(), 0);
    ASSERT_EQ(connect->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
}

TEST_F(AddinInOutlook, EveryExplorerHasItsToolbarAndTheClickReadsTheActiveOne) {
    ASSERT_EQ(ConnectAtStartup(), S_OK);
    other.explorer.SetObject(L"CurrentFolder", &calendar);
    OpenExplorer(other);
    ASSERT_EQ(Calls(other.bars, L"Add"), 1);
    EXPECT_EQ(other.button.Value(L"Tag").Text(), "CBButton");
    EXPECT_TRUE(toolbar.Value(L"Visible").Bool());
    EXPECT_FALSE(other.toolbar.Value(L"Visible").Bool());
    EXPECT_EQ(other.explorer.Sinks(kExplorerEvents10), 2u);
    // Outlook raises Click on every button of the tag: one bound is one import.
    EXPECT_EQ(button.Sinks(kButtonEvents) + other.button.Sinks(kButtonEvents), 1u);

    // Each window's folder switch moves its own toolbar only.
    VARIANT_BOOL cancel = VARIANT_FALSE;
    other.explorer.Fire(kExplorerEvents10, kBeforeFolderSwitch, {Object(inbox), BoolRef(&cancel)});
    EXPECT_TRUE(other.toolbar.Value(L"Visible").Bool());
    explorer.Fire(kExplorerEvents10, kBeforeFolderSwitch, {Object(calendar), BoolRef(&cancel)});
    EXPECT_FALSE(toolbar.Value(L"Visible").Bool());
    EXPECT_TRUE(other.toolbar.Value(L"Visible").Bool());

    if (HaveDisplay()) {
        // A mail is selected in the first window only; the click in the second reads the second.
        mail.Set(L"Class", Var(43));
        selection.Set(L"Count", Var(1)).SetObject(L"Item", &mail);
        BoxAnswer::Arm();
        Click(other);
        EXPECT_EQ(BoxAnswer::shown, 1);
        EXPECT_EQ(Narrow(BoxAnswer::text), "Du skal vælge en e-mail først.");
        EXPECT_EQ(BoxAnswer::owner, other.explorer.Window()) << "the box belongs to the window clicked in";
        EXPECT_EQ(Calls(other.selection, L"Count"), 1);
        EXPECT_EQ(Calls(selection, L"Count"), 0);
    }

    // The first window closes: the second is still followed.
    CloseExplorer(main);
    EXPECT_EQ(explorer.Sinks(kExplorerEvents10), 0u);
    EXPECT_EQ(button.Sinks(kButtonEvents), 0u);
    EXPECT_EQ(other.button.Sinks(kButtonEvents), 1u);
    EXPECT_EQ(toolbar.Refs(), 0);
    EXPECT_GT(app.Refs(), 0);
    other.explorer.Fire(kExplorerEvents10, kBeforeFolderSwitch, {Object(calendar), BoolRef(&cancel)});
    EXPECT_FALSE(other.toolbar.Value(L"Visible").Bool());
    // The last one closes: every reference goes.
    CloseExplorer(other);
    std::wstring held;
    EXPECT_TRUE(world.AllReleased(&held)) << "still held: the object first asked for " << Narrow(held);
    EXPECT_EQ(app.Refs(), 0);
    ASSERT_EQ(connect->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
    EXPECT_EQ(Calls(toolbar, L"Delete") + Calls(other.toolbar, L"Delete"), 0) << "no application to reach it";
}

}  // namespace
}  // namespace kv::win32::test
