#include "adapters/win32/dialog/simple_binders.hpp"

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/dialog/pictures.hpp"
#include "ports/ui/check_box.hpp"
#include "ports/ui/combo_box.hpp"
#include "ports/ui/simple_controls.hpp"

namespace kv::win32::dialog {
namespace {
// A combo box's window includes its drop-down list.
constexpr int kDropDownPixels = 200;
}  // namespace

void LabelBinder::SyncState() { SetTextIfChanged(Window(), static_cast<ui::Label&>(Model()).Caption()); }

void ButtonBinder::Init(HWND) {
    const auto& button = static_cast<ui::Button&>(Model());
    if (button.Picture().empty()) return;
    picture_ = DrawPicture(button.Picture());
    ::SendMessageW(Window(), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
}

void ButtonBinder::SyncState() { SetTextIfChanged(Window(), static_cast<ui::Button&>(Model()).Caption()); }

void ButtonBinder::Command(int code) {
    if (code == BN_CLICKED) View().User([&] { static_cast<ui::Button&>(Model()).UserClick(); });
}

void CheckBoxBinder::SyncState() {
    auto& box = static_cast<ui::CheckBox&>(Model());
    SetTextIfChanged(Window(), box.Caption());
    const int state = box.Value() == ui::CheckBox::Checked  ? BST_CHECKED
                      : box.Value() == ui::CheckBox::Grayed ? BST_INDETERMINATE
                                                            : BST_UNCHECKED;
    if (check_ != state) {
        check_ = state;
        ::SendMessageW(Window(), BM_SETCHECK, static_cast<WPARAM>(state), 0);
    }
}

void CheckBoxBinder::Command(int code) {
    if (code == BN_CLICKED) View().User([&] { static_cast<ui::CheckBox&>(Model()).UserClick(); });
}

void PictureBinder::Init(HWND) {
    const auto& picture = static_cast<ui::Picture&>(Model());
    picture_ = DrawPicture(picture.Image().empty() ? "search" : picture.Image());
    ::SendMessageW(Window(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
}

void ComboBoxBinder::SyncState() {
    auto& combo = static_cast<ui::ComboBox&>(Model());
    if (items_ != combo.Items()) {
        items_ = combo.Items();
        ::SendMessageW(Window(), CB_RESETCONTENT, 0, 0);
        for (const std::string& item : items_)
            ::SendMessageW(Window(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
    }
    if (::SendMessageW(Window(), CB_GETCURSEL, 0, 0) != combo.ListIndex())
        ::SendMessageW(Window(), CB_SETCURSEL, static_cast<WPARAM>(combo.ListIndex()), 0);
}

RECT ComboBoxBinder::Bounds() const {
    RECT rect = ControlBinder::Bounds();
    rect.bottom += kDropDownPixels;
    return rect;
}

void ComboBoxBinder::Command(int code) {
    if (code != CBN_SELCHANGE) return;
    const int index = static_cast<int>(::SendMessageW(Window(), CB_GETCURSEL, 0, 0));
    View().User([&] {
        if (index >= 0) static_cast<ui::ComboBox&>(Model()).UserSelect(index);
    });
}

RECT LineBinder::Bounds() const {
    RECT rect = ControlBinder::Bounds();
    rect.bottom = rect.top + 2;
    return rect;
}

}  // namespace kv::win32::dialog
