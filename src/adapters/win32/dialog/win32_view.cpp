#include "adapters/win32/dialog/win32_view.hpp"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

#include "adapters/win32/module.hpp"
#include "adapters/win32/dialog/dialog_icon.h"
#include "adapters/win32/dialog/dialog_template.hpp"
#include "adapters/win32/dialog/gdi_owners.hpp"
#include "support/error.hpp"

namespace kv::win32::dialog {

namespace {
constexpr int kFirstId = 1000;
constexpr UINT kShownMessage = WM_APP + 1;
}  // namespace

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
    for (const auto& b : binders_)
        if (&b->Model() == &control) return b->Window();
    return nullptr;
}

HWND Win32View::ToolTipOf(const ui::Control& control) const {
    for (const auto& b : binders_)
        if (&b->Model() == &control) return b->ToolTip();
    return nullptr;
}

ControlBinder* Win32View::ById(int id) {
    const int index = id - kFirstId;
    if (index < 0 || index >= static_cast<int>(binders_.size())) return nullptr;
    return binders_[static_cast<std::size_t>(index)].get();
}

void Win32View::ShowModal(ui::Form& form) {
    if (dialog_) throw Error(400, "Win32View", "A dialog is already shown by this view");
    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&icc);
    {
        const ScreenDc screen;
        dpiX_ = ::GetDeviceCaps(screen.Get(), LOGPIXELSX);
        dpiY_ = ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
    }

    form_ = &form;
    failure_ = nullptr;
    ending_ = false;
    binders_.clear();

    // Template order is tab order: the focus-taking controls by tab index
    // first, then the rest as the form holds them.
    std::vector<ui::Control*> order = form.TabOrder();
    for (ui::Control* c : form.Controls())
        if (std::find(order.begin(), order.end(), c) == order.end()) order.push_back(c);
    DialogTemplate dialogTemplate =
        DialogTemplate::ForForm(form.Caption(), form.ClientWidth(), form.ClientHeight(), LiveWindow(owner_) == nullptr);
    for (ui::Control* c : order) {
        if (c->Kind() == ui::ControlKind::ImageList) continue;
        const int id = kFirstId + static_cast<int>(binders_.size());
        binders_.push_back(MakeBinder(*c, id, *this));
        dialogTemplate.AddControl(*c, id, c->TabIndex() >= 0);
    }
    const INT_PTR result = ::DialogBoxIndirectParamW(ModuleHandle(), dialogTemplate.Get(), LiveWindow(owner_),
                                                     &DialogProc, reinterpret_cast<LPARAM>(this));
    const DWORD error = ::GetLastError();
    for (const auto& b : binders_) b->Detach();
    dialog_ = nullptr;
    binders_.clear();
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
    ShowIcon(dialog);
    for (auto& b : binders_) b->Attach(dialog);
    Sync();
    if (form_->MousePointer() != ui::pointer::Default) ShowPointer(form_->MousePointer());
    CenterOnOwner(dialog);
    if (ui::Control* active = form_->ActiveControl())
        if (HWND focus = WindowOf(*active)) ::SetFocus(focus);
    ::PostMessageW(dialog, kShownMessage, 0, 0);
}

void Win32View::ShowIcon(HWND dialog) {
    // The icon of the module that shows the dialog (the add-in's resources);
    // shared images, so nothing to free.
    for (const auto& [which, metric] : {std::pair{ICON_SMALL, SM_CXSMICON}, std::pair{ICON_BIG, SM_CXICON}}) {
        const int size = ::GetSystemMetrics(metric);
        if (HANDLE icon =
                ::LoadImageW(ModuleHandle(), MAKEINTRESOURCEW(KV_DIALOG_ICON), IMAGE_ICON, size, size, LR_SHARED))
            ::SendMessageW(dialog, WM_SETICON, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(icon));
    }
}

void Win32View::CenterOnOwner(HWND dialog) {
    if (!LiveWindow(owner_)) return;
    RECT owner{}, self{};
    ::GetWindowRect(owner_, &owner);
    ::GetWindowRect(dialog, &self);
    const int width = self.right - self.left, height = self.bottom - self.top;
    ::SetWindowPos(dialog, nullptr, owner.left + (owner.right - owner.left - width) / 2,
                   owner.top + (owner.bottom - owner.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void Win32View::Close() {
    if (ending_ || !dialog_) return;
    ending_ = true;
    ::EndDialog(dialog_, 0);
}

void Win32View::User(const std::function<void()>& action) {
    if (pushing_ || failure_ || ending_) return;
    try {
        action();
    } catch (...) {
        failure_ = std::current_exception();
    }
    AfterUserAction();
}

void Win32View::Track(const std::function<void()>& action) {
    if (!form_ || ending_) return;
    try {
        action();
    } catch (...) {
        failure_ = std::current_exception();
        Close();
    }
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
            Track([&] { onShown_(dialog_); });
        }
        return TRUE;
    case WM_COMMAND: Command(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        ControlBinder* b = ById(static_cast<int>(header.idFrom));
        ::SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, b ? b->Notify(header) : 0);
        return TRUE;
    }
    case WM_CLOSE: User([&] { form_->Unload(); }); return TRUE;
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
    if (ControlBinder* b = ById(id)) b->Command(code);
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
    for (auto& b : binders_) b->Sync();
}

}  // namespace kv::win32::dialog
