#pragma once
// One control of a form bound to its window in the dialog: the binder
// pushes the model's state to the window and turns what the window reports
// into the model's User... calls. One binder kind per control kind; the view
// holds them and routes messages to them.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "ports/ui/control.hpp"

namespace kv::win32::dialog {

// What a binder asks of the view that shows its dialog.
class BinderContext {
public:
    // Runs what a person did to a control; afterwards the models' state is
    // pushed to the windows. A failure ends the dialog and reaches the
    // caller of ShowModal. Nothing runs while the view pushes, fails or ends.
    virtual void User(const std::function<void()>& action) = 0;
    // As User, for the many events that change no window state (mouse
    // moves): no push follows.
    virtual void Track(const std::function<void()>& action) = 0;
    // True while the models' state is pushed: what the windows report then
    // is the push's echo, no user action.
    virtual bool Pushing() const = 0;
    // True once the dialog ends or an action failed.
    virtual bool Stopping() const = 0;
    // Shows the hourglass while the form wants it (answer to WM_SETCURSOR).
    virtual bool KeepWaitCursor() = 0;
    // The screen's pixels per inch across (true) or down.
    virtual int Dpi(bool horizontal) const = 0;
    virtual HWND Dialog() const = 0;

protected:
    ~BinderContext() = default;
};

class ControlBinder {
public:
    ControlBinder(ui::Control& model, int id, BinderContext& view) : model_(model), id_(id), view_(view) {}
    virtual ~ControlBinder() = default;
    ControlBinder(const ControlBinder&) = delete;
    ControlBinder& operator=(const ControlBinder&) = delete;

    ui::Control& Model() const { return model_; }
    int Id() const { return id_; }
    HWND Window() const { return hwnd_; }
    // A list view's tooltip window; nullptr for the other kinds.
    virtual HWND ToolTip() const { return nullptr; }

    // Once the dialog has made the control's window.
    void Attach(HWND dialog);
    // When the dialog has ended: lets go of what the model was lent.
    virtual void Detach() {}
    // Pushes position, visibility, enabled state and the kind's own state.
    void Sync();
    // WM_COMMAND and WM_NOTIFY from the control's window.
    virtual void Command(int /*code*/) {}
    virtual LRESULT Notify(const NMHDR& /*header*/) { return 0; }

protected:
    virtual void Init(HWND /*dialog*/) {}
    virtual void SyncState() {}
    // The window's rectangle in the dialog's client pixels.
    virtual RECT Bounds() const;
    // Kinds that see their window's messages first call this from Init;
    // HandleMessage then gets them.
    void Subclass();
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        return CallWindow(message, wParam, lParam);
    }
    // Lets the window itself handle a message.
    LRESULT CallWindow(UINT message, WPARAM wParam, LPARAM lParam) const {
        return ::CallWindowProcW(windowProc_, hwnd_, message, wParam, lParam);
    }
    BinderContext& View() const { return view_; }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    ui::Control& model_;
    int id_;
    BinderContext& view_;
    HWND hwnd_ = nullptr;
    WNDPROC windowProc_ = nullptr;
    // What was pushed last (-1: nothing yet).
    RECT rect_{-1, -1, -1, -1};
    int visible_ = -1, enabled_ = -1;
};

// The binder for the control's kind (a plain one for kinds with no state
// of their own).
std::unique_ptr<ControlBinder> MakeBinder(ui::Control& control, int id, BinderContext& view);

// A window's text, and setting it only when it differs (no flicker, no
// change notification for nothing).
std::wstring WindowText(HWND hwnd);
void SetTextIfChanged(HWND hwnd, const std::string& utf8);

}  // namespace kv::win32::dialog
