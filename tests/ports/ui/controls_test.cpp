#include <gtest/gtest.h>

#include <functional>

#include "ports/ui/controls.hpp"
#include "support/error.hpp"

using namespace kv::ui;

TEST(ComboBox, RefusesAnIndexOutsideTheListAndKeepsItsChoice) {
    ComboBox box("cboActive");
    box.AddItem("a");
    box.SetListIndex(0);
    int clicks = 0;
    box.Click.Subscribe([&] { ++clicks; });
    try {
        box.List(1);
        FAIL();
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Number(), uierr::InvalidPropertyValue);
        EXPECT_EQ(e.Description(), "Invalid property value (List)");
    }
    EXPECT_THROW(box.SetListIndex(3), kv::Error);
    EXPECT_THROW(box.SetListIndex(-2), kv::Error);
    EXPECT_EQ(box.ListIndex(), 0);
    EXPECT_EQ(clicks, 0);
    box.SetListIndex(-1);  // no choice: nothing was clicked
    EXPECT_EQ(clicks, 0);
    box.SetEnabled(false);
    EXPECT_FALSE(box.UserSelect(0));
    EXPECT_EQ(box.ListIndex(), -1);
}

TEST(CheckBox, ClickOnlyWhenTheValueChanges) {
    CheckBox box("chkDelete");
    int clicks = 0;
    box.Click.Subscribe([&] { ++clicks; });
    box.SetValue(0);
    EXPECT_EQ(clicks, 0);
    box.SetValue(1);
    box.SetValue(1);
    EXPECT_EQ(clicks, 1);
    EXPECT_THROW(box.SetValue(3), kv::Error);
    EXPECT_TRUE(box.UserClick());
    EXPECT_EQ(box.Value(), 0);
    EXPECT_EQ(clicks, 2);
    box.SetEnabled(false);
    EXPECT_FALSE(box.UserClick());
    EXPECT_EQ(box.Value(), 0);
    EXPECT_EQ(clicks, 2);
}

TEST(TextBox, KeyPressMaySwallowOrReplaceKeys) {
    TextBox box("txtJobId");
    std::vector<int> codes;
    // Digits only, as the job-number box wants; letters become nothing,
    // 'x' becomes '0'.
    box.KeyPress.Subscribe([&](int& code) {
        codes.push_back(code);
        if (code == 'x') code = '0';
        else if (code > 22 && (code < '0' || code > '9')) code = 0;
    });
    box.UserType("12a3x");
    EXPECT_EQ(box.Text(), "1230");
    box.UserPressKey(keys::Backspace);
    EXPECT_EQ(box.Text(), "123");
    EXPECT_TRUE(box.UserPressKey(keys::Enter));
    EXPECT_EQ(box.Text(), "123");  // Enter adds nothing to a one-line box
    EXPECT_EQ(codes.back(), keys::Enter);
    box.UserType("\n");
    EXPECT_EQ(codes.back(), keys::Enter);
}

TEST(TextBox, AViewsEditWindowGetsTheKeyAsKeyPressLeftIt) {
    TextBox box("txtJobNavn");
    box.KeyPress.Subscribe([](int& code) {
        if (code == 'x') code = 0;
        if (code == 'a') code = 'A';
    });
    EXPECT_EQ(box.UserFilterKey('a'), 'A');
    EXPECT_EQ(box.UserFilterKey('x'), 0);
    EXPECT_EQ(box.UserFilterKey(keys::Backspace), keys::Backspace);
    EXPECT_EQ(box.Text(), "") << "the view's window applies the key, not the model";
    box.SetEnabled(false);
    EXPECT_EQ(box.UserFilterKey('b'), 0);
}

TEST(TextBox, PastedTextPassesTheKeyFilterWhole) {
    TextBox box("txtJobId");
    box.KeyPress.Subscribe([](int& code) {
        if (code > 22 && (code < '0' || code > '9')) code = 0;
    });
    EXPECT_TRUE(box.UserPaste("12a"));
    EXPECT_EQ(box.Text(), "12a");
    TextBox strict("strict");
    strict.KeyPress.Subscribe([](int& code) { code = 0; });
    EXPECT_FALSE(strict.UserPaste("x"));
    EXPECT_EQ(strict.Text(), "");
    box.SetEnabled(false);
    EXPECT_FALSE(box.UserPaste("3"));
    EXPECT_EQ(box.Text(), "12a");
}

TEST(TextBox, TypesUnicodeAndBackspacesWholeCharacters) {
    TextBox box("txtJobNavn");
    int changes = 0;
    box.Change.Subscribe([&] { ++changes; });
    box.UserType("Ø\U0010FFFF");  // the last code point there is
    EXPECT_EQ(box.Text(), "Ø\U0010FFFF");
    box.UserPressKey(keys::Backspace);
    EXPECT_EQ(box.Text(), "Ø");
    box.UserPressKey(keys::Backspace);
    box.UserPressKey(keys::Backspace);  // on an empty box: nothing to remove
    EXPECT_EQ(box.Text(), "");
    EXPECT_EQ(changes, 4);
    box.SetVisible(false);
    EXPECT_FALSE(box.UserPressKey('a'));
    EXPECT_EQ(box.Text(), "");
}

