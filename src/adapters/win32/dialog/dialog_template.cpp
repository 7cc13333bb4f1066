#include "adapters/win32/dialog/dialog_template.hpp"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/dialog/gdi_owners.hpp"
#include "ports/ui/controls.hpp"

namespace kv::win32::dialog {
namespace {

constexpr const wchar_t* kFontName = L"MS Shell Dlg";
constexpr WORD kFontPoints = 8;
constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082, kComboBox = 0x0085;

short Clamp(int value) { return static_cast<short>(std::clamp(value, -32768, 32767)); }

}  // namespace

DialogUnits::DialogUnits() {
    const ScreenDc screen;
    HDC dc = screen.Get();
    dpiX_ = ::GetDeviceCaps(dc, LOGPIXELSX);
    dpiY_ = ::GetDeviceCaps(dc, LOGPIXELSY);
    const UniqueFont font(::CreateFontW(-::MulDiv(kFontPoints, dpiY_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                        DEFAULT_PITCH | FF_DONTCARE, kFontName));
    const SelectedObject measuring(dc, font.get());
    TEXTMETRICW metrics{};
    SIZE size{};
    static const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    if (::GetTextMetricsW(dc, &metrics) && ::GetTextExtentPoint32W(dc, kAlphabet, 52, &size) && size.cx > 0 &&
        metrics.tmHeight > 0) {
        baseX_ = (size.cx / 26 + 1) / 2;
        baseY_ = metrics.tmHeight;
    }
}

short DialogUnits::X(int twips) const { return Clamp(::MulDiv(::MulDiv(twips, dpiX_, 1440), 4, baseX_)); }
short DialogUnits::Y(int twips) const { return Clamp(::MulDiv(::MulDiv(twips, dpiY_, 1440), 8, baseY_)); }

DialogTemplate::DialogTemplate(const std::string& caption, short cx, short cy, DWORD style) {
    DLGTEMPLATE header{};
    header.style = style | DS_SETFONT;
    header.dwExtendedStyle = WS_EX_DLGMODALFRAME;
    header.cx = cx;
    header.cy = cy;
    data_.resize(sizeof header / sizeof(WORD));
    std::memcpy(data_.data(), &header, sizeof header);
    data_.push_back(0);  // no menu
    data_.push_back(0);  // the standard dialog class
    Text(Widen(caption));
    data_.push_back(kFontPoints);
    Text(kFontName);
}

DialogTemplate DialogTemplate::ForForm(const std::string& caption, int widthTwips, int heightTwips,
                                       bool centerOnScreen) {
    const DialogUnits units;
    return DialogTemplate(caption, units.X(widthTwips), units.Y(heightTwips),
                          WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | (centerOnScreen ? DS_CENTER : 0));
}

void DialogTemplate::Text(const std::wstring& text) {
    data_.insert(data_.end(), text.begin(), text.end());
    data_.push_back(0);
}

void DialogTemplate::AlignToDword() {
    if (data_.size() % 2) data_.push_back(0);
}

void DialogTemplate::BeginItem(DWORD style, DWORD exStyle, short x, short y, short cx, short cy, WORD id) {
    AlignToDword();
    DLGITEMTEMPLATE item{};
    item.style = style;
    item.dwExtendedStyle = exStyle;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    const std::size_t at = data_.size();
    data_.resize(at + sizeof item / sizeof(WORD));
    std::memcpy(data_.data() + at, &item, sizeof item);
    // cdit counts the items.
    auto* header = reinterpret_cast<DLGTEMPLATE*>(data_.data());
    ++header->cdit;
}

void DialogTemplate::FinishItem(const std::string& text) {
    Text(Widen(text));
    data_.push_back(0);  // no creation data
}

void DialogTemplate::AddItem(WORD classAtom, const std::string& text, DWORD style, DWORD exStyle, short x, short y,
                             short cx, short cy, WORD id) {
    BeginItem(style, exStyle, x, y, cx, cy, id);
    data_.push_back(0xFFFF);
    data_.push_back(classAtom);
    FinishItem(text);
}

void DialogTemplate::AddItem(const wchar_t* className, const std::string& text, DWORD style, DWORD exStyle, short x,
                             short y, short cx, short cy, WORD id) {
    BeginItem(style, exStyle, x, y, cx, cy, id);
    Text(className);
    FinishItem(text);
}

void DialogTemplate::AddControl(const ui::Control& c, int id, bool tabStop) {
    DWORD style =
        WS_CHILD | (c.Visible() ? WS_VISIBLE : 0) | (c.Enabled() ? 0 : WS_DISABLED) | (tabStop ? WS_TABSTOP : 0);
    const short x = units_.X(c.Left()), y = units_.Y(c.Top()), cx = units_.X(c.Width());
    short cy = units_.Y(c.Height());
    const WORD wid = static_cast<WORD>(id);
    switch (c.Kind()) {
    case ui::ControlKind::Label:
        AddItem(kStatic, static_cast<const ui::Label&>(c).Caption(), style | SS_LEFT | SS_NOPREFIX, 0, x, y, cx, cy,
                wid);
        break;
    case ui::ControlKind::ComboBox:
        AddItem(kComboBox, "", style | CBS_DROPDOWNLIST | WS_VSCROLL, 0, x, y, cx, Clamp(cy + 100), wid);
        break;
    case ui::ControlKind::ListView:
        AddItem(WC_LISTVIEWW, "", style | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0,
                x, y, cx, cy, wid);
        break;
    case ui::ControlKind::TreeView:
        AddItem(WC_TREEVIEWW, "",
                style | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS, 0, x, y, cx,
                cy, wid);
        break;
    case ui::ControlKind::TextBox:
        AddItem(kEdit, static_cast<const ui::TextBox&>(c).Text(), style | WS_BORDER | ES_AUTOHSCROLL, 0, x, y, cx, cy,
                wid);
        break;
    case ui::ControlKind::CheckBox:
        AddItem(kButton, static_cast<const ui::CheckBox&>(c).Caption(), style | BS_3STATE, 0, x, y, cx, cy, wid);
        break;
    case ui::ControlKind::Button: {
        const auto& button = static_cast<const ui::Button&>(c);
        AddItem(kButton, button.Caption(), style | BS_PUSHBUTTON | (button.Picture().empty() ? 0 : BS_BITMAP), 0, x, y,
                cx, cy, wid);
        break;
    }
    case ui::ControlKind::Picture:
        AddItem(kStatic, "", style | SS_BITMAP | SS_CENTERIMAGE, 0, x, y, cx, cy, wid);
        break;
    case ui::ControlKind::Line:
        AddItem(kStatic, "", style | SS_ETCHEDHORZ, 0, x, y, cx, std::max<short>(cy, 1), wid);
        break;
    case ui::ControlKind::ImageList: break;  // pictures only, no window
    }
}

}  // namespace kv::win32::dialog
