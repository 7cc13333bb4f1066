#include "adapters/win32/dialog/pictures.hpp"

#include <algorithm>

namespace kv::win32::dialog {
namespace {

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    RECT r{left, top, right, bottom};
    const UniqueBrush brush(::CreateSolidBrush(color));
    ::FillRect(dc, &r, brush.get());
}

void Frame(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    RECT r{left, top, right, bottom};
    const UniqueBrush brush(::CreateSolidBrush(color));
    ::FrameRect(dc, &r, brush.get());
}

void DrawFolder(HDC dc, bool open) {
    const COLORREF folder = RGB(240, 200, 80);
    const COLORREF edge = RGB(160, 120, 30);
    Fill(dc, 1, 3, 7, 5, folder);
    Frame(dc, 1, 3, 7, 5, edge);
    Fill(dc, 1, 5, 15, 14, folder);
    Frame(dc, 1, 5, 15, 14, edge);
    if (open) {
        // An open folder: the front flap tilted forward.
        Fill(dc, 3, 8, 16, 14, RGB(250, 225, 130));
        Frame(dc, 3, 8, 16, 14, edge);
    }
}

void DrawJob(HDC dc) {
    Fill(dc, 2, 5, 14, 14, RGB(150, 90, 40));
    Frame(dc, 2, 5, 14, 14, RGB(90, 50, 20));
    Frame(dc, 5, 2, 11, 6, RGB(90, 50, 20));
    Fill(dc, 2, 9, 14, 10, RGB(90, 50, 20));
}

void DrawSearch(HDC dc, COLORREF ink) {
    const UniquePen pen(::CreatePen(PS_SOLID, 2, ink));
    const SelectedObject withPen(dc, pen.get());
    const SelectedObject noFill(dc, ::GetStockObject(NULL_BRUSH));
    ::Ellipse(dc, 2, 2, 11, 11);
    ::MoveToEx(dc, 9, 9, nullptr);
    ::LineTo(dc, 14, 14);
}

}  // namespace

UniqueBitmap DrawPicture(const std::string& key) {
    UniqueBitmap bitmap;
    UniqueDc dc;
    {
        const ScreenDc screen;
        dc.reset(::CreateCompatibleDC(screen.Get()));
        bitmap.reset(::CreateCompatibleBitmap(screen.Get(), 16, 16));
    }
    const SelectedObject drawing(dc.get(), bitmap.get());
    const COLORREF ink = RGB(64, 64, 64);
    Fill(dc.get(), 0, 0, 16, 16, ::GetSysColor(COLOR_WINDOW));
    if (key == "folc" || key == "folo") {
        DrawFolder(dc.get(), key == "folo");
    } else if (key == "job") {
        DrawJob(dc.get());
    } else if (key == "search") {
        DrawSearch(dc.get(), ink);
    } else {
        Fill(dc.get(), 3, 1, 13, 15, RGB(255, 255, 255));
        Frame(dc.get(), 3, 1, 13, 15, ink);
    }
    return bitmap;
}

UniqueImageList MakeImageList(const std::vector<std::string>& keys) {
    UniqueImageList list(::ImageList_Create(16, 16, ILC_COLOR24, static_cast<int>(keys.size()), 4));
    for (const std::string& key : keys) ::ImageList_Add(list.get(), DrawPicture(key).get(), nullptr);
    return list;
}

int ImageIndex(const std::vector<std::string>& keys, const std::string& key) {
    const auto found = std::find(keys.begin(), keys.end(), key);
    return found == keys.end() ? -1 : static_cast<int>(found - keys.begin());
}

}  // namespace kv::win32::dialog
