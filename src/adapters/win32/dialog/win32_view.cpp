#include "adapters/win32/dialog/win32_view.hpp"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/module.hpp"
#include "adapters/win32/dialog/dialog_icon.h"
#include "adapters/win32/dialog/dialog_template.hpp"
#include "adapters/win32/dialog/pictures.hpp"
#include "support/error.hpp"

namespace kv::win32::dialog {

namespace {
constexpr int kFirstId = 1000;
constexpr UINT kShownMessage = WM_APP + 1;
// A combo box's window includes its drop-down list.
constexpr int kDropDownPixels = 200;

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

void SetTextIfChanged(HWND hwnd, const std::string& utf8) {
    const std::wstring wide = Widen(utf8);
    if (WindowText(hwnd) != wide) ::SetWindowTextW(hwnd, wide.c_str());
}

// A tooltip over the whole of a list window; its text is set as the mouse
// moves (the model's ToolTipText).
HWND MakeToolTip(HWND dialog, HWND list) {
    HWND tip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                 ModuleHandle(), nullptr);
    if (!tip) return nullptr;  // a tooltip is a courtesy
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    return tip;
}

int IndexOf(const std::vector<std::string>& keys, const std::string& key) {
    const auto found = std::find(keys.begin(), keys.end(), key);
    return found == keys.end() ? -1 : static_cast<int>(found - keys.begin());
}


}  // namespace

// One control of the form and its window, with what was last pushed to it.
struct Win32View::Bound {
    ui::Control* model = nullptr;
    HWND hwnd = nullptr;
    int id = 0;
    WNDPROC oldProc = nullptr;
    HIMAGELIST images = nullptr;
    std::vector<std::string> imageKeys;
    HBITMAP picture = nullptr;
    RECT rect{-1, -1, -1, -1};
    int visible = -1, enabled = -1, count = -1, check = -1;
    std::vector<std::string> items;
    std::wstring dispText;  // LVN_GETDISPINFO hands out a pointer into this
    wchar_t highSurrogate = 0;
    bool enterDown = false;  // Enter went to KeyPress at WM_KEYDOWN; its WM_CHAR is spent
    bool pasteKeyed = false;  // the paste key is being applied by the edit window
    HWND tip = nullptr;        // list view: its tooltip, and the text it shows
    std::string tipText;
    int changedItem = -1;  // the item a selection change already reported
    // Tree view: node index - 1 -> node and its item, and what was pushed.
    struct Node {
        ui::TreeNode* node = nullptr;
        HTREEITEM item = nullptr;
        std::string text, image;
        int children = -1;
        bool expanded = false;
    };
    std::vector<Node> nodes;
    ui::TreeNode* ensured = nullptr;

    ~Bound() {
        if (images) ::ImageList_Destroy(images);
        if (picture) ::DeleteObject(picture);
    }
};

Win32View::Win32View() = default;
Win32View::~Win32View() = default;

void Win32View::SetOwner(NativeWindow owner) {
    if (!dialog_) owner_ = reinterpret_cast<HWND>(owner);
}

HWND Win32View::BoxOwner() const { return dialog_ ? dialog_ : LiveWindow(owner_); }

void Win32View::BringToFront() {
    if (!dialog_) return;
    // A box up over the dialog keeps the dialog disabled; it is the one to answer.
    HWND front = ::GetLastActivePopup(dialog_);
    if (!front || !::IsWindowVisible(front)) front = dialog_;
    ::SetForegroundWindow(front);
    ::BringWindowToTop(front);
}

HWND Win32View::WindowOf(const ui::Control& control) const {
    for (const auto& b : bound_)
        if (b->model == &control) return b->hwnd;
    return nullptr;
}

HWND Win32View::ToolTipOf(const ui::Control& control) const {
    for (const auto& b : bound_)
        if (b->model == &control) return b->tip;
    return nullptr;
}

Win32View::Bound* Win32View::ById(int id) {
    const int index = id - kFirstId;
    if (index < 0 || index >= static_cast<int>(bound_.size())) return nullptr;
    return bound_[static_cast<std::size_t>(index)].get();
}

