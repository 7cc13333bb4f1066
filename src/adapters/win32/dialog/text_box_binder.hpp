#pragma once
// A text box as an edit window: every key the user types goes through the
// model's KeyPress first, and the edit window applies what that leaves, at
// its caret; Enter is the box's own key, not the dialog's default button.
#include "adapters/win32/dialog/control_binder.hpp"

namespace kv::win32::dialog {

class TextBoxBinder final : public ControlBinder {
public:
    using ControlBinder::ControlBinder;
    void Command(int code) override;

private:
    void Init(HWND dialog) override;
    void SyncState() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnChar(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaste(WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);
    // The key KeyPress left, or 0 when it swallowed it (or the dialog ends).
    int FilterKey(int code);

    wchar_t highSurrogate_ = 0;
    bool enterDown_ = false;   // Enter went to KeyPress at WM_KEYDOWN; its WM_CHAR is spent
    bool pasteKeyed_ = false;  // the paste key is being applied by the edit window
};

}  // namespace kv::win32::dialog
