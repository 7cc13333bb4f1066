#include "ports/ui/combo_box.hpp"

namespace kv::ui {

void ComboBox::AddItem(std::string text) { items_.push_back(std::move(text)); }

void ComboBox::Clear() {
    items_.clear();
    listIndex_ = -1;
}

const std::string& ComboBox::List(int index) const {
    if (index < 0 || index >= ListCount()) ThrowInvalidProperty(*this, "List");
    return items_[static_cast<std::size_t>(index)];
}

void ComboBox::SetListIndex(int index) {
    if (index < -1 || index >= ListCount()) ThrowInvalidProperty(*this, "ListIndex");
    listIndex_ = index;
    if (index >= 0) Click.Raise();
}

std::string ComboBox::Text() const {
    return listIndex_ < 0 ? std::string() : items_[static_cast<std::size_t>(listIndex_)];
}

bool ComboBox::UserSelect(int index) {
    if (!AcceptsInput()) return false;
    SetListIndex(index);
    return true;
}

}  // namespace kv::ui
