#include "ports/ui/control.hpp"

#include "support/error.hpp"

namespace kv::ui {

const char* KindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label: return "Label";
    case ControlKind::ComboBox: return "ComboBox";
    case ControlKind::ListView: return "ListView";
    case ControlKind::TreeView: return "TreeView";
    case ControlKind::TextBox: return "TextBox";
    case ControlKind::CheckBox: return "CheckBox";
    case ControlKind::Button: return "Button";
    case ControlKind::Picture: return "Picture";
    case ControlKind::Line: return "Line";
    case ControlKind::ImageList: return "ImageList";
    }
    return "Control";
}

void ThrowInvalidProperty(const Control& control, const char* property) {
    throw Error(uierr::InvalidPropertyValue, control.Name(), std::string("Invalid property value (") + property + ")");
}

void Control::SetWidth(int v) {
    if (v < 0) ThrowInvalidProperty(*this, "Width");
    width_ = v;
}

void Control::SetHeight(int v) {
    if (v < 0) ThrowInvalidProperty(*this, "Height");
    height_ = v;
}

void Control::Move(int left, int top, int width, int height) {
    if (width < 0) ThrowInvalidProperty(*this, "Width");
    if (height < 0) ThrowInvalidProperty(*this, "Height");
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

}  // namespace kv::ui
