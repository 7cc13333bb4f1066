// The dialog view and the prompts on a real (Wine) desktop: the import
// dialog's design with 50,000 resources, driven by the messages Windows
// itself sends, checked against the control models.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/dialog/win32_prompts.hpp"
#include "adapters/win32/dialog/win32_view.hpp"
#include "dialog/frmKorvane_layout.hpp"
#include "window_probe.hpp"

namespace {

using kv::win32::Narrow;
using kv::win32::dialog::Win32Prompts;
using kv::win32::dialog::Win32View;
using kv::win32::test::BoxAnswer;
using kv::win32::test::HaveDisplay;
using kv::win32::test::ListText;
using kv::win32::test::TreeText;
using kv::win32::test::WindowText;
namespace ui = kv::ui;

constexpr int kResources = 50000;

// prefix followed by n (appended: GCC 12 warns falsely on "R" + to_string).
std::string Numbered(const char* prefix, int n) {
    std::string text = prefix;
    text += std::to_string(n);
    return text;
}

// The import dialog's design with stand-in handlers that log what they saw.
class TestForm : public ui::Form {
public:
    TestForm() : Form("frmKorvane") {}
    kv::dialog::KorvaneControls k;
    std::vector<std::string> log;

protected:
    void Design() override {
        k = kv::dialog::BuildKorvaneLayout(*this);
        for (int i = 1; i <= kResources; ++i)
            k.lstvRess->Add(Numbered("R", i), Numbered("Kunde ", i)).SetTag(i == 2 ? 1 : 3);
        for (int i = 1; i <= 3; ++i) {
            ui::ListItem& job = k.lstvJobs->Add(Numbered("J", i), std::to_string(1000 + i));
            job.SetSubItem(1, Numbered("Kampagne ", i));
            job.SetSmallIcon("job");
        }
        k.cboRessType->SetListIndex(0);
        k.cboActive->SetListIndex(0);
        ui::TreeView& tree = *k.treeFolders;
        ui::TreeNode& root = tree.Add(0, ui::Relationship::Last, "Dokumenter", "folc", "folo");
        tree.Add(root.Index(), ui::Relationship::Child, "Tilbud", "folc", "folo");
        ui::TreeNode& contracts = tree.Add(root.Index(), ui::Relationship::Child, "Kontrakter", "folc", "folo");
        tree.Add(contracts.Index(), ui::Relationship::Child, "2023", "folc", "folo");
        root.SetExpanded(true);
        tree.SetSelectedItem(&root);

        k.lstvRess->ItemClick.Subscribe([this](ui::ListItem& item) {
            log.push_back("ress:" + item.Key());
            // As the layout switch does for a resource that is no customer.
            const bool customer = item.Tag().AsInt() == 3;
            for (ui::Control* c : Controls()) {
                if (c->Tag() == "j") c->SetVisible(customer);
                if (c->Tag() == "f") c->SetLeft(customer ? 7920 : k.lstvJobs->Left());
            }
            SetCaption("Import af mails til Korvane, " + item.Text());
        });
        k.lstvJobs->ColumnClick.Subscribe([this](const ui::ColumnHeader& h) { log.push_back("column:" + h.text); });
        k.txtJobId->KeyPress.Subscribe([this](int& code) {
            log.push_back("key:" + std::to_string(code));
            // As the dialog's own filter: control keys up to paste, and digits.
            if (code > 22 && (code < '0' || code > '9')) code = 0;
        });
        k.txtJobNavn->KeyPress.Subscribe([this](int& code) { log.push_back("name-key:" + std::to_string(code)); });
        k.chkDelete->Click.Subscribe([this] { log.push_back("delete:" + std::to_string(k.chkDelete->Value())); });
        k.cmdImport->Click.Subscribe([this] { SetMousePointer(ui::pointer::Hourglass); });
        k.treeFolders->NodeClick.Subscribe([this](ui::TreeNode& n) { log.push_back("node:" + n.Text()); });
        k.treeFolders->Expand.Subscribe([this](ui::TreeNode& n) {
            log.push_back("expand:" + n.Text());
            if (n.Text() == "Kontrakter")
                k.treeFolders->Add(n.Index(), ui::Relationship::Child, "2024", "folc", "folo");
        });
        UnloadEvent.Subscribe([this] { log.emplace_back("unload"); });
    }
};

// A top-level window of the host (an explorer, say), for dialogs and boxes to belong to.
HWND TopLevel(const wchar_t* caption, DWORD visible = WS_VISIBLE) {
    return ::CreateWindowExW(0, L"STATIC", caption, WS_OVERLAPPEDWINDOW | visible, 100, 50, 1000, 700, nullptr, nullptr,
                             nullptr, nullptr);
}

kv::NativeWindow Native(HWND window) { return reinterpret_cast<kv::NativeWindow>(window); }

bool Logged(const TestForm& form, const std::string& entry) {
    return std::find(form.log.begin(), form.log.end(), entry) != form.log.end();
}

// The form, its view and the prompts on the display.
class OnDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveDisplay()) GTEST_SKIP() << "no display (the Windows test stage starts Xvfb)";
    }
    TestForm form;
    Win32View view;
    Win32Prompts prompts{view};
};