TEST(Button, UserClickRaisesClickOnlyWhenReachable) {
    Button b("cmdImport");
    int clicks = 0;
    b.Click.Subscribe([&] { ++clicks; });
    EXPECT_TRUE(b.UserClick());
    EXPECT_NO_THROW(b.SetHeight(0));
    EXPECT_THROW(b.SetHeight(-1), kv::Error);
    b.SetEnabled(false);
    EXPECT_FALSE(b.UserClick());
    EXPECT_EQ(clicks, 1);
}

namespace {

class TwoButtons : public Form {
public:
    TwoButtons() : Form("frmTest") {}
    int designs = 0;

protected:
    void Design() override {
        ++designs;
        SetCaption("Design");
        Add<Label>("lbl").SetTag("x");
        Add<Button>("cmdClose").SetTabIndex(1);
        Add<Button>("cmdOk").SetTabIndex(0);
    }
};

class UnloadingView : public View {
public:
    std::vector<std::string> controlsSeen;
    bool unload = true;
    void ShowModal(Form& form) override {
        for (const Control* c : form.Controls()) controlsSeen.push_back(c->Name());
        if (unload) form.Get<Button>("cmdClose").UserClick();
    }
};

}  // namespace

TEST(Form, EachShowingStartsFromTheDesignAndEndsUnloaded) {
    TwoButtons form;
    UnloadingView view;
    int loads = 0, unloads = 0;
    form.Load.Subscribe([&] {
        ++loads;
        form.SetCaption(form.Caption() + ", user");
        form.Get<Button>("cmdClose").Click.Subscribe([&] { form.Unload(); });
    });
    form.UnloadEvent.Subscribe([&] { ++unloads; });
    form.ShowModal(view);
    form.ShowModal(view);
    EXPECT_EQ(form.designs, 2);
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(unloads, 2);
    EXPECT_EQ(form.Caption(), "Design, user");  // never twice
    EXPECT_EQ(view.controlsSeen, (std::vector<std::string>{"lbl", "cmdClose", "cmdOk", "lbl", "cmdClose", "cmdOk"}));
    EXPECT_FALSE(form.IsLoaded());
    ASSERT_EQ(form.TabOrder().size(), 2u);
    EXPECT_EQ(form.TabOrder()[0]->Name(), "cmdOk");
    EXPECT_EQ(form.ActiveControl()->Name(), "cmdOk");
}

// A view that records the pointers it is told to show while the form is up.
class PointerView : public View {
public:
    std::vector<int> shown;
    std::function<void(Form&)> whileShown;
    void ShowModal(Form& form) override {
        if (whileShown) whileShown(form);
        form.Unload();
    }
    void ShowPointer(int pointer) override { shown.push_back(pointer); }
};

TEST(Form, TheViewShowsAPointerChangeAtOnceWhileTheFormIsShown) {
    TwoButtons form;
    PointerView view;
    form.Load.Subscribe([&] { form.SetMousePointer(pointer::Hourglass); });  // no window yet
    view.whileShown = [&](Form& f) {
        f.SetMousePointer(pointer::Default);
        f.SetMousePointer(pointer::Hourglass);
        EXPECT_EQ(view.shown, (std::vector<int>{pointer::Default, pointer::Hourglass})) << "at once, not afterwards";
        f.SetMousePointer(pointer::Hourglass);  // no change, nothing to show
        f.SetMousePointer(pointer::Default);
    };
    form.ShowModal(view);
    EXPECT_EQ(view.shown, (std::vector<int>{pointer::Default, pointer::Hourglass, pointer::Default}));
    form.SetMousePointer(pointer::Hourglass);  // closed: no view to tell
    EXPECT_EQ(view.shown.size(), 3u);
}

TEST(Form, AViewThatReturnsWithoutUnloadStillUnloads) {
    TwoButtons form;
    UnloadingView view;
    view.unload = false;
    int unloads = 0;
    form.UnloadEvent.Subscribe([&] { ++unloads; });
    form.ShowModal(view);
    EXPECT_EQ(unloads, 1);
    EXPECT_FALSE(form.IsLoaded());
}

TEST(Form, ALoadFailureReachesTheCallerAndTheWindowNeverShows) {
    TwoButtons form;
    UnloadingView view;
    form.Load.Subscribe([] { throw kv::Error(76, "test", "Path not found"); });
    EXPECT_THROW(form.ShowModal(view), kv::Error);
    EXPECT_TRUE(view.controlsSeen.empty());
    EXPECT_FALSE(form.IsLoaded());
}
