#include "adapters/win32/dialog/win32_prompts.hpp"

#include <commctrl.h>

#include <string>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/module.hpp"
#include "adapters/win32/dialog/dialog_template.hpp"

namespace kv::win32::dialog {
namespace {

struct InputState {
    const ui::InputBoxRequest* request;
    std::string answer;
};

INT_PTR CALLBACK InputProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<InputState*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        state = reinterpret_cast<InputState*>(lParam);
        HWND text = ::GetDlgItem(hwnd, kInputTextId);
        ::SetWindowTextW(text, Widen(state->request->defaultText).c_str());
        ::SendMessageW(text, EM_SETSEL, 0, -1);
        ::SetFocus(text);
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            HWND text = ::GetDlgItem(hwnd, kInputTextId);
            std::wstring typed(static_cast<std::size_t>(::GetWindowTextLengthW(text)) + 1, L'\0');
            typed.resize(
                static_cast<std::size_t>(::GetWindowTextW(text, typed.data(), static_cast<int>(typed.size()))));
            state->answer = Narrow(typed);
            ::EndDialog(hwnd, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(hwnd, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

Win32Prompts::~Win32Prompts() { CloseProgress(); }

ui::Answer Win32Prompts::ShowMessage(const ui::MessageBoxRequest& request) {
    HWND owner = view_.BoxOwner();
    const UINT type = static_cast<UINT>(request.buttons) | static_cast<UINT>(request.icon) |
                      (owner ? 0u : static_cast<UINT>(MB_TASKMODAL));
    const int answer = ::MessageBoxW(owner, Widen(request.text).c_str(), Widen(request.title).c_str(), type);
    // The IDOK..IDNO numbers are the answers' own; 0 (no box) counts as cancel.
    return answer >= IDOK && answer <= IDNO ? static_cast<ui::Answer>(answer) : ui::Answer::Cancel;
}

std::string Win32Prompts::AskInput(const ui::InputBoxRequest& request) {
    // The classic input box: the prompt at the left, OK and Cancel at the
    // right, the text across the bottom.
    DialogTemplate box(request.title, 240, 84, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER);
    box.AddItem(0x0082, request.prompt, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 6, 6, 170, 48,
                static_cast<WORD>(kInputPromptId));
    box.AddItem(0x0080, "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 184, 6, 50, 14, IDOK);
    box.AddItem(0x0080, "Annuller", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 184, 24, 50, 14, IDCANCEL);
    box.AddItem(0x0081, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 6, 62, 228, 14,
                static_cast<WORD>(kInputTextId));
    InputState state{&request, {}};
    const INT_PTR result = ::DialogBoxIndirectParamW(ModuleHandle(), box.Get(), view_.BoxOwner(), &InputProc,
                                                     reinterpret_cast<LPARAM>(&state));
    return result == IDOK ? state.answer : std::string();
}

void Win32Prompts::ShowProgress(int current, int total, const std::string& text) {
    // One mail goes too fast to need a window.
    if (total <= 1 || current > total || current < 0) {
        CloseProgress();
        return;
    }
    if (!progress_) {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&icc);
        // Not top-most: owned by the dialog it stays above the dialog, and a
        // box of this import or of any other program can still come over it.
        HWND owner = view_.BoxOwner();
        progress_ =
            ::CreateWindowExW(WS_EX_DLGMODALFRAME, L"#32770", Widen(ui::kAppTitle).c_str(), WS_POPUP | WS_CAPTION,
                              CW_USEDEFAULT, CW_USEDEFAULT, 420, 110, owner, nullptr, ModuleHandle(), nullptr);
        if (!progress_) return;  // a progress display is a courtesy
        progressText_ =
            ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 10, 8,
                              390, 18, progress_, nullptr, ModuleHandle(), nullptr);
        progressBar_ = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 32, 390, 18, progress_,
                                         nullptr, ModuleHandle(), nullptr);
        HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        ::SendMessageW(progressText_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        RECT around{}, self{};
        if (owner && ::GetWindowRect(owner, &around) && ::GetWindowRect(progress_, &self))
            ::SetWindowPos(progress_, nullptr,
                           around.left + (around.right - around.left - (self.right - self.left)) / 2,
                           around.top + (around.bottom - around.top - (self.bottom - self.top)) / 2, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        // Shown without taking the focus from the dialog the import runs in.
        ::ShowWindow(progress_, SW_SHOWNOACTIVATE);
    }
    ::SendMessageW(progressBar_, PBM_SETRANGE32, 0, total);
    ::SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(current), 0);
    ::SetWindowTextW(progressText_, Widen(text).c_str());
    ::UpdateWindow(progress_);
}

void Win32Prompts::CloseProgress() {
    if (progress_) ::DestroyWindow(progress_);
    progress_ = progressBar_ = progressText_ = nullptr;
}

}  // namespace kv::win32::dialog
