#include "adapters/win32/dialog/control_binder.hpp"

#include <algorithm>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/dialog/list_view_binder.hpp"
#include "adapters/win32/dialog/simple_binders.hpp"
#include "adapters/win32/dialog/text_box_binder.hpp"
#include "adapters/win32/dialog/tree_view_binder.hpp"

namespace kv::win32::dialog {

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

void SetTextIfChanged(HWND hwnd, const std::string& utf8) {
    const std::wstring wide = Widen(utf8);
    if (WindowText(hwnd) != wide) ::SetWindowTextW(hwnd, wide.c_str());
}

void ControlBinder::Attach(HWND dialog) {
    hwnd_ = ::GetDlgItem(dialog, id_);
    Init(dialog);
}

RECT ControlBinder::Bounds() const {
    const auto pixels = [&](int twips, bool horizontal) { return ::MulDiv(twips, view_.Dpi(horizontal), 1440); };
    RECT rect{pixels(model_.Left(), true), pixels(model_.Top(), false), 0, 0};
    rect.right = rect.left + std::max(pixels(model_.Width(), true), 1);
    rect.bottom = rect.top + std::max(pixels(model_.Height(), false), 2);
    return rect;
}

void ControlBinder::Sync() {
    const RECT rect = Bounds();
    if (!::EqualRect(&rect, &rect_)) {
        rect_ = rect;
        ::MoveWindow(hwnd_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
    if (visible_ != (model_.Visible() ? 1 : 0)) {
        visible_ = model_.Visible() ? 1 : 0;
        ::ShowWindow(hwnd_, model_.Visible() ? SW_SHOWNA : SW_HIDE);
    }
    if (enabled_ != (model_.Enabled() ? 1 : 0)) {
        enabled_ = model_.Enabled() ? 1 : 0;
        ::EnableWindow(hwnd_, model_.Enabled());
    }
    SyncState();
}

void ControlBinder::Subclass() {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    windowProc_ =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
}

LRESULT CALLBACK ControlBinder::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* binder = reinterpret_cast<ControlBinder*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!binder) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    return binder->HandleMessage(message, wParam, lParam);
}

std::unique_ptr<ControlBinder> MakeBinder(ui::Control& control, int id, BinderContext& view) {
    switch (control.Kind()) {
    case ui::ControlKind::Label: return std::make_unique<LabelBinder>(control, id, view);
    case ui::ControlKind::Button: return std::make_unique<ButtonBinder>(control, id, view);
    case ui::ControlKind::CheckBox: return std::make_unique<CheckBoxBinder>(control, id, view);
    case ui::ControlKind::Picture: return std::make_unique<PictureBinder>(control, id, view);
    case ui::ControlKind::ComboBox: return std::make_unique<ComboBoxBinder>(control, id, view);
    case ui::ControlKind::Line: return std::make_unique<LineBinder>(control, id, view);
    case ui::ControlKind::TextBox: return std::make_unique<TextBoxBinder>(control, id, view);
    case ui::ControlKind::ListView: return std::make_unique<ListViewBinder>(control, id, view);
    case ui::ControlKind::TreeView: return std::make_unique<TreeViewBinder>(control, id, view);
    case ui::ControlKind::ImageList: break;  // pictures only, no window
    }
    return std::make_unique<ControlBinder>(control, id, view);
}

}  // namespace kv::win32::dialog