TEST_F(OnDisplay, ShowsTheFormAndFeedsUserActionsToTheModels) {
    bool shown = false;
    view.SetOnShown([&](HWND dialog) {
        shown = true;
        const auto& k = form.k;
        EXPECT_EQ(WindowText(dialog), "Import af mails til Korvane");
        EXPECT_NE(::SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0), 0);
        EXPECT_NE(::SendMessageW(dialog, WM_GETICON, ICON_BIG, 0), 0);
        // Import is first in the tab order and has the focus.
        EXPECT_EQ(::GetFocus(), view.WindowOf(*k.cmdImport));
        EXPECT_EQ(::GetNextDlgTabItem(dialog, view.WindowOf(*k.cmdImport), FALSE), view.WindowOf(*k.cboRessType));

        // The virtual list holds every resource and asks the model for rows.
        HWND ress = view.WindowOf(*k.lstvRess);
        EXPECT_EQ(::SendMessageW(ress, LVM_GETITEMCOUNT, 0, 0), kResources);
        EXPECT_EQ(ListText(ress, kResources - 1), "Kunde 50000");
        EXPECT_EQ(::SendMessageW(view.WindowOf(*k.cboRessType), CB_GETCOUNT, 0, 0), 9);

        HWND check = view.WindowOf(*k.chkDelete);
        ::SendMessageW(check, BM_CLICK, 0, 0);
        EXPECT_EQ(k.chkDelete->Value(), ui::CheckBox::Checked);
        EXPECT_EQ(::SendMessageW(check, BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_TRUE(Logged(form, "delete:1"));

        // The folder tree by keyboard: down to "Kontrakter", then open it;
        // the model adds a folder while it opens.
        HWND tree = view.WindowOf(*k.treeFolders);
        EXPECT_EQ(::SendMessageW(tree, TVM_GETCOUNT, 0, 0), 4);
        ::SetFocus(tree);
        ::SendMessageW(tree, WM_KEYDOWN, VK_DOWN, 0);
        ::SendMessageW(tree, WM_KEYDOWN, VK_DOWN, 0);
        EXPECT_TRUE(Logged(form, "node:Kontrakter"));
        ::SendMessageW(tree, WM_KEYDOWN, VK_ADD, 0);
        EXPECT_TRUE(Logged(form, "expand:Kontrakter"));
        EXPECT_EQ(::SendMessageW(tree, TVM_GETCOUNT, 0, 0), 5);
        auto selectedItem = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        auto child = reinterpret_cast<HTREEITEM>(
            ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(selectedItem)));
        auto second = reinterpret_cast<HTREEITEM>(
            ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)));
        EXPECT_EQ(TreeText(tree, child), "2023");
        EXPECT_EQ(TreeText(tree, second), "2024");

        // A customer: the job list stays; its header click reaches the model.
        LVITEMW select{};
        select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(ress, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
        EXPECT_TRUE(Logged(form, "ress:R1"));
        EXPECT_EQ(WindowText(dialog), "Import af mails til Korvane, Kunde 1");
        HWND jobs = view.WindowOf(*k.lstvJobs);
        NMLISTVIEW header{{jobs, static_cast<UINT_PTR>(::GetDlgCtrlID(jobs)), LVN_COLUMNCLICK}, -1, 1, 0, 0, 0, {}, 0};
        ::SendMessageW(dialog, WM_NOTIFY, header.hdr.idFrom, reinterpret_cast<LPARAM>(&header));
        EXPECT_TRUE(Logged(form, "column:Jobnavn"));
        EXPECT_TRUE(::IsWindowVisible(jobs));

        // Another resource type: the model hides the job controls and moves
        // the folder controls; the windows follow.
        RECT before{}, after{};
        ::GetWindowRect(tree, &before);
        select.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(ress, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));
        EXPECT_TRUE(Logged(form, "ress:R2"));
        EXPECT_FALSE(::IsWindowVisible(jobs));
        EXPECT_FALSE(::IsWindowVisible(view.WindowOf(*k.txtJobId)));
        ::GetWindowRect(tree, &after);
        EXPECT_LT(after.left, before.left);

        // Back to a customer; then keys as the keyboard sends them, through
        // the dialog manager: Enter in the lookup box reaches its KeyPress,
        // Escape closes the dialog.
        ::SendMessageW(ress, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
        HWND jobName = view.WindowOf(*k.txtJobNavn);
        EXPECT_TRUE(::IsWindowVisible(jobName));
        ::SetFocus(jobName);
        const auto key = [](UINT vk) { return static_cast<LPARAM>(1 | (::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16)); };
        ::PostMessageW(jobName, WM_KEYDOWN, VK_RETURN, key(VK_RETURN));
        ::PostMessageW(jobName, WM_KEYDOWN, VK_ESCAPE, key(VK_ESCAPE));
    });
    form.ShowModal(view);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(form.IsLoaded());
    ASSERT_GE(form.log.size(), 2u);
    EXPECT_EQ(form.log[form.log.size() - 2], "name-key:13");
    EXPECT_EQ(form.log.back(), "unload");
}

