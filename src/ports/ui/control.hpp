#pragma once
// What every control of a form has: a name, a tag the layout code reads, a
// position and size in twips from the form's client area, visibility and
// whether it takes input. Controls are owned by their Form.
#include <string>

namespace kv::ui {

enum class ControlKind { Label, ComboBox, ListView, TreeView, TextBox, CheckBox, Button, Picture, Line, ImageList };

const char* KindName(ControlKind kind);

// Error numbers of the control models, as the platform's controls raise them.
namespace uierr {
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int ElementNotFound = 35601;
inline constexpr int KeyNotUnique = 35602;
inline constexpr int InvalidKey = 35603;
inline constexpr int IndexOutOfBounds = 35600;
}  // namespace uierr

class Control;
// Throws kv::Error InvalidPropertyValue naming the control and property.
[[noreturn]] void ThrowInvalidProperty(const Control& control, const char* property);

class Control {
public:
    Control(ControlKind kind, std::string name) : kind_(kind), name_(std::move(name)) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind Kind() const { return kind_; }
    const std::string& Name() const { return name_; }

    const std::string& Tag() const { return tag_; }
    void SetTag(std::string tag) { tag_ = std::move(tag); }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { left_ = v; }
    void SetTop(int v) { top_ = v; }
    // Negative sizes are refused with an Error, as the platform would.
    void SetWidth(int v);
    void SetHeight(int v);
    void Move(int left, int top, int width, int height);

    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { enabled_ = v; }

    // Position in the tab order; -1 for controls that never take the focus.
    int TabIndex() const { return tabIndex_; }
    void SetTabIndex(int v) { tabIndex_ = v; }

    // A user can act on the control only while it is visible and enabled;
    // the view's user actions check this.
    bool AcceptsInput() const { return visible_ && enabled_; }

private:
    ControlKind kind_;
    std::string name_;
    std::string tag_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    int tabIndex_ = -1;
};

}  // namespace kv::ui