int Win32View::Pixels(int twips, bool horizontal) const {
    return ::MulDiv(twips, horizontal ? dpiX_ : dpiY_, 1440);
}

void Win32View::ShowModal(ui::Form& form) {
    if (dialog_) throw Error(400, "Win32View", "A dialog is already shown by this view");
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES |
                                             ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&icc);
    HDC screen = ::GetDC(nullptr);
    dpiX_ = ::GetDeviceCaps(screen, LOGPIXELSX);
    dpiY_ = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);

    form_ = &form;
    failure_ = nullptr;
    ending_ = false;
    bound_.clear();

    // Template order is tab order: the focus-taking controls by tab index
    // first, then the rest as the form holds them.
    std::vector<ui::Control*> order = form.TabOrder();
    for (ui::Control* c : form.Controls())
        if (std::find(order.begin(), order.end(), c) == order.end()) order.push_back(c);
    DialogTemplate dialogTemplate =
        DialogTemplate::ForForm(form.Caption(), form.ClientWidth(), form.ClientHeight(), LiveWindow(owner_) == nullptr);
    for (ui::Control* c : order) {
        if (c->Kind() == ui::ControlKind::ImageList) continue;
        auto b = std::make_unique<Bound>();
        b->model = c;
        b->id = kFirstId + static_cast<int>(bound_.size());
        dialogTemplate.AddControl(*c, b->id, c->TabIndex() >= 0);
        bound_.push_back(std::move(b));
    }
    const INT_PTR result = ::DialogBoxIndirectParamW(ModuleHandle(), dialogTemplate.Get(), LiveWindow(owner_), &DialogProc,
                                                     reinterpret_cast<LPARAM>(this));
    const DWORD error = ::GetLastError();
    for (const auto& b : bound_)
        if (b->model->Kind() == ui::ControlKind::ListView) static_cast<ui::ListView*>(b->model)->SetHitTester({});
    dialog_ = nullptr;
    bound_.clear();
    form_ = nullptr;
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    if (result == -1)
        throw Error(static_cast<std::int32_t>(error), "Win32View", "The dialog window could not be created");
}

INT_PTR CALLBACK Win32View::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* view = reinterpret_cast<Win32View*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        view->dialog_ = hwnd;
        try {
            view->Init(hwnd);
        } catch (...) {
            view->failure_ = std::current_exception();
            view->Close();
        }
        return FALSE;  // Init set the focus itself
    }
    auto* view = reinterpret_cast<Win32View*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!view || !view->form_) return FALSE;
    return view->Handle(message, wParam, lParam);
}