// Keys as the keyboard sends them to the focused box: key down, the
// character TranslateMessage makes of it, key up.
struct Keyboard {
    HWND box;
    static LPARAM Scan(UINT vk, bool up) {
        return static_cast<LPARAM>(1 | (::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16) | (up ? 0xC0000000u : 0u));
    }
    void Press(UINT vk, wchar_t character = 0) const {
        ::SendMessageW(box, WM_KEYDOWN, vk, Scan(vk, false));
        if (character) ::SendMessageW(box, WM_CHAR, character, Scan(vk, false));
        ::SendMessageW(box, WM_KEYUP, vk, Scan(vk, true));
    }
    void Type(const std::wstring& text) const {
        for (wchar_t c : text) Press(::VkKeyScanW(c) & 0xFF, c);
    }
    void Select(int from, int to) const { ::SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(from), to); }
};

void PutOnClipboard(const std::wstring& text) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL data = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(::GlobalLock(data), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    ::GlobalUnlock(data);
    ::SetClipboardData(CF_UNICODETEXT, data);
    ::CloseClipboard();
}

TEST_F(OnDisplay, TextBoxesEditAsEveryWindowsEditBoxDoes) {
    std::vector<std::string> atEnter, changes;
    form.Load.Subscribe([&] {
        form.k.txtJobId->KeyPress.Subscribe([&](int& code) {
            if (code == 13) atEnter.push_back(form.k.txtJobId->Text());
        });
        form.k.txtJobNavn->Change.Subscribe([&] { changes.push_back(form.k.txtJobNavn->Text()); });
    });
    const auto pastes = [&] { return std::count(form.log.begin(), form.log.end(), "key:22"); };
    view.SetOnShown([&](HWND dialog) {
        const auto& k = form.k;
        const Keyboard id{view.WindowOf(*k.txtJobId)};
        ::SetFocus(id.box);
        const auto text = [&] {
            EXPECT_EQ(WindowText(id.box), k.txtJobId->Text()) << "the model holds the window's text";
            return k.txtJobId->Text();
        };
        id.Type(L"123");
        EXPECT_EQ(text(), "123");
        id.Press(VK_HOME);
        id.Type(L"9");
        EXPECT_EQ(text(), "9123") << "typed where the caret stands";
        id.Select(0, 2);
        id.Type(L"45");
        EXPECT_EQ(text(), "4523") << "typing replaces the selection";
        id.Type(L"x-");
        EXPECT_EQ(text(), "4523") << "KeyPress still swallows what it refuses";
        EXPECT_TRUE(Logged(form, "key:120"));

        PutOnClipboard(L"678");
        id.Select(1, 1);
        ::SendMessageW(id.box, WM_CHAR, 0x16, Keyboard::Scan('V', false));  // Ctrl+V
        EXPECT_EQ(text(), "4678523") << "pasted at the caret";
        EXPECT_EQ(pastes(), 1) << "KeyPress saw the paste key once";
        id.Select(0, -1);
        ::SendMessageW(id.box, WM_PASTE, 0, 0);  // the context menu's paste
        EXPECT_EQ(text(), "678");
        EXPECT_EQ(pastes(), 2);

        // A box whose KeyPress lets everything through, and a letter beyond
        // the basic plane.
        const Keyboard name{view.WindowOf(*k.txtJobNavn)};
        ::SetFocus(name.box);
        name.Type(L"Kampagne");
        name.Press(VK_HOME);
        name.Type(L"Ny ");
        name.Press(VK_END);
        ::SendMessageW(name.box, WM_CHAR, 0xD83D, 0);
        ::SendMessageW(name.box, WM_CHAR, 0xDE00, 0);
        EXPECT_EQ(k.txtJobNavn->Text(), "Ny Kampagne\xF0\x9F\x98\x80");
        EXPECT_EQ(WindowText(name.box), k.txtJobNavn->Text());
        EXPECT_EQ(changes.back(), k.txtJobNavn->Text()) << "Change follows every edit";

        // Enter: the lookup reads the box's text as it stands.
        ::SetFocus(id.box);
        id.Press(VK_HOME);
        id.Type(L"1");
        id.Press(VK_RETURN, L'\r');
        EXPECT_EQ(atEnter, std::vector<std::string>{"1678"});
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    form.ShowModal(view);
}

TEST_F(OnDisplay, TheWaitCursorShowsAtOnceAndStaysUntilSetBack) {
    HCURSOR wait = ::LoadCursorW(nullptr, IDC_WAIT);
    std::vector<std::string> seen;
    const auto note = [&](const char* when) {
        seen.push_back(std::string(when) + (::GetCursor() == wait ? ":wait" : ":other"));
    };
    form.Load.Subscribe([&] {
        // After the form's own handler, which sets the hourglass for a long import.
        form.k.cmdImport->Click.Subscribe([&] {
            note("set");
            // Windows asks again whenever the mouse moves, over any control.
            ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
            for (const ui::Control* control :
                 {static_cast<ui::Control*>(form.k.lstvRess), static_cast<ui::Control*>(form.k.txtJobId),
                  static_cast<ui::Control*>(form.k.cmdClose)}) {
                HWND window = view.WindowOf(*control);
                ::SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
                note(control->Name().c_str());
            }
            form.SetMousePointer(ui::pointer::Default);
            note("back");
        });
    });
    view.SetOnShown([&](HWND dialog) {
        ::SendMessageW(view.WindowOf(*form.k.cmdImport), BM_CLICK, 0, 0);
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    form.ShowModal(view);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"set:wait", "lstvRess:wait", "txtJobId:wait", "cmdClose:wait", "back:other"}));
}

TEST_F(OnDisplay, TheListTooltipShowsTheTextOfTheItemUnderTheMouse) {
    form.Load.Subscribe([&] {
        ui::ListView& list = *form.k.lstvRess;
        for (int i = 1; i <= kResources; ++i) list.Item(i).SetToolTipText(Numbered("Kunde nr. ", i));
        // As the dialog's own handler does for its job list.
        list.MouseMove.Subscribe([&list](int, int, double x, double y) {
            const ui::ListItem* item = list.HitTest(x, y);
            list.SetToolTipText(item ? item->ToolTipText() : std::string());
        });
    });
    view.SetOnShown([&](HWND dialog) {
        // Closed however the checks end (a failed ASSERT returns early).
        const struct CloseAfter {
            HWND dialog;
            ~CloseAfter() { ::PostMessageW(dialog, WM_CLOSE, 0, 0); }
        } closeAfter{dialog};
        HWND list = view.WindowOf(*form.k.lstvRess);
        HWND tip = view.ToolTipOf(*form.k.lstvRess);
        ASSERT_NE(tip, nullptr);
        // Scrolled by the window alone: the model knows nothing of it.
        ::SendMessageW(list, LVM_ENSUREVISIBLE, 999, FALSE);
        const int top = static_cast<int>(::SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
        ASSERT_GT(top, 0);
        RECT row{};
        row.left = LVIR_BOUNDS;
        ASSERT_TRUE(
            ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(top + 2), reinterpret_cast<LPARAM>(&row)));
        POINT at{row.left + 20, (row.top + row.bottom) / 2};
        POINT screen = at;
        ::ClientToScreen(list, &screen);
        ::SetCursorPos(screen.x, screen.y);
        ::SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
        const std::string expected = Numbered("Kunde nr. ", top + 3);
        EXPECT_EQ(form.k.lstvRess->ToolTipText(), expected) << "the row the window shows there";

        wchar_t text[256] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = dialog;
        tool.uId = reinterpret_cast<UINT_PTR>(list);
        tool.lpszText = text;
        ::SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
        EXPECT_EQ(Narrow(text), expected);
        // It shows once the mouse rests there.
        const DWORD until = ::GetTickCount() + 5000;
        while (!::IsWindowVisible(tip) && ::GetTickCount() < until) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            ::Sleep(20);
        }
        EXPECT_TRUE(::IsWindowVisible(tip));

        // Over the header there is no item, and no tip.
        ::SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, 2));
        EXPECT_EQ(form.k.lstvRess->ToolTipText(), "");
        EXPECT_FALSE(::IsWindowVisible(tip));
    });
    form.ShowModal(view);
}

