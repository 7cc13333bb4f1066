// The installed add-in end to end, where only Windows can show it: COM
// creates Connect from its ProgId in the real DLL and connects it to an
// Outlook made of fake IDispatch objects. What is checked here is the COM
// side: properties and events through IDispatch and connection points,
// message boxes owned by real windows, and every reference given back. The
// add-in's decisions, its ribbon's markup among them, are the Linux tests'
// concern.
#include <gtest/gtest.h>

#include "fake_outlook.hpp"

namespace kv::win32::test {
namespace {

TEST_F(AddinInOutlook, BuildsItsToolbarThroughIDispatchFollowsEventsAndGivesEveryReferenceBack) {
    ASSERT_EQ(ConnectAtStartup(), S_OK);
    EXPECT_EQ(connect->OnStartupComplete(nullptr), S_OK);
    if (!Installed()) {
        // COM loaded the very module the test loaded by path, and keeps it.
        EXPECT_EQ(::GetModuleHandleW(DllPath().c_str()), dll_);
        EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    }
    // Texts, numbers and booleans reach the fake's properties as put.
    ASSERT_EQ(Calls(bars, L"Add"), 1);
    EXPECT_EQ(bars.Calls().back().args[0].Text(), "Korvane");
    EXPECT_EQ(button.Value(L"OnAction").Text(), "<!KVOutlookAddin.ConnectGlobal>");
    EXPECT_EQ(button.Value(L"FaceId").Int(), 578);
    EXPECT_TRUE(toolbar.Value(L"Visible").Bool());
    EXPECT_EQ(explorer.Sinks(kExplorerEvents10), 2u);
    EXPECT_EQ(inspectors.Sinks(kInspectorsEvents), 1u);
    EXPECT_EQ(explorers.Sinks(kExplorersEvents), 1u);

    // A folder switch arrives with the folder and a cancel flag by reference.
    VARIANT_BOOL cancel = VARIANT_FALSE;
    explorer.Fire(kExplorerEvents10, kBeforeFolderSwitch, {Object(calendar), BoolRef(&cancel)});
    EXPECT_FALSE(toolbar.Value(L"Visible").Bool());
    EXPECT_EQ(cancel, VARIANT_FALSE);

    // A second window, as Explorers announces it, gets its own toolbar;
    // Click goes to every button of the tag, and one bound is one import.
    OpenExplorer(other);
    ASSERT_EQ(Calls(other.bars, L"Add"), 1);
    EXPECT_EQ(button.Sinks(kButtonEvents) + other.button.Sinks(kButtonEvents), 1u);
    if (HaveDisplay()) {
        // The click reads the selection of the window clicked in, and the
        // box belongs to that window.
        mail.Set(L"Class", Var(43));
        selection.Set(L"Count", Var(1)).SetObject(L"Item", &mail);
        BoxAnswer::Arm();
        Click(other);
        EXPECT_EQ(BoxAnswer::shown, 1);
        EXPECT_EQ(Narrow(BoxAnswer::text), "Du skal vælge en e-mail først.");
        EXPECT_EQ(BoxAnswer::owner, other.explorer.Window());
        EXPECT_EQ(Calls(selection, L"Count"), 0);
    }

    EXPECT_EQ(connect->OnBeginShutdown(nullptr), S_OK);
    CloseExplorer(other);
    EXPECT_EQ(other.toolbar.Refs(), 0);
    EXPECT_GT(app.Refs(), 0);
    // Removed by the user: the toolbar goes, and every reference is given back.
    ASSERT_EQ(connect->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
    EXPECT_EQ(Calls(toolbar, L"Delete"), 1);
    EXPECT_EQ(explorer.Sinks(kExplorerEvents10), 0u);
    EXPECT_EQ(button.Sinks(kButtonEvents), 0u);
    EXPECT_EQ(app.Refs(), 0);
    connect.Reset();
    if (!Installed()) {
        EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    }
}

// Closing Outlook's last window lets go of it before any disconnection: of
// every object, and of every event sink advised (which only COM shows).
TEST_F(AddinInOutlook, TheLastWindowClosedLetsGoOfOutlook) {
    ASSERT_EQ(ConnectAtStartup(), S_OK);
    CloseExplorer(main);
    std::wstring held;
    EXPECT_TRUE(world.AllReleased(&held)) << "still held: the object first asked for " << Narrow(held);
    EXPECT_EQ(button.Sinks(kButtonEvents), 0u);
    ASSERT_EQ(connect->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
}

}  // namespace
}  // namespace kv::win32::test
