// The add-in's ribbon as Outlook 2010 and later use it: the add-in object is
// asked for IRibbonExtensibility once connected, its markup is read per
// ribbon id (and parsed here by MSXML), and a pressed button calls the
// add-in back by its onAction name with the window it was pressed in.
#include <gtest/gtest.h>

#include <set>

#include "fake_outlook.hpp"
#include "ribbon_markup.hpp"
#include "settings/settings_key.hpp"

namespace kv::win32::test {
namespace {

struct RibbonCase {
    const wchar_t* ribbonId;
    const char* tab;
    const char* label;
    const char* screentip;
};
// The toolbar buttons' captions and tooltips, on the mail tab of each kind of window.
const RibbonCase kRibbons[] = {
    {kExplorerRibbon, "TabMail", "Korvane", "Korvane Import"},
    {kReadMailRibbon, "TabReadMessage", "Korvane", "Korvane Import"},
    {kComposeMailRibbon, "TabNewMailMessage", "Send", "Korvane Import og send"},
};

class RibbonInOutlook : public AddinInOutlook {
protected:
    // The onAction callback of the one button the markup for ribbonId has.
    std::string Callback(const wchar_t* ribbonId) {
        const RibbonMarkup markup = ReadRibbonMarkup(ribbonId == kExplorerRibbon ? explorerRibbonXml : CustomUI(ribbonId));
        return markup.buttons.size() == 1 ? markup.buttons[0].onAction : std::string();
    }
};

TEST_F(RibbonInOutlook, EachMailWindowsRibbonGetsAKorvaneGroupWithItsToolbarButton) {
    ASSERT_EQ(ConnectAtStartup(), S_OK);
    ASSERT_TRUE(ribbon) << "the add-in object does not answer IRibbonExtensibility";
    std::set<std::string> callbacks;
    for (const RibbonCase& c : kRibbons) {
        SCOPED_TRACE(Narrow(c.ribbonId));
        const std::string xml = c.ribbonId == kExplorerRibbon ? explorerRibbonXml : CustomUI(c.ribbonId);
        const RibbonMarkup markup = ReadRibbonMarkup(xml);
        ASSERT_TRUE(markup.parsed) << markup.parseError << "\n" << xml;
        EXPECT_EQ(markup.rootName, "customUI");
        EXPECT_EQ(markup.rootNamespace, kCustomUiNamespace);
        EXPECT_EQ(markup.groups, std::vector<std::string>{std::string(c.tab) + "/Korvane"}) << xml;
        ASSERT_EQ(markup.buttons.size(), 1u) << xml;
        const RibbonButton& button = markup.buttons[0];
        EXPECT_EQ(button.label, c.label);
        EXPECT_EQ(button.screentip, c.screentip);
        EXPECT_FALSE(button.id.empty());
        // Office resolves the callback through the add-in's IDispatch, apart
        // from the ids of IDTExtensibility2's own methods.
        const DISPID id = CallbackId(button.onAction);
        EXPECT_NE(id, DISPID_UNKNOWN) << button.onAction;
        EXPECT_FALSE(id >= DispId_OnConnection && id <= DispId_OnBeginShutdown) << id;
        callbacks.insert(button.onAction);
    }
    EXPECT_EQ(callbacks.size(), 3u) << "each window kind has its own action";

    // Other windows (contacts, appointments, ...) get nothing, and names
    // the markup does not use are unknown.
    for (const wchar_t* other : {L"Microsoft.Outlook.Contact", L"Microsoft.Outlook.Appointment", L""})
        EXPECT_EQ(CustomUI(other), "") << Narrow(other);
    EXPECT_EQ(CallbackId("KorvaneDoesNotKnowThis"), DISPID_UNKNOWN);
    EXPECT_EQ(CallbackId("OnConnection"), DispId_OnConnection);
    ASSERT_EQ(connect->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
}

TEST_F(RibbonInOutlook, TheExplorerButtonImportsTheSelectionOfTheWindowItWasPressedIn) {
    if (!HaveDisplay()) GTEST_SKIP() << "no display (the Windows test stage starts Xvfb)";
    DeleteTree(kUser, Widen(settings::kSettingsKey));
    ASSERT_EQ(ConnectAtStartup(), S_OK);
    OpenExplorer(other);
    const std::string callback = Callback(kExplorerRibbon);
    // The active window has a mail selected; the one pressed in has none.
    mail.Set(L"Class", Var(43)).Set(L"Subject", Var("Tilbud"));
    selection.Set(L"Count", Var(1)).SetObject(L"Item", &mail);
    active = &main.explorer;
    BoxAnswer::Arm();
    ASSERT_EQ(PressRibbon(callback, other.explorer), S_OK);
    EXPECT_EQ(BoxAnswer::shown, 1);
    EXPECT_EQ(Narrow(BoxAnswer::text), "Du skal vælge en e-mail først.");
    EXPECT_EQ(BoxAnswer::owner, other.explorer.Window()) << "the box belongs to the window pressed in";
    EXPECT_EQ(Calls(other.selection, L"Count"), 1);
    EXPECT_EQ(Calls(selection, L"Count"), 0);

    // Pressed in the first window, its own selection goes on to the
    // import (which stops at the missing settings).
    active = &other.explorer;
    BoxAnswer::Arm();
    ASSERT_EQ(PressRibbon(callback, main.explorer), S_OK);
    EXPECT_EQ(BoxAnswer::shown, 1);
    EXPECT_EQ(Narrow(BoxAnswer::title), "Korvane import");
    EXPECT_EQ(Narrow(BoxAnswer::text), "Start Korvane mindst en gang før denne funktion kan bruges");
    EXPECT_EQ(Calls(selection, L"Count"), 1);
    EXPECT_EQ(Calls(other.selection, L"Count"), 1);
    ASSERT_EQ(connect->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
}

TEST_F(RibbonInOutlook, WithToolbarsTurnedOffNoToolbarIsBuiltAndAKeptOneGoes) {
    WriteText(kUser, Widen(settings::kSettingsKey), L"Toolbars", L"0");
    // The toolbar an earlier run left in the window (kept between runs).
    bars.SetObject(L"Item", &toolbar);
    ASSERT_EQ(ConnectAtStartup(), S_OK);
    EXPECT_EQ(Calls(bars, L"Add"), 0);
    EXPECT_EQ(Calls(controls, L"Add"), 0);
    EXPECT_EQ(Calls(toolbar, L"Delete"), 1);
    EXPECT_EQ(button.Sinks(kButtonEvents), 0u);
    // Only the window's Close is followed, to let go of Outlook.
    EXPECT_EQ(explorer.Sinks(kExplorerEvents10), 1u);

    // The ribbon works as ever.
    ASSERT_TRUE(ribbon);
    if (HaveDisplay()) {
        BoxAnswer::Arm();
        ASSERT_EQ(PressRibbon(Callback(kExplorerRibbon), main.explorer), S_OK);
        EXPECT_EQ(BoxAnswer::shown, 1);
        EXPECT_EQ(Narrow(BoxAnswer::text), "Du skal vælge en e-mail først.");
    }
    CloseExplorer(main);
    std::wstring held;
    EXPECT_TRUE(world.AllReleased(&held)) << "still held: the object first asked for " << Narrow(held);
    ASSERT_EQ(connect->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
    DeleteTree(kUser, Widen(settings::kSettingsKey));
}

TEST_F(RibbonInOutlook, AnyOtherToolbarsValueKeepsTheToolbars) {
    for (const wchar_t* value : {L"1", L"", L"nej", L"00"}) {
        SCOPED_TRACE(Narrow(value));
        WriteText(kUser, Widen(settings::kSettingsKey), L"Toolbars", value);
        ASSERT_EQ(ConnectAtStartup(), S_OK);
        EXPECT_EQ(button.Sinks(kButtonEvents), 1u);
        EXPECT_EQ(button.Value(L"Tag").Text(), "CBButton");
        ASSERT_EQ(connect->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
    }
    DeleteTree(kUser, Widen(settings::kSettingsKey));
}

}  // namespace
}  // namespace kv::win32::test