// The virtual list answers the window's searches (typing, LVM_FINDITEM)
// from the model's texts, without regard to case.
TEST_F(OnDisplay, TheResourceListFindsTheItemATypedTextBeginsOrNames) {
    view.SetOnShown([&](HWND dialog) {
        HWND list = view.WindowOf(*form.k.lstvRess);
        struct Case {
            UINT flags;
            const wchar_t* text;
            int after;  // where the search begins (-1: at the first item)
            int found;
        };
        const Case cases[] = {
            {LVFI_PARTIAL, L"kunde 4999", -1, 4998},
            {LVFI_STRING, L"KUNDE 500", -1, 499},
            {LVFI_PARTIAL, L"Kunde 3", kResources - 2, -1},
            {LVFI_PARTIAL | LVFI_WRAP, L"Kunde 3", kResources - 2, 2},
            {LVFI_STRING, L"Kunde", -1, -1},
            {LVFI_PARAM, L"Kunde 1", -1, -1},
        };
        for (const Case& c : cases) {
            LVFINDINFOW find{};
            find.flags = c.flags;
            find.psz = c.text;
            EXPECT_EQ(
                ::SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(c.after), reinterpret_cast<LPARAM>(&find)),
                c.found)
                << Narrow(c.text) << " after " << c.after;
        }
        // A letter typed in the list chooses the next item it begins, as a
        // click would.
        LVITEMW select{};
        select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&select));
        ::SetFocus(list);
        ::SendMessageW(list, WM_CHAR, L'k', 1);
        EXPECT_TRUE(Logged(form, "ress:R4"));
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    form.ShowModal(view);
}

