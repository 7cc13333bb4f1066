#pragma once
// Message boxes, input boxes and progress reports: everything the add-in
// asks or tells the user outside its dialog goes through here, never
// straight to a platform call.
#include <optional>
#include <string>

namespace kv::ui {

// The title of every box that names none.
inline constexpr const char* kAppTitle = "Korvane Outlook Addin";

enum class Buttons { OK = 0, OKCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5 };
enum class Icon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum class Answer { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MessageBoxRequest {
    std::string text;
    Buttons buttons = Buttons::OK;
    Icon icon = Icon::None;
    std::string title;  // never empty here: the application title stands in
};

struct InputBoxRequest {
    std::string prompt;
    std::string title;  // never empty here
    std::string defaultText;
};

// The answer Enter gives: the first button of the set.
Answer DefaultAnswer(Buttons buttons);
// Whether answer is one of the buttons of the set.
bool IsAnswerOf(Buttons buttons, Answer answer);

const char* ButtonsName(Buttons buttons);
const char* IconName(Icon icon);
const char* AnswerName(Answer answer);

class Prompts {
public:
    virtual ~Prompts() = default;

    // An empty title shows the application title.
    Answer MsgBox(const std::string& text, Buttons buttons = Buttons::OK, Icon icon = Icon::None,
                  const std::string& title = {});
    // The text typed, or "" when the user cancelled.
    std::string InputBox(const std::string& prompt, const std::string& title = {}, const std::string& defaultText = {});
    // Mail current of total is being imported; text says which. The display
    // stays until EndProgress.
    void Progress(int current, int total, const std::string& text);
    // The work that showed progress is over, however it ended; nothing
    // happens when none is shown.
    void EndProgress();

protected:
    // A box is never hidden under the progress display: the display steps
    // aside while one is up and comes back after, as it was.
    virtual Answer ShowMessage(const MessageBoxRequest& request) = 0;
    virtual std::string AskInput(const InputBoxRequest& request) = 0;
    virtual void ShowProgress(int current, int total, const std::string& text) = 0;
    virtual void HideProgress() = 0;

private:
    // Runs ask with the progress display (if any) taken down meanwhile.
    template <class Ask>
    auto WithProgressAside(Ask&& ask);

    struct ProgressShown {
        int current = 0, total = 0;
        std::string text;
    };
    std::optional<ProgressShown> progress_;
};

// Progress of one piece of work, ended when it goes out of scope: an early
// return or a failure cannot leave the display behind.
class ProgressScope {
public:
    explicit ProgressScope(Prompts& prompts) : prompts_(prompts) {}
    ~ProgressScope() { End(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    void Show(int current, int total, const std::string& text);
    // Ends it now (before a message the display would cover, say).
    void End() noexcept;

private:
    Prompts& prompts_;
    bool shown_ = false;
};

}  // namespace kv::ui
