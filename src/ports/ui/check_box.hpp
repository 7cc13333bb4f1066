#pragma once
// A check box: Value 0 (clear), 1 (ticked) or 2 (grayed). Setting a value
// that differs from the current one raises Click; setting the same value
// raises nothing.
#include <string>

#include "ports/ui/control.hpp"
#include "ports/ui/event.hpp"

namespace kv::ui {

class CheckBox : public Control {
public:
    static constexpr int Unchecked = 0;
    static constexpr int Checked = 1;
    static constexpr int Grayed = 2;

    explicit CheckBox(std::string name) : Control(ControlKind::CheckBox, std::move(name)) {}

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }

    int Value() const { return value_; }
    // 0, 1 or 2; anything else fails with InvalidPropertyValue.
    void SetValue(int value);

    Event<> Click;

    // The user clicked the box: ticks a clear or grayed box, clears a ticked
    // one, raising Click. Nothing happens when the box takes no input.
    bool UserClick();

private:
    std::string caption_;
    int value_ = Unchecked;
};

}  // namespace kv::ui