TEST_F(OnDisplay, AFailingHandlerEndsTheDialogAndReachesTheCaller) {
    form.Load.Subscribe([&] {
        form.k.cmdClose->Click.Subscribe([] { throw kv::Error(91, "frmKorvane", "Objektvariabel ikke angivet"); });
    });
    view.SetOnShown([&](HWND) { ::SendMessageW(view.WindowOf(*form.k.cmdClose), BM_CLICK, 0, 0); });
    try {
        form.ShowModal(view);
        FAIL() << "no error";
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Description(), "Objektvariabel ikke angivet");
    }
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_EQ(view.Dialog(), nullptr);
}

TEST_F(OnDisplay, MessageAndInputBoxesShowAndAnswer) {
    // The host window the add-in started in has closed before the boxes are
    // asked for: they show without it.
    HWND gone = TopLevel(L"Outlook", 0);
    ASSERT_NE(gone, nullptr);
    ::DestroyWindow(gone);
    view.SetOwner(Native(gone));
    BoxAnswer::Arm(L"Korvane Outlook Addin", IDNO);
    EXPECT_EQ(prompts.MsgBox("Mailen er importeret før. Importér igen?", ui::Buttons::YesNo, ui::Icon::Question),
              ui::Answer::No);
    EXPECT_EQ(Narrow(BoxAnswer::text), "Mailen er importeret før. Importér igen?");

    BoxAnswer::Arm(L"Ny mappe", IDOK, L"Tilbud 2024 ✓");
    EXPECT_EQ(prompts.InputBox("Navn på den nye mappe", "Ny mappe", "Ny mappe"), "Tilbud 2024 ✓");
    EXPECT_EQ(Narrow(BoxAnswer::text), "Ny mappe");  // the default text was offered
    BoxAnswer::Arm(L"Ny mappe", IDCANCEL, L"kasseres");
    EXPECT_EQ(prompts.InputBox("Navn på den nye mappe", "Ny mappe"), "");
}

