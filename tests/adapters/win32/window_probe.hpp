#pragma once
// What a window shows, read as a user (or a screen reader) would: its text,
// its class, a list view cell, a tree view item. Texts come back as UTF-8.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <utility>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/dialog/win32_prompts.hpp"

namespace kv::win32::test {

// Windowed tests need a display; the Windows test stage starts Xvfb.
inline bool HaveDisplay() {
    wchar_t display[64] = {};
    return ::GetEnvironmentVariableW(L"DISPLAY", display, 64) > 0;
}

inline std::string WindowText(HWND hwnd) {
    wchar_t text[512] = {};
    ::GetWindowTextW(hwnd, text, 512);
    return Narrow(std::wstring(text));
}

inline std::string ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, 64);
    return Narrow(std::wstring(name));
}

inline std::string ListText(HWND list, int row, int column = 0) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return Narrow(std::wstring(text));
}

// "" for no item.
inline std::string TreeText(HWND tree, HTREEITEM item) {
    if (!item) return {};
    wchar_t text[256] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 256;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return Narrow(std::wstring(text));
}

// Boxes are answered from a timer, which runs inside the box's own loop: the
// next box of this thread (of the title asked for, if any) is looked at, its
// text and owner kept, the input typed and the button pressed. Only this
// thread's windows are looked at, so another test program's box is left alone.
struct BoxAnswer {
    static inline std::wstring title, text, typed;
    static inline HWND owner = nullptr;
    static inline int button = IDOK, shown = 0;
    static inline std::function<void(HWND box)> onBox;  // looks at the box before it is answered
    static BOOL CALLBACK Find(HWND hwnd, LPARAM found) {
        wchar_t caption[256] = {};
        ::GetWindowTextW(hwnd, caption, 256);
        if (ClassOf(hwnd) != "#32770" || (!title.empty() && title != caption)) return TRUE;
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), &Find, reinterpret_cast<LPARAM>(&box));
        if (!box) return;
        ::KillTimer(nullptr, id);
        if (onBox) onBox(box);
        wchar_t buffer[256] = {};
        ::GetDlgItemTextW(box, 0xFFFF, buffer, 256);  // a message box's text
        if (!*buffer) ::GetDlgItemTextW(box, dialog::kInputTextId, buffer, 256);
        text = buffer;
        owner = ::GetWindow(box, GW_OWNER);
        ++shown;
        if (!typed.empty()) ::SetDlgItemTextW(box, dialog::kInputTextId, typed.c_str());
        ::PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    }
    static void Arm(std::wstring boxTitle = {}, int answer = IDOK, std::wstring input = {},
                    std::function<void(HWND)> look = {}) {
        title = std::move(boxTitle);
        button = answer;
        typed = std::move(input);
        onBox = std::move(look);
        text.clear();
        owner = nullptr;
        shown = 0;
        ::SetTimer(nullptr, 0, 50, &Tick);
    }
};

}  // namespace kv::win32::test
