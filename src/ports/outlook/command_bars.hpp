#pragma once
// Office command bars of an explorer or inspector: toolbars and their buttons.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ports/outlook/host.hpp"

namespace kv::outlook {

class CommandBar;

// A button on a command bar (the only kind of control the add-in adds).
class CommandBarButton {
public:
    virtual ~CommandBarButton() = default;
    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& value) = 0;
    virtual std::string Tag() const = 0;
    virtual void SetTag(const std::string& value) = 0;
    virtual std::string TooltipText() const = 0;
    virtual void SetTooltipText(const std::string& value) = 0;
    virtual bool BeginGroup() const = 0;
    virtual void SetBeginGroup(bool value) = 0;
    virtual std::string OnAction() const = 0;
    virtual void SetOnAction(const std::string& value) = 0;
    virtual std::int32_t FaceId() const = 0;
    virtual void SetFaceId(std::int32_t value) = 0;
    // buttonstyle::Icon / Caption / IconAndCaption
    virtual std::int32_t Style() const = 0;
    virtual void SetStyle(std::int32_t value) = 0;
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool value) = 0;
    virtual std::string Parameter() const = 0;

    // The bar it sits on; kv::Error once the button or bar is deleted.
    virtual std::shared_ptr<CommandBar> GetParent() const = 0;
    virtual void Delete() = 0;

    // The host raises Click on every button with the clicked button's tag;
    // ctrl is the button that was clicked.
    virtual Subscription OnClick(
        std::function<void(std::shared_ptr<CommandBarButton> ctrl, bool& cancelDefault)> handler) = 0;
};
using CommandBarControl = CommandBarButton;

class CommandBarControls {
public:
    virtual ~CommandBarControls() = default;
    virtual std::int32_t Count() const = 0;
    // Counted from 1; hosterr::InvalidIndex outside.
    virtual std::shared_ptr<CommandBarControl> Item(std::int32_t index) const = 0;
    // type: ControlButton (others are refused); parameter as the host keeps it.
    virtual std::shared_ptr<CommandBarButton> Add(std::int32_t type, const std::string& parameter) = 0;
};

class CommandBar {
public:
    virtual ~CommandBar() = default;
    virtual std::string Name() const = 0;
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool value) = 0;
    virtual std::int32_t Position() const = 0;
    // Temporary bars go with their window; the others are kept between runs.
    virtual bool Temporary() const = 0;
    virtual std::shared_ptr<CommandBarControls> GetControls() = 0;
    // The first control of the bar whose Tag equals tag exactly; empty when none.
    virtual std::shared_ptr<CommandBarControl> FindControl(const std::string& tag) = 0;
    virtual void Delete() = 0;
    // The explorer or inspector the bar belongs to.
    virtual std::shared_ptr<Window> GetParent() const = 0;
};

class CommandBars {
public:
    virtual ~CommandBars() = default;
    virtual std::int32_t Count() const = 0;
    // By name; throws hosterr::InvalidIndex when no bar has that name.
    virtual std::shared_ptr<CommandBar> Item(const std::string& name) const = 0;
    // position: BarTop; throws when a bar of that name exists already.
    virtual std::shared_ptr<CommandBar> Add(const std::string& name, std::int32_t position, bool temporary) = 0;
};

}  // namespace kv::outlook
