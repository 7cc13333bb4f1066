#include "adapters/win32/dialog/pictures.hpp"

namespace kv::win32::dialog {
namespace {

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    RECT r{left, top, right, bottom};
    HBRUSH brush = ::CreateSolidBrush(color);
    ::FillRect(dc, &r, brush);
    ::DeleteObject(brush);
}

void Frame(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    RECT r{left, top, right, bottom};
    HBRUSH brush = ::CreateSolidBrush(color);
    ::FrameRect(dc, &r, brush);
    ::DeleteObject(brush);
}

}  // namespace

HBITMAP DrawPicture(const std::string& key) {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 16, 16);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    const COLORREF back = ::GetSysColor(COLOR_WINDOW);
    const COLORREF ink = RGB(64, 64, 64);
    Fill(dc, 0, 0, 16, 16, back);
    if (key == "folc" || key == "folo") {
        const COLORREF folder = RGB(240, 200, 80);
        Fill(dc, 1, 3, 7, 5, folder);
        Frame(dc, 1, 3, 7, 5, RGB(160, 120, 30));
        Fill(dc, 1, 5, 15, 14, folder);
        Frame(dc, 1, 5, 15, 14, RGB(160, 120, 30));
        if (key == "folo") {
            // An open folder: the front flap tilted forward.
            Fill(dc, 3, 8, 16, 14, RGB(250, 225, 130));
            Frame(dc, 3, 8, 16, 14, RGB(160, 120, 30));
        }
    } else if (key == "job") {
        Fill(dc, 2, 5, 14, 14, RGB(150, 90, 40));
        Frame(dc, 2, 5, 14, 14, RGB(90, 50, 20));
        Frame(dc, 5, 2, 11, 6, RGB(90, 50, 20));
        Fill(dc, 2, 9, 14, 10, RGB(90, 50, 20));
    } else if (key == "search") {
        HPEN pen = ::CreatePen(PS_SOLID, 2, ink);
        HGDIOBJ oldPen = ::SelectObject(dc, pen);
        HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
        ::Ellipse(dc, 2, 2, 11, 11);
        ::MoveToEx(dc, 9, 9, nullptr);
        ::LineTo(dc, 14, 14);
        ::SelectObject(dc, oldBrush);
        ::SelectObject(dc, oldPen);
        ::DeleteObject(pen);
    } else {
        Fill(dc, 3, 1, 13, 15, RGB(255, 255, 255));
        Frame(dc, 3, 1, 13, 15, ink);
    }
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return bitmap;
}

HIMAGELIST MakeImageList(const std::vector<std::string>& keys) {
    HIMAGELIST list = ::ImageList_Create(16, 16, ILC_COLOR24, static_cast<int>(keys.size()), 4);
    for (const std::string& key : keys) {
        HBITMAP picture = DrawPicture(key);
        ::ImageList_Add(list, picture, nullptr);
        ::DeleteObject(picture);
    }
    return list;
}

}  // namespace kv::win32::dialog
