#pragma once
// A form: a container of named controls with a caption, a mouse pointer and
// Load/Unload events, shown modally through a View (the platform window, or
// a headless stand-in).
//
// Life of one showing (ShowModal):
//  1. the controls are removed and Design() builds them afresh, so every
//     showing starts from the design (a presenter overrides Design to create
//     its controls and subscribe its handlers);
//  2. Load is raised; a failure there ends the showing and reaches the
//     caller of ShowModal, and the window is never shown;
//  3. the view shows the form and returns once the form has unloaded;
//  4. if the view gave up without unloading it, the form unloads then.
// Unload() raises Unload (once per showing) and ends the modal loop.
// Members of a presenter outlive the showings; controls do not.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ports/native_window.hpp"
#include "ports/ui/control.hpp"
#include "ports/ui/event.hpp"
#include "support/error.hpp"

namespace kv::ui {

class View;

namespace pointer {
inline constexpr int Default = 0;
inline constexpr int Hourglass = 11;
}  // namespace pointer

class Form {
public:
    explicit Form(std::string name) : name_(std::move(name)) {}
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }
    int MousePointer() const { return mousePointer_; }
    // Shown at once while the form is shown (the hourglass must appear
    // before the long work that sets it, not after).
    void SetMousePointer(int pointer);
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    void SetClientSize(int width, int height);

    // Creates a control of type T (a Control subclass) named name; a name
    // already on the form fails with an Error and adds nothing.
    template <class T>
    T& Add(std::string name) {
        auto control = std::make_unique<T>(std::move(name));
        T& ref = *control;
        Adopt(std::move(control));
        return ref;
    }
    // nullptr when no control has that name.
    Control* Find(std::string_view name) const;
    // The control named name, of type T; a missing name or another kind
    // fails with an Error.
    template <class T>
    T& Get(std::string_view name) const {
        T* typed = dynamic_cast<T*>(&Require(name));
        if (typed == nullptr) throw Error(errnum::TypeMismatch, name_, "Type mismatch: control " + std::string(name));
        return *typed;
    }
    // All controls in the order they were added (the layout walks them).
    const std::vector<Control*>& Controls() const { return order_; }
    // Controls that take the focus, by tab index.
    std::vector<Control*> TabOrder() const;
    // The control with the focus: first in the tab order that takes input
    // when the form is shown; the view moves it.
    Control* ActiveControl() const { return active_; }
    void SetActiveControl(Control* control) { active_ = control; }
    void RemoveAllControls();

    // Showing
    void ShowModal(View& view);
    bool IsLoaded() const { return loaded_; }
    void Unload();
    // Lets the view handle pending window messages (redraws, mouse moves).
    void DoEvents();

    Event<> Load;
    Event<> UnloadEvent;

protected:
    // Builds the controls of one showing; the default builds none.
    virtual void Design() {}

private:
    void Adopt(std::unique_ptr<Control> control);
    Control& Require(std::string_view name) const;

    std::string name_;
    std::string caption_;
    int mousePointer_ = pointer::Default;
    int clientWidth_ = 0, clientHeight_ = 0;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<Control*> order_;
    std::unordered_map<std::string, Control*> byName_;
    Control* active_ = nullptr;
    bool loaded_ = false;
    View* view_ = nullptr;
};

// The platform window of a form.
class View {
public:
    virtual ~View() = default;
    // Shows form modally; returns once the form has unloaded (or the window
    // was closed, which unloads it).
    virtual void ShowModal(Form& form) = 0;
    // Handles pending window messages once; the default has none.
    virtual void DoEvents() {}
    // The form's mouse pointer changed (ui::pointer); the default shows none.
    virtual void ShowPointer(int /*pointer*/) {}
    // The window the next showing is modal to, and that every box shown
    // while no form is up belongs to (while one is, boxes belong to it);
    // 0: none, boxes are then modal to the whole task.
    virtual void SetOwner(NativeWindow /*owner*/) {}
    // The form being shown comes to the front: a press meant for another
    // import while this one is open.
    virtual void BringToFront() {}
};

}  // namespace kv::ui
