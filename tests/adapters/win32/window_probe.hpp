#pragma once
// What a window shows, read as a user (or a screen reader) would: its text,
// its class, a list view cell, a tree view item. Texts come back as UTF-8.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "adapters/win32/com_ptr.hpp"

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

}  // namespace kv::win32::test
