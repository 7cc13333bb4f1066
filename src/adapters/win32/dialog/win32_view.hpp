#pragma once
// Shows a ui::Form as a real modal Win32 dialog. The dialog is made from an
// in-memory template built from the form's controls (positions converted
// from twips to dialog units of the dialog's font); list views are virtual
// (LVS_OWNERDATA), so a list of 50,000 items opens at once. User actions go
// to the models' User... methods; after each one the models' state is pushed
// back to the windows (captions, items, selection, visibility, positions,
// enabled state, the wait cursor).
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "ports/ui/controls.hpp"
#include "ports/ui/form.hpp"

namespace kv::win32::dialog {

class Win32View final : public ui::View {
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
    HWND Dialog() const { return dialog_; }
    // The tooltip window of a list view of the form being shown; nullptr otherwise.
    HWND ToolTipOf(const ui::Control& control) const;

    struct Bound;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleControl(Bound& bound, UINT message, WPARAM wParam, LPARAM lParam);
    void Init(HWND dialog);
    void Command(int id, int code);
    LRESULT Notify(const NMHDR& header);
    // Runs a user action; a failure ends the dialog and reaches ShowModal's caller.
    template <class Action>
    void User(Action&& action);
    void AfterUserAction();
    void Sync();
    void SyncTree(Bound& bound);
    void Close();
    // Puts the list model's tooltip text on its tooltip window.
    void ShowToolTip(Bound& bound);
    // Answers WM_SETCURSOR while the hourglass is wanted.
    bool KeepWaitCursor();
    int Pixels(int twips, bool horizontal) const;
    Bound* ById(int id);

    HWND owner_ = nullptr;
    HWND dialog_ = nullptr;
    ui::Form* form_ = nullptr;
    std::vector<std::unique_ptr<Bound>> bound_;
    std::function<void(HWND)> onShown_;
    std::exception_ptr failure_;
    int dpiX_ = 96, dpiY_ = 96;
    bool pushing_ = false;
    bool ending_ = false;
};

}  // namespace kv::win32::dialog
