#pragma once
// Message boxes, the input box and the import progress as Windows shows
// them, owned by the window the import is worked in (the view's BoxOwner):
// a box disables that window and no other, so it has to be the one whose
// buttons could start something while the box waits for its answer.
#include <windows.h>

#include "adapters/win32/dialog/win32_view.hpp"
#include "ports/ui/prompts.hpp"

namespace kv::win32::dialog {

class Win32Prompts final : public ui::Prompts {
public:
    explicit Win32Prompts(const Win32View& view) : view_(view) {}
    ~Win32Prompts() override;
    Win32Prompts(const Win32Prompts&) = delete;
    Win32Prompts& operator=(const Win32Prompts&) = delete;

    // The progress window while an import of several mails runs; nullptr otherwise.
    HWND ProgressWindow() const { return progress_; }

protected:
    ui::Answer ShowMessage(const ui::MessageBoxRequest& request) override;
    std::string AskInput(const ui::InputBoxRequest& request) override;
    // Shown from the first of several mails until HideProgress.
    void ShowProgress(int current, int total, const std::string& text) override;
    void HideProgress() override { CloseProgress(); }

private:
    void CloseProgress();

    const Win32View& view_;
    HWND progress_ = nullptr;
    HWND progressBar_ = nullptr;
    HWND progressText_ = nullptr;
};

// Control ids of the input box, for tests that drive it.
inline constexpr int kInputPromptId = 100;
inline constexpr int kInputTextId = 101;

}  // namespace kv::win32::dialog