void Win32View::Init(HWND dialog) {
    // The icon of the module that shows the dialog (the add-in's resources);
    // shared images, so nothing to free.
    for (const auto& [which, metric] : {std::pair{ICON_SMALL, SM_CXSMICON}, std::pair{ICON_BIG, SM_CXICON}}) {
        const int size = ::GetSystemMetrics(metric);
        if (HANDLE icon = ::LoadImageW(ModuleHandle(), MAKEINTRESOURCEW(KV_DIALOG_ICON), IMAGE_ICON, size, size, LR_SHARED))
            ::SendMessageW(dialog, WM_SETICON, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(icon));
    }
    for (auto& b : bound_) {
        b->hwnd = ::GetDlgItem(dialog, b->id);
        ui::Control& c = *b->model;
        switch (c.Kind()) {
            case ui::ControlKind::ListView: {
                auto& list = static_cast<ui::ListView&>(c);
                ::SendMessageW(b->hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
                for (const ui::ColumnHeader& column : list.Columns()) {
                    std::wstring text = Widen(column.text);
                    LVCOLUMNW col{};
                    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
                    col.pszText = text.data();
                    col.cx = Pixels(column.width, true);
                    col.iSubItem = column.index - 1;
                    ::SendMessageW(b->hwnd, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column.index - 1),
                                   reinterpret_cast<LPARAM>(&col));
                }
                if (const ui::ImageList* images = list.SmallIcons()) {
                    b->imageKeys = images->Keys();
                    b->images = MakeImageList(b->imageKeys);
                    ::SendMessageW(b->hwnd, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(b->images));
                }
                // The item under a point is the one the window shows there
                // (its own rows and scrolling), not the model's estimate.
                list.SetHitTester([this, hwnd = b->hwnd, &list](double x, double y) -> ui::ListItem* {
                    LVHITTESTINFO hit{};
                    hit.pt = {static_cast<LONG>(std::lround(x * dpiX_ / 1440.0)),
                              static_cast<LONG>(std::lround(y * dpiY_ / 1440.0))};
                    const auto index = static_cast<int>(::SendMessageW(hwnd, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
                    if (index < 0 || index >= list.Count() || !(hit.flags & LVHT_ONITEM)) return nullptr;
                    return &list.Item(index + 1);
                });
                b->tip = MakeToolTip(dialog, b->hwnd);
                break;
            }
            case ui::ControlKind::TreeView: {
                auto& tree = static_cast<ui::TreeView&>(c);
                if (const ui::ImageList* images = tree.Images()) {
                    b->imageKeys = images->Keys();
                    b->images = MakeImageList(b->imageKeys);
                    ::SendMessageW(b->hwnd, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(b->images));
                }
                break;
            }
            case ui::ControlKind::Button: {
                const auto& button = static_cast<ui::Button&>(c);
                if (!button.Picture().empty()) {
                    b->picture = DrawPicture(button.Picture());
                    ::SendMessageW(b->hwnd, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(b->picture));
                }
                break;
            }
            case ui::ControlKind::Picture: {
                const auto& picture = static_cast<ui::Picture&>(c);
                b->picture = DrawPicture(picture.Image().empty() ? "search" : picture.Image());
                ::SendMessageW(b->hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(b->picture));
                break;
            }
            default: break;
        }
        if (c.Kind() == ui::ControlKind::TextBox || c.Kind() == ui::ControlKind::ListView) {
            ::SetWindowLongPtrW(b->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            b->oldProc = reinterpret_cast<WNDPROC>(
                ::SetWindowLongPtrW(b->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlProc)));
        }
    }
    Sync();
    if (form_->MousePointer() != ui::pointer::Default) ShowPointer(form_->MousePointer());

    // Centred on the owner window.
    if (LiveWindow(owner_)) {
        RECT owner{}, self{};
        ::GetWindowRect(owner_, &owner);
        ::GetWindowRect(dialog, &self);
        const int width = self.right - self.left, height = self.bottom - self.top;
        ::SetWindowPos(dialog, nullptr, owner.left + (owner.right - owner.left - width) / 2,
                       owner.top + (owner.bottom - owner.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    if (ui::Control* active = form_->ActiveControl())
        if (HWND focus = WindowOf(*active)) ::SetFocus(focus);
    ::PostMessageW(dialog, kShownMessage, 0, 0);
}

void Win32View::Close() {
    if (ending_ || !dialog_) return;
    ending_ = true;
    ::EndDialog(dialog_, 0);
}

template <class Action>
void Win32View::User(Action&& action) {
    if (pushing_ || failure_ || ending_) return;
    try {
        action();
    } catch (...) {
        failure_ = std::current_exception();
    }
    AfterUserAction();
}

void Win32View::AfterUserAction() {
    if (failure_ || !form_->IsLoaded()) {
        Close();
        return;
    }
    try {
        Sync();
    } catch (...) {
        failure_ = std::current_exception();
        Close();
    }
}

INT_PTR Win32View::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kShownMessage:
            if (onShown_ && !ending_) {
                // The dialog manager shows the window once the queue runs
                // dry; the hook wants it on screen now.
                if (!::IsWindowVisible(dialog_)) ::ShowWindow(dialog_, SW_SHOW);
                ::UpdateWindow(dialog_);
                try {
                    onShown_(dialog_);
                } catch (...) {
                    failure_ = std::current_exception();
                    Close();
                }
            }
            return TRUE;
        case WM_COMMAND:
            Command(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_NOTIFY: {
            const LRESULT result = Notify(*reinterpret_cast<const NMHDR*>(lParam));
            ::SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        case WM_CLOSE:
            User([&] { form_->Unload(); });
            return TRUE;
        case WM_SETCURSOR:
            if (!KeepWaitCursor()) return FALSE;
            ::SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, TRUE);
            return TRUE;
        default: return FALSE;
    }
}

void Win32View::Command(int id, int code) {
    if (id == IDCANCEL) {  // Escape and the close box
        User([&] { form_->Unload(); });
        return;
    }
    Bound* b = ById(id);
    if (!b) return;
    switch (b->model->Kind()) {
        case ui::ControlKind::Button:
            if (code == BN_CLICKED) User([&] { static_cast<ui::Button*>(b->model)->UserClick(); });
            break;
        case ui::ControlKind::CheckBox:
            if (code == BN_CLICKED) User([&] { static_cast<ui::CheckBox*>(b->model)->UserClick(); });
            break;
        case ui::ControlKind::ComboBox:
            if (code == CBN_SELCHANGE) {
                const int index = static_cast<int>(::SendMessageW(b->hwnd, CB_GETCURSEL, 0, 0));
                User([&] {
                    if (index >= 0) static_cast<ui::ComboBox*>(b->model)->UserSelect(index);
                });
            }
            break;
        case ui::ControlKind::TextBox:
            if (code == EN_KILLFOCUS) User([&] { static_cast<ui::TextBox*>(b->model)->LostFocus.Raise(); });
            // The edit window changed its text (typing, Delete, cut, paste,
            // undo): the model, and so every handler, reads that text.
            if (code == EN_CHANGE && !pushing_) {
                const std::string text = Narrow(WindowText(b->hwnd));
                User([&] { static_cast<ui::TextBox*>(b->model)->SetText(text); });
            }
            break;
        default: break;
    }
}

LRESULT Win32View::Notify(const NMHDR& header) {
    Bound* b = ById(static_cast<int>(header.idFrom));
    if (!b) return 0;
    if (b->model->Kind() == ui::ControlKind::ListView) {
        auto& list = static_cast<ui::ListView&>(*b->model);
        switch (header.code) {
            case LVN_GETDISPINFOW: {
                auto& info = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header));
                if (info.item.iItem < 0 || info.item.iItem >= list.Count()) return 0;
                const ui::ListItem& item = list.Item(info.item.iItem + 1);
                if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
                    const int column = info.item.iSubItem;
                    b->dispText = column < std::max(1, list.ColumnCount()) ? Widen(item.ColumnText(column)) : L"";
                    const std::size_t room = static_cast<std::size_t>(info.item.cchTextMax) - 1;
                    const std::size_t n = std::min(room, b->dispText.size());
                    std::copy_n(b->dispText.data(), n, info.item.pszText);
                    info.item.pszText[n] = L'\0';
                }
                if (info.item.mask & LVIF_IMAGE) info.item.iImage = IndexOf(b->imageKeys, item.SmallIcon());
                return 0;
            }
            case LVN_ITEMCHANGED: {
                const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
                if (!pushing_ && change.iItem >= 0 && (change.uNewState & LVIS_SELECTED) &&
                    !(change.uOldState & LVIS_SELECTED) && change.iItem < list.Count()) {
                    b->changedItem = change.iItem;
                    User([&] { list.UserClickItem(list.Item(change.iItem + 1)); });
                }
                return 0;
            }
            case NM_CLICK: {
                // A click on the item already selected is a click too; a
                // click that selected it was reported with the change.
                const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
                const int changed = std::exchange(b->changedItem, -1);
                if (click.iItem >= 0 && click.iItem != changed && click.iItem < list.Count())
                    User([&] { list.UserClickItem(list.Item(click.iItem + 1)); });
                return 0;
            }
            case LVN_COLUMNCLICK: {
                const auto& click = reinterpret_cast<const NMLISTVIEW&>(header);
                User([&] { list.UserClickColumn(click.iSubItem + 1); });
                return 0;
            }
            default: return 0;
        }
    }
    if (b->model->Kind() == ui::ControlKind::TreeView) {
        auto& tree = static_cast<ui::TreeView&>(*b->model);
        auto nodeOf = [&](const TVITEMW& item) -> ui::TreeNode* {
            const auto index = static_cast<std::size_t>(item.lParam);
            if (index < 1 || index > b->nodes.size()) return nullptr;
            return b->nodes[index - 1].node;
        };
        switch (header.code) {
            case TVN_SELCHANGEDW: {
                const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
                if (change.action == TVC_UNKNOWN) return 0;  // our own push
                if (ui::TreeNode* node = nodeOf(change.itemNew)) User([&] { tree.UserClickNode(*node); });
                return 0;
            }
            case TVN_ITEMEXPANDINGW: {
                const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
                ui::TreeNode* node = nodeOf(change.itemNew);
                if (!node || pushing_) return FALSE;
                const bool expand = (change.action & TVE_EXPAND) != 0;
                // The window is about to show this state; it needs no push.
                b->nodes[static_cast<std::size_t>(change.itemNew.lParam) - 1].expanded = expand;
                User([&] { expand ? tree.UserExpand(*node) : tree.UserCollapse(*node); });
                return ending_ || node->Expanded() != expand;  // TRUE refuses
            }
            default: return 0;
        }
    }
    return 0;
}

LRESULT CALLBACK Win32View::ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* view = reinterpret_cast<Win32View*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    for (auto& b : view->bound_)
        if (b->hwnd == hwnd) return view->HandleControl(*b, message, wParam, lParam);
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Win32View::HandleControl(Bound& b, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = [&] { return ::CallWindowProcW(b.oldProc, b.hwnd, message, wParam, lParam); };
    if (b.model->Kind() == ui::ControlKind::ListView) {
        if (message == WM_SETCURSOR && KeepWaitCursor()) return TRUE;
        if (message == WM_MOUSEMOVE && form_ && !ending_) {
            auto& list = static_cast<ui::ListView&>(*b.model);
            const int button = ((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0) |
                               ((wParam & MK_MBUTTON) ? 4 : 0);
            const int shift = ((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0);
            const double x = static_cast<short>(LOWORD(lParam)) * 1440.0 / dpiX_;
            const double y = static_cast<short>(HIWORD(lParam)) * 1440.0 / dpiY_;
            // Moves are many; they change no window state, so no push follows.
            try {
                list.UserMoveMouse(button, shift, x, y);
            } catch (...) {
                failure_ = std::current_exception();
                Close();
            }
            if (!ending_) ShowToolTip(b);
        }
        if (b.tip && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
            MSG relay{b.hwnd, message, wParam, lParam, static_cast<DWORD>(::GetMessageTime()), {}};
            ::SendMessageW(b.tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
        }
        return original();
    }
    auto& box = static_cast<ui::TextBox&>(*b.model);
    switch (message) {
        case WM_GETDLGCODE: {
            LRESULT code = original();
            // Enter belongs to the box (KeyPress 13), not to the dialog.
            const auto* msg = reinterpret_cast<const MSG*>(lParam);
            if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
            return code | DLGC_WANTCHARS;
        }
        case WM_CHAR: {
            int code = static_cast<int>(wParam);
            if (code == ui::keys::Enter && std::exchange(b.enterDown, false)) return 0;
            if (code >= 0xD800 && code <= 0xDBFF) {
                b.highSurrogate = static_cast<wchar_t>(code);
                return 0;
            }
            if (code >= 0xDC00 && code <= 0xDFFF) {
                if (!b.highSurrogate) return 0;
                code = 0x10000 + ((b.highSurrogate - 0xD800) << 10) + (code - 0xDC00);
            }
            b.highSurrogate = 0;
            // KeyPress first; the edit window applies what it leaves, where
            // the caret stands, and reports the text back (EN_CHANGE).
            int kept = 0;
            User([&] { kept = box.UserFilterKey(code); });
            if (kept == 0 || kept == ui::keys::Enter || ending_ || failure_) return 0;
            b.pasteKeyed = kept == ui::keys::Paste;  // its WM_PASTE has been through KeyPress
            if (kept >= 0x10000) {
                // Both halves at once: half a pair would be text for a moment.
                const int units = kept - 0x10000;
                const wchar_t pair[] = {static_cast<wchar_t>(0xD800 + (units >> 10)),
                                        static_cast<wchar_t>(0xDC00 + (units & 0x3FF)), 0};
                ::CallWindowProcW(b.oldProc, b.hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pair));
            } else {
                ::CallWindowProcW(b.oldProc, b.hwnd, WM_CHAR, static_cast<WPARAM>(kept), lParam);
            }
            b.pasteKeyed = false;
            return 0;
        }
        case WM_PASTE:
            // A paste from the menu passes KeyPress as the paste key does.
            if (!b.pasteKeyed) {
                int kept = 0;
                User([&] { kept = box.UserFilterKey(ui::keys::Paste); });
                if (kept == 0 || ending_ || failure_) return 0;
            }
            return original();
        case WM_SETCURSOR:
            return KeepWaitCursor() ? TRUE : original();
        case WM_KEYDOWN:
            b.enterDown = false;
            // Enter is the box's own key (KeyPress 13): the edit control would
            // pass it to the dialog as its default button instead.
            if (wParam == VK_RETURN) {
                b.enterDown = true;
                User([&] { box.UserPressKey(ui::keys::Enter); });
                return 0;
            }
            return original();
        case WM_KEYUP:
            if (wParam == VK_RETURN) b.enterDown = false;
            return original();
        default: return original();
    }
}

void Win32View::ShowToolTip(Bound& b) {
    const std::string& text = static_cast<ui::ListView&>(*b.model).ToolTipText();
    if (!b.tip || text == b.tipText) return;
    b.tipText = text;
    std::wstring wide = Widen(text);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = dialog_;
    tool.uId = reinterpret_cast<UINT_PTR>(b.hwnd);
    tool.lpszText = wide.data();
    ::SendMessageW(b.tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    // Over empty rows none shows; another item's text replaces the one shown.
    if (text.empty()) ::SendMessageW(b.tip, TTM_POP, 0, 0);
}

bool Win32View::KeepWaitCursor() {
    if (!form_ || form_->MousePointer() != ui::pointer::Hourglass) return false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

void Win32View::ShowPointer(int pointer) {
    if (!dialog_) return;
    if (pointer == ui::pointer::Hourglass) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return;
    }
    // Back to whatever the window under the mouse shows (an I-beam over a
    // text box, say): ask it as a mouse move would.
    POINT at{};
    HWND under = ::GetCursorPos(&at) ? ::WindowFromPoint(at) : nullptr;
    if (under && (under == dialog_ || ::IsChild(dialog_, under))) {
        const auto hit = static_cast<short>(::SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)));
        ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
    } else {
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    }
}

void Win32View::DoEvents() {
    if (!dialog_ || ending_) return;
    Sync();
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!::IsDialogMessageW(dialog_, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (ending_) break;
    }
}

void Win32View::Sync() {
    if (!dialog_ || !form_) return;
    const bool wasPushing = std::exchange(pushing_, true);
    struct Restore {
        bool& flag;
        bool value;
        ~Restore() { flag = value; }
    } restore{pushing_, wasPushing};

    SetTextIfChanged(dialog_, form_->Caption());
    for (auto& owned : bound_) {
        Bound& b = *owned;
        ui::Control& c = *b.model;
        RECT rect{Pixels(c.Left(), true), Pixels(c.Top(), false), 0, 0};
        rect.right = rect.left + std::max(Pixels(c.Width(), true), 1);
        rect.bottom = rect.top + std::max(Pixels(c.Height(), false), 2);
        if (c.Kind() == ui::ControlKind::ComboBox) rect.bottom += kDropDownPixels;
        if (c.Kind() == ui::ControlKind::Line) rect.bottom = rect.top + 2;
        if (!::EqualRect(&rect, &b.rect)) {
            b.rect = rect;
            ::MoveWindow(b.hwnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
        }
        if (b.visible != (c.Visible() ? 1 : 0)) {
            b.visible = c.Visible() ? 1 : 0;
            ::ShowWindow(b.hwnd, c.Visible() ? SW_SHOWNA : SW_HIDE);
        }
        if (b.enabled != (c.Enabled() ? 1 : 0)) {
            b.enabled = c.Enabled() ? 1 : 0;
            ::EnableWindow(b.hwnd, c.Enabled());
        }
        switch (c.Kind()) {
            case ui::ControlKind::Label: SetTextIfChanged(b.hwnd, static_cast<ui::Label&>(c).Caption()); break;
            case ui::ControlKind::Button: SetTextIfChanged(b.hwnd, static_cast<ui::Button&>(c).Caption()); break;
            case ui::ControlKind::CheckBox: {
                auto& box = static_cast<ui::CheckBox&>(c);
                SetTextIfChanged(b.hwnd, box.Caption());
                const int state = box.Value() == ui::CheckBox::Checked  ? BST_CHECKED
                                  : box.Value() == ui::CheckBox::Grayed ? BST_INDETERMINATE
                                                                        : BST_UNCHECKED;
                if (b.check != state) {
                    b.check = state;
                    ::SendMessageW(b.hwnd, BM_SETCHECK, static_cast<WPARAM>(state), 0);
                }
                break;
            }
            case ui::ControlKind::ComboBox: {
                auto& combo = static_cast<ui::ComboBox&>(c);
                if (b.items != combo.Items()) {
                    b.items = combo.Items();
                    ::SendMessageW(b.hwnd, CB_RESETCONTENT, 0, 0);
                    for (const std::string& item : b.items)
                        ::SendMessageW(b.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
                }
                if (::SendMessageW(b.hwnd, CB_GETCURSEL, 0, 0) != combo.ListIndex())
                    ::SendMessageW(b.hwnd, CB_SETCURSEL, static_cast<WPARAM>(combo.ListIndex()), 0);
                break;
            }
            case ui::ControlKind::TextBox: {
                const std::wstring text = Widen(static_cast<ui::TextBox&>(c).Text());
                if (WindowText(b.hwnd) != text) {
                    ::SetWindowTextW(b.hwnd, text.c_str());
                    ::SendMessageW(b.hwnd, EM_SETSEL, text.size(), text.size());
                }
                break;
            }
            case ui::ControlKind::ListView: {
                auto& list = static_cast<ui::ListView&>(c);
                if (b.count != list.Count()) {
                    b.count = list.Count();
                    ::SendMessageW(b.hwnd, LVM_SETITEMCOUNT, static_cast<WPARAM>(b.count), 0);
                }
                // The rows are the model's; redraw what shows (a virtual
                // list asks again only for the visible rows).
                ::InvalidateRect(b.hwnd, nullptr, FALSE);
                const int wanted = list.SelectedItem() ? list.SelectedItem()->Index() - 1 : -1;
                const int shown = static_cast<int>(::SendMessageW(b.hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                                  LVNI_SELECTED));
                if (wanted != shown) {
                    LVITEMW state{};
                    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
                    ::SendMessageW(b.hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
                    if (wanted >= 0) {
                        state.state = LVIS_SELECTED | LVIS_FOCUSED;
                        ::SendMessageW(b.hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(wanted),
                                       reinterpret_cast<LPARAM>(&state));
                        ::SendMessageW(b.hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(wanted), FALSE);
                    }
                }
                break;
            }
            case ui::ControlKind::TreeView: SyncTree(b); break;
            default: break;
        }
    }
}

void Win32View::SyncTree(Bound& b) {
    auto& tree = static_cast<ui::TreeView&>(*b.model);
    const auto count = static_cast<std::size_t>(tree.Count());
    // Nodes are only ever added, or all removed at once (then numbering
    // starts again): a node at a known number that is not the one pushed
    // means the tree was rebuilt.
    bool rebuild = count < b.nodes.size();
    for (std::size_t i = 0; !rebuild && i < b.nodes.size(); ++i) rebuild = &tree.Node(static_cast<int>(i) + 1) != b.nodes[i].node;
    const auto insert = [&](ui::TreeNode& node, HTREEITEM parent, HTREEITEM after) {
        std::wstring text = Widen(node.Text());
        TVINSERTSTRUCTW ins{};
        ins.hParent = parent;
        ins.hInsertAfter = after;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
        ins.item.pszText = text.data();
        ins.item.lParam = node.Index();
        ins.item.iImage = IndexOf(b.imageKeys, node.Image());
        ins.item.iSelectedImage = IndexOf(b.imageKeys, node.SelectedImage().empty() ? node.Image() : node.SelectedImage());
        ins.item.cChildren = node.Children() > 0 ? 1 : 0;
        auto& slot = b.nodes[static_cast<std::size_t>(node.Index()) - 1];
        slot = {&node, reinterpret_cast<HTREEITEM>(::SendMessageW(b.hwnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins))),
                node.Text(), node.Image(), ins.item.cChildren, false};
    };
    const auto handleOf = [&](const ui::TreeNode* node) -> HTREEITEM {
        if (!node) return TVI_ROOT;
        const auto index = static_cast<std::size_t>(node->Index());
        return index <= b.nodes.size() ? b.nodes[index - 1].item : nullptr;
    };
    if (!rebuild && count > b.nodes.size()) {
        const std::size_t known = b.nodes.size();
        b.nodes.resize(count);
        for (std::size_t i = known; !rebuild && i < count; ++i) {
            ui::TreeNode& node = tree.Node(static_cast<int>(i) + 1);
            HTREEITEM parent = handleOf(node.Parent());
            HTREEITEM after = node.Previous() ? handleOf(node.Previous()) : TVI_FIRST;
            if (!parent || !after) {
                rebuild = true;  // placed before a node not yet shown: start over
                break;
            }
            insert(node, parent, after);
        }
    }
    if (rebuild) {
        ::SendMessageW(b.hwnd, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        b.nodes.assign(count, {});
        b.ensured = nullptr;
        // Parents before children, siblings in display order.
        std::vector<ui::TreeNode*> pending;
        for (ui::TreeNode* n = tree.FirstTopLevel(); n; n = n->Next()) pending.push_back(n);
        std::reverse(pending.begin(), pending.end());
        while (!pending.empty()) {
            ui::TreeNode* node = pending.back();
            pending.pop_back();
            insert(*node, handleOf(node->Parent()), TVI_LAST);
            std::vector<ui::TreeNode*> children;
            for (ui::TreeNode* child = node->Child(); child; child = child->Next()) children.push_back(child);
            pending.insert(pending.end(), children.rbegin(), children.rend());
        }
    }
    for (auto& slot : b.nodes) {
        ui::TreeNode& node = *slot.node;
        const int children = node.Children() > 0 ? 1 : 0;
        if (slot.text != node.Text() || slot.image != node.Image() || slot.children != children) {
            std::wstring text = Widen(node.Text());
            TVITEMW item{};
            item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
            item.hItem = slot.item;
            item.pszText = text.data();
            item.iImage = IndexOf(b.imageKeys, node.Image());
            item.iSelectedImage = IndexOf(b.imageKeys, node.SelectedImage().empty() ? node.Image() : node.SelectedImage());
            item.cChildren = children;
            ::SendMessageW(b.hwnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            slot.text = node.Text();
            slot.image = node.Image();
            slot.children = children;
        }
    }
    // Expansion after all items exist, parents first (index order is parent first).
    for (auto& slot : b.nodes) {
        if (slot.expanded != slot.node->Expanded()) {
            slot.expanded = slot.node->Expanded();
            ::SendMessageW(b.hwnd, TVM_EXPAND, slot.expanded ? TVE_EXPAND : TVE_COLLAPSE,
                           reinterpret_cast<LPARAM>(slot.item));
        }
    }
    HTREEITEM wanted = tree.SelectedItem() ? handleOf(tree.SelectedItem()) : nullptr;
    if (reinterpret_cast<HTREEITEM>(::SendMessageW(b.hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0)) != wanted)
        ::SendMessageW(b.hwnd, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(wanted));
    if (tree.LastEnsuredVisible() != b.ensured) {
        b.ensured = tree.LastEnsuredVisible();
        if (b.ensured) ::SendMessageW(b.hwnd, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(handleOf(b.ensured)));
    }
}

}  // namespace kv::win32::dialog
