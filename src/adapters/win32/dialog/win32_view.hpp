#pragma once
// Shows a ui::Form as a real modal Win32 dialog. The dialog is made from an
// in-memory template built from the form's controls (positions converted
// from twips to dialog units of the dialog's font); each control has a
// binder of its kind (control_binder.hpp), and list views are virtual
// (LVS_OWNERDATA), so a list of 50,000 items opens at once. User actions go
// to the models' User... methods; after each one the models' state is pushed
// back to the windows (captions, items, selection, visibility, positions,
// enabled state, the wait cursor).
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "adapters/win32/dialog/control_binder.hpp"
#include "ports/ui/controls.hpp"
#include "ports/ui/form.hpp"

namespace kv::win32::dialog {

class Win32View final : public ui::View, private BinderContext {
public:
    Win32View();
    ~Win32View() override;

    void ShowModal(ui::Form& form) override;
    void DoEvents() override;
    // The hourglass shows at once and stays (WM_SETCURSOR) until the form's
    // pointer is set back.
    void ShowPointer(int pointer) override;
    // Not taken while a dialog is shown: that dialog stays with the window
    // it was opened from, and so do the boxes shown while it is up.
    void SetOwner(NativeWindow owner) override;
    // The dialog, or the box it has up, comes to the front.
    void BringToFront() override;

    // The window a message box, input box or progress display belongs to
    // now: the dialog while it is shown, else the owner given last (while it
    // still exists); nullptr: none, the box is then modal to the task.
    HWND BoxOwner() const;

    // Runs once the dialog is on screen, inside its modal loop (tests drive
    // the dialog from here).
    void SetOnShown(std::function<void(HWND dialog)> hook) { onShown_ = std::move(hook); }
    // The window of a control of the form being shown; nullptr otherwise.
    HWND WindowOf(const ui::Control& control) const;
    HWND Dialog() const override { return dialog_; }
    // The tooltip window of a list view of the form being shown; nullptr otherwise.
    HWND ToolTipOf(const ui::Control& control) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Init(HWND dialog);
    void ShowIcon(HWND dialog);
    void CenterOnOwner(HWND dialog);
    void Command(int id, int code);
    LRESULT Notify(const NMHDR& header);
    void AfterUserAction();
    void Sync();
    void Close();
    ControlBinder* ById(int id);

    // BinderContext
    void User(const std::function<void()>& action) override;
    void Track(const std::function<void()>& action) override;
    bool Pushing() const override { return pushing_; }
    bool Stopping() const override { return ending_ || failure_; }
    bool KeepWaitCursor() override;
    int Dpi(bool horizontal) const override { return horizontal ? dpiX_ : dpiY_; }

    HWND owner_ = nullptr;
    HWND dialog_ = nullptr;
    ui::Form* form_ = nullptr;
    std::vector<std::unique_ptr<ControlBinder>> binders_;  // in dialog item order
    std::function<void(HWND)> onShown_;
    std::exception_ptr failure_;
    int dpiX_ = 96, dpiY_ = 96;
    bool pushing_ = false;
    bool ending_ = false;
};

}  // namespace kv::win32::dialog
