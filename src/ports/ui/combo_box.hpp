#pragma once
// A drop-down list the program selects by position. Setting ListIndex to an
// item raises Click, whether the program or the user did it, and even when the
// same item is chosen again; setting it to -1 (no item) raises nothing.
#include <string>
#include <vector>

#include "ports/ui/control.hpp"
#include "ports/ui/event.hpp"

namespace kv::ui {

class ComboBox : public Control {
public:
    explicit ComboBox(std::string name) : Control(ControlKind::ComboBox, std::move(name)) {}

    void AddItem(std::string text);
    void Clear();
    int ListCount() const { return static_cast<int>(items_.size()); }
    // Fails with InvalidPropertyValue outside 0..ListCount-1.
    const std::string& List(int index) const;
    const std::vector<std::string>& Items() const { return items_; }

    int ListIndex() const { return listIndex_; }
    // -1 or a valid position; anything else fails with InvalidPropertyValue
    // and leaves the choice as it was.
    void SetListIndex(int index);
    // Text of the chosen item, "" when none.
    std::string Text() const;

    Event<> Click;

    // The user picked an item (only when the box takes input).
    bool UserSelect(int index);

private:
    std::vector<std::string> items_;
    int listIndex_ = -1;
};

}  // namespace kv::ui
