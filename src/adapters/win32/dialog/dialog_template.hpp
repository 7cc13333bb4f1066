#pragma once
// In-memory dialog templates (DLGTEMPLATE and its items), so the add-in's
// dialogs need no resources. Positions are dialog units of the template's
// font ("MS Shell Dlg", 8 points); DialogUnits converts twips to them.
#include <windows.h>

#include <string>
#include <vector>

#include "ports/ui/control.hpp"

namespace kv::win32::dialog {

// A window handed on earlier, while it still exists: the host window an
// import was started from may have closed since, and a box on a dead owner
// would not show at all.
inline HWND LiveWindow(HWND window) noexcept { return window && ::IsWindow(window) ? window : nullptr; }

// Twips -> dialog units, through the screen's pixels and the average
// character size of the dialog font, as the dialog manager measures it.
class DialogUnits {
public:
    DialogUnits();
    short X(int twips) const;
    short Y(int twips) const;

private:
    int dpiX_ = 96, dpiY_ = 96, baseX_ = 6, baseY_ = 13;
};

class DialogTemplate {
public:
    // cx, cy: the client area in dialog units.
    DialogTemplate(const std::string& caption, short cx, short cy, DWORD style);
    // The template of a form: its caption and client size in twips.
    static DialogTemplate ForForm(const std::string& caption, int widthTwips, int heightTwips, bool centerOnScreen);

    // A predefined class by atom (0x0080 button, 0x0081 edit, 0x0082 static, 0x0085 combo box).
    void AddItem(WORD classAtom, const std::string& text, DWORD style, DWORD exStyle, short x, short y, short cx,
                 short cy, WORD id);
    void AddItem(const wchar_t* className, const std::string& text, DWORD style, DWORD exStyle, short x, short y,
                 short cx, short cy, WORD id);
    // A control of a form, as the window class that shows its kind.
    void AddControl(const ui::Control& control, int id, bool tabStop);

    LPCDLGTEMPLATEW Get() const { return reinterpret_cast<LPCDLGTEMPLATEW>(data_.data()); }

private:
    void Text(const std::wstring& text);
    void AlignToDword();
    void BeginItem(DWORD style, DWORD exStyle, short x, short y, short cx, short cy, WORD id);
    void FinishItem(const std::string& text);

    std::vector<WORD> data_;
    DialogUnits units_;
};

}  // namespace kv::win32::dialog
