#include "adapters/win32/dialog/list_view_binder.hpp"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <utility>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/module.hpp"
#include "adapters/win32/dialog/pictures.hpp"

namespace kv::win32::dialog {
namespace {

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

// Whether text begins with (partial) or is (whole) what was typed, without
// regard to case, as a list view compares its own items.
bool Matches(const std::wstring& text, const wchar_t* typed, std::size_t typedLength, bool partial) {
    if (partial ? text.size() < typedLength : text.size() != typedLength) return false;
    return ::CompareStringOrdinal(text.c_str(), static_cast<int>(typedLength), typed, static_cast<int>(typedLength),
                                  TRUE) == CSTR_EQUAL;
}

}  // namespace

void ListViewBinder::Init(HWND dialog) {
    ::SendMessageW(Window(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AddColumns();
    if (const ui::ImageList* images = list_.SmallIcons()) {
        imageKeys_ = images->Keys();
        images_ = MakeImageList(imageKeys_);
        ::SendMessageW(Window(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_.get()));
    }
    // The item under a point is the one the window shows there (its own
    // rows and scrolling), not the model's estimate.
    list_.SetHitTester([this](double x, double y) -> ui::ListItem* {
        LVHITTESTINFO hit{};
        hit.pt = {static_cast<LONG>(std::lround(x * View().Dpi(true) / 1440.0)),
                  static_cast<LONG>(std::lround(y * View().Dpi(false) / 1440.0))};
        const auto row =
            static_cast<int>(::SendMessageW(Window(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        return (hit.flags & LVHT_ONITEM) ? ItemAt(row) : nullptr;
    });
    tip_ = MakeToolTip(dialog, Window());
    Subclass();
}

void ListViewBinder::AddColumns() {
    for (const ui::ColumnHeader& column : list_.Columns()) {
        std::wstring text = Widen(column.text);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = text.data();
        col.cx = ::MulDiv(column.width, View().Dpi(true), 1440);
        col.iSubItem = column.index - 1;
        ::SendMessageW(Window(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(column.index - 1),
                       reinterpret_cast<LPARAM>(&col));
    }
}

void ListViewBinder::Detach() { list_.SetHitTester({}); }

ui::ListItem* ListViewBinder::ItemAt(int row) const {
    return row >= 0 && row < list_.Count() ? &list_.Item(row + 1) : nullptr;
}

void ListViewBinder::SyncState() {
    if (count_ != list_.Count()) {
        count_ = list_.Count();
        ::SendMessageW(Window(), LVM_SETITEMCOUNT, static_cast<WPARAM>(count_), 0);
    }
    // The rows are the model's; redraw what shows (a virtual list asks again
    // only for the visible rows).
    ::InvalidateRect(Window(), nullptr, FALSE);
    const int wanted = list_.SelectedItem() ? list_.SelectedItem()->Index() - 1 : -1;
    const int shown =
        static_cast<int>(::SendMessageW(Window(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (wanted == shown) return;
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(Window(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    if (wanted < 0) return;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(Window(), LVM_SETITEMSTATE, static_cast<WPARAM>(wanted), reinterpret_cast<LPARAM>(&state));
    ::SendMessageW(Window(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(wanted), FALSE);
}

LRESULT ListViewBinder::Notify(const NMHDR& header) {
    auto& any = const_cast<NMHDR&>(header);
    switch (header.code) {
    case LVN_GETDISPINFOW: GiveDisplayInfo(reinterpret_cast<NMLVDISPINFOW&>(any)); return 0;
    case LVN_ODFINDITEMW: return FindItem(reinterpret_cast<const NMLVFINDITEMW&>(header));
    case LVN_ITEMCHANGED: OnItemChanged(reinterpret_cast<const NMLISTVIEW&>(header)); return 0;
    case NM_CLICK: OnClick(reinterpret_cast<const NMITEMACTIVATE&>(header)); return 0;
    case LVN_COLUMNCLICK: {
        const int column = reinterpret_cast<const NMLISTVIEW&>(header).iSubItem + 1;
        View().User([&] { list_.UserClickColumn(column); });
        return 0;
    }
    default: return 0;
    }
}

void ListViewBinder::GiveDisplayInfo(NMLVDISPINFOW& info) {
    const ui::ListItem* item = ItemAt(info.item.iItem);
    if (!item) return;
    if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
        const int column = info.item.iSubItem;
        dispText_ = column < std::max(1, list_.ColumnCount()) ? Widen(item->ColumnText(column)) : L"";
        const std::size_t room = static_cast<std::size_t>(info.item.cchTextMax) - 1;
        const std::size_t n = std::min(room, dispText_.size());
        std::copy_n(dispText_.data(), n, info.item.pszText);
        info.item.pszText[n] = L'\0';
    }
    if (info.item.mask & LVIF_IMAGE) info.item.iImage = ImageIndex(imageKeys_, item->SmallIcon());
}

int ListViewBinder::FindItem(const NMLVFINDITEMW& find) const {
    const LVFINDINFOW& what = find.lvfi;
    const int count = list_.Count();
    // Only texts are searched: the rows carry no item data of the window's.
    if (!(what.flags & (LVFI_STRING | LVFI_PARTIAL)) || !what.psz || count == 0) return -1;
    const bool partial = (what.flags & LVFI_PARTIAL) != 0;
    const std::size_t typedLength = std::wcslen(what.psz);
    const int start = find.iStart >= 0 && find.iStart < count ? find.iStart : 0;
    const int end = (what.flags & LVFI_WRAP) ? start + count : count;
    for (int i = start; i < end; ++i) {
        const int row = i % count;
        if (Matches(Widen(list_.Item(row + 1).Text()), what.psz, typedLength, partial)) return row;
    }
    return -1;
}

void ListViewBinder::OnItemChanged(const NMLISTVIEW& change) {
    if (View().Pushing() || !(change.uNewState & LVIS_SELECTED) || (change.uOldState & LVIS_SELECTED)) return;
    if (ui::ListItem* item = ItemAt(change.iItem)) {
        changedItem_ = change.iItem;
        View().User([&] { list_.UserClickItem(*item); });
    }
}

void ListViewBinder::OnClick(const NMITEMACTIVATE& click) {
    // A click on the item already selected is a click too; a click that
    // selected it was reported with the change.
    const int changed = std::exchange(changedItem_, -1);
    if (click.iItem == changed) return;
    if (ui::ListItem* item = ItemAt(click.iItem)) View().User([&] { list_.UserClickItem(*item); });
}

LRESULT ListViewBinder::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETCURSOR && View().KeepWaitCursor()) return TRUE;
    if (message == WM_MOUSEMOVE) OnMouseMove(wParam, lParam);
    if (tip_ && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        MSG relay{Window(), message, wParam, lParam, static_cast<DWORD>(::GetMessageTime()), {}};
        ::SendMessageW(tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
    }
    return CallWindow(message, wParam, lParam);
}

void ListViewBinder::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    const int button =
        ((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0) | ((wParam & MK_MBUTTON) ? 4 : 0);
    const int shift = ((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0);
    const double x = static_cast<short>(LOWORD(lParam)) * 1440.0 / View().Dpi(true);
    const double y = static_cast<short>(HIWORD(lParam)) * 1440.0 / View().Dpi(false);
    // Moves are many; they change no window state, so no push follows.
    View().Track([&] { list_.UserMoveMouse(button, shift, x, y); });
    if (!View().Stopping()) ShowToolTip();
}

void ListViewBinder::ShowToolTip() {
    const std::string& text = list_.ToolTipText();
    if (!tip_ || text == tipText_) return;
    tipText_ = text;
    std::wstring wide = Widen(text);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = View().Dialog();
    tool.uId = reinterpret_cast<UINT_PTR>(Window());
    tool.lpszText = wide.data();
    ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    // Over empty rows none shows; another item's text replaces the one shown.
    if (text.empty()) ::SendMessageW(tip_, TTM_POP, 0, 0);
}

}  // namespace kv::win32::dialog
