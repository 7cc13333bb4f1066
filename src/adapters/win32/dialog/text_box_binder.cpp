#include "adapters/win32/dialog/text_box_binder.hpp"

#include <utility>

#include "adapters/win32/com_ptr.hpp"
#include "ports/ui/text_box.hpp"

namespace kv::win32::dialog {

void TextBoxBinder::Init(HWND) { Subclass(); }

void TextBoxBinder::SyncState() {
    const std::wstring text = Widen(static_cast<ui::TextBox&>(Model()).Text());
    if (WindowText(Window()) != text) {
        ::SetWindowTextW(Window(), text.c_str());
        ::SendMessageW(Window(), EM_SETSEL, static_cast<WPARAM>(text.size()), static_cast<LPARAM>(text.size()));
    }
}

void TextBoxBinder::Command(int code) {
    auto& box = static_cast<ui::TextBox&>(Model());
    if (code == EN_KILLFOCUS) View().User([&] { box.LostFocus.Raise(); });
    // The edit window changed its text (typing, Delete, cut, paste, undo):
    // the model, and so every handler, reads that text.
    if (code == EN_CHANGE && !View().Pushing()) {
        const std::string text = Narrow(WindowText(Window()));
        View().User([&] { box.SetText(text); });
    }
}

int TextBoxBinder::FilterKey(int code) {
    int kept = 0;
    View().User([&] { kept = static_cast<ui::TextBox&>(Model()).UserFilterKey(code); });
    return View().Stopping() ? 0 : kept;
}

LRESULT TextBoxBinder::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code = CallWindow(message, wParam, lParam);
        // Enter belongs to the box (KeyPress 13), not to the dialog.
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
        return code | DLGC_WANTCHARS;
    }
    case WM_CHAR: return OnChar(wParam, lParam);
    case WM_PASTE: return OnPaste(wParam, lParam);
    case WM_SETCURSOR: return View().KeepWaitCursor() ? TRUE : CallWindow(message, wParam, lParam);
    case WM_KEYDOWN: return OnKeyDown(wParam, lParam);
    case WM_KEYUP:
        if (wParam == VK_RETURN) enterDown_ = false;
        return CallWindow(message, wParam, lParam);
    default: return CallWindow(message, wParam, lParam);
    }
}

LRESULT TextBoxBinder::OnChar(WPARAM wParam, LPARAM lParam) {
    int code = static_cast<int>(wParam);
    if (code == ui::keys::Enter && std::exchange(enterDown_, false)) return 0;
    if (code >= 0xD800 && code <= 0xDBFF) {
        highSurrogate_ = static_cast<wchar_t>(code);
        return 0;
    }
    if (code >= 0xDC00 && code <= 0xDFFF) {
        if (!highSurrogate_) return 0;
        code = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (code - 0xDC00);
    }
    highSurrogate_ = 0;
    // KeyPress first; the edit window applies what it leaves, where the
    // caret stands, and reports the text back (EN_CHANGE).
    const int kept = FilterKey(code);
    if (kept == 0 || kept == ui::keys::Enter) return 0;
    pasteKeyed_ = kept == ui::keys::Paste;  // its WM_PASTE has been through KeyPress
    if (kept >= 0x10000) {
        // Both halves at once: half a pair would be text for a moment.
        const int units = kept - 0x10000;
        const wchar_t pair[] = {static_cast<wchar_t>(0xD800 + (units >> 10)),
                                static_cast<wchar_t>(0xDC00 + (units & 0x3FF)), 0};
        CallWindow(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pair));
    } else {
        CallWindow(WM_CHAR, static_cast<WPARAM>(kept), lParam);
    }
    pasteKeyed_ = false;
    return 0;
}

LRESULT TextBoxBinder::OnPaste(WPARAM wParam, LPARAM lParam) {
    // A paste from the menu passes KeyPress as the paste key does.
    if (!pasteKeyed_ && FilterKey(ui::keys::Paste) == 0) return 0;
    return CallWindow(WM_PASTE, wParam, lParam);
}

LRESULT TextBoxBinder::OnKeyDown(WPARAM wParam, LPARAM lParam) {
    enterDown_ = false;
    // Enter is the box's own key (KeyPress 13): the edit control would pass
    // it to the dialog as its default button instead.
    if (wParam == VK_RETURN) {
        enterDown_ = true;
        View().User([&] { static_cast<ui::TextBox&>(Model()).UserPressKey(ui::keys::Enter); });
        return 0;
    }
    return CallWindow(WM_KEYDOWN, wParam, lParam);
}

}  // namespace kv::win32::dialog
