#include "ports/ui/check_box.hpp"

namespace kv::ui {

void CheckBox::SetValue(int value) {
    if (value < Unchecked || value > Grayed) ThrowInvalidProperty(*this, "Value");
    if (value == value_) return;
    value_ = value;
    Click.Raise();
}

bool CheckBox::UserClick() {
    if (!AcceptsInput()) return false;
    SetValue(value_ == Checked ? Unchecked : Checked);
    return true;
}

}  // namespace kv::ui