// The dialog is modal on the window it was opened from and centred on it. A
// box disables its owner and nothing else, so it belongs to the window the
// user works the import in: the one it was started from while no dialog is
// up, the dialog while it is shown. The progress display is the dialog's
// too, takes no focus and never covers a box.
TEST_F(OnDisplay, BoxesBelongToTheDialogWhileItIsShownElseToTheWindowItWasOpenedFrom) {
    HWND explorer = TopLevel(L"Indbakke"), second = TopLevel(L"Indbakke (2)");
    ASSERT_TRUE(explorer && second);
    view.SetOwner(Native(explorer));
    const auto ownedBy = [&](HWND owner) {
        return [owner, second](HWND box) {
            EXPECT_EQ(::GetWindow(box, GW_OWNER), owner);
            EXPECT_FALSE(::IsWindowEnabled(owner));
            EXPECT_TRUE(::IsWindowEnabled(second));
        };
    };
    BoxAnswer::Arm(L"Korvane Outlook Addin", IDOK, {}, ownedBy(explorer));
    prompts.MsgBox("Du skal vælge en e-mail først.");

    view.SetOnShown([&](HWND dialog) {
        EXPECT_EQ(::GetWindow(dialog, GW_OWNER), explorer);
        EXPECT_FALSE(::IsWindowEnabled(explorer));
        RECT o{}, d{};
        ::GetWindowRect(explorer, &o);
        ::GetWindowRect(dialog, &d);
        // Centres compared in whole pixels: each side's own halving may round.
        EXPECT_LE(std::abs((d.left + d.right) - (o.left + o.right)), 4);
        EXPECT_LE(std::abs((d.top + d.bottom) - (o.top + o.bottom)), 4);
        view.SetOwner(Native(second));  // for a later import: this one's boxes stay the dialog's
        prompts.Progress(1, 3, "Tilbud");
        HWND progress = prompts.ProgressWindow();
        EXPECT_EQ(::GetWindow(progress, GW_OWNER), dialog);
        EXPECT_FALSE(::GetWindowLongPtrW(progress, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(::GetActiveWindow(), dialog);
        for (const bool input : {false, true}) {
            BoxAnswer::Arm(input ? L"Ny mappe" : L"Korvane Outlook Addin", IDOK, {}, [&](HWND box) {
                ownedBy(dialog)(box);
                EXPECT_EQ(prompts.ProgressWindow(), nullptr) << "the progress display would cover the box";
                // Another window came to the front; the box is brought back, not the disabled dialog.
                ::SetForegroundWindow(second);
                view.BringToFront();
                EXPECT_EQ(::GetForegroundWindow(), box);
            });
            if (input) prompts.InputBox("Navn på den nye mappe", "Ny mappe");
            else prompts.MsgBox("Mail Tilbud findes allerede i databasen", ui::Buttons::YesNo);
        }
        ASSERT_NE(prompts.ProgressWindow(), nullptr) << "back once the box is answered";
        EXPECT_EQ(::GetWindow(prompts.ProgressWindow(), GW_OWNER), dialog);
        prompts.EndProgress();
        ::SetForegroundWindow(second);
        view.BringToFront();
        EXPECT_EQ(::GetForegroundWindow(), dialog);
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    form.ShowModal(view);
    EXPECT_TRUE(::IsWindowEnabled(explorer));
    BoxAnswer::Arm(L"Korvane Outlook Addin", IDOK, {}, ownedBy(explorer));
    prompts.MsgBox("Start Korvane mindst en gang før denne funktion kan bruges");
    ::DestroyWindow(second);
    ::DestroyWindow(explorer);
}

TEST_F(OnDisplay, ProgressShowsForSeveralMailsOnly) {
    prompts.Progress(1, 1, "Tilbud");
    EXPECT_EQ(prompts.ProgressWindow(), nullptr);
    prompts.Progress(1, 3, "Tilbud");
    ASSERT_NE(prompts.ProgressWindow(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(prompts.ProgressWindow()));
    prompts.Progress(2, 3, "Ordre");
    HWND bar = ::FindWindowExW(prompts.ProgressWindow(), nullptr, PROGRESS_CLASSW, nullptr);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 2);
    prompts.Progress(3, 3, "Faktura");
    ASSERT_NE(prompts.ProgressWindow(), nullptr) << "the last mail is still being imported";
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 3);
    prompts.EndProgress();
    EXPECT_EQ(prompts.ProgressWindow(), nullptr);
    prompts.EndProgress();  // nothing shown: nothing to do

    // An import that stops part-way takes it down as well.
    prompts.Progress(1, 4, "Tilbud");
    HWND window = prompts.ProgressWindow();
    ASSERT_NE(window, nullptr);
    {
        ui::ProgressScope scope(prompts);
        scope.Show(2, 4, "Ordre");
    }
    EXPECT_EQ(prompts.ProgressWindow(), nullptr);
    EXPECT_FALSE(::IsWindow(window));
}

}  // namespace
