#include "ports/ui/prompts.hpp"

#include <utility>

namespace kv::ui {

namespace {
std::string TitleOrApp(const std::string& title) { return title.empty() ? std::string(kAppTitle) : title; }
}  // namespace

Answer DefaultAnswer(Buttons buttons) {
    switch (buttons) {
    case Buttons::OK:
    case Buttons::OKCancel: return Answer::OK;
    case Buttons::AbortRetryIgnore: return Answer::Abort;
    case Buttons::YesNoCancel:
    case Buttons::YesNo: return Answer::Yes;
    case Buttons::RetryCancel: return Answer::Retry;
    }
    return Answer::OK;
}

bool IsAnswerOf(Buttons buttons, Answer a) {
    switch (buttons) {
    case Buttons::OK: return a == Answer::OK;
    case Buttons::OKCancel: return a == Answer::OK || a == Answer::Cancel;
    case Buttons::AbortRetryIgnore: return a == Answer::Abort || a == Answer::Retry || a == Answer::Ignore;
    case Buttons::YesNoCancel: return a == Answer::Yes || a == Answer::No || a == Answer::Cancel;
    case Buttons::YesNo: return a == Answer::Yes || a == Answer::No;
    case Buttons::RetryCancel: return a == Answer::Retry || a == Answer::Cancel;
    }
    return false;
}

const char* ButtonsName(Buttons buttons) {
    switch (buttons) {
    case Buttons::OK: return "OK";
    case Buttons::OKCancel: return "OKCancel";
    case Buttons::AbortRetryIgnore: return "AbortRetryIgnore";
    case Buttons::YesNoCancel: return "YesNoCancel";
    case Buttons::YesNo: return "YesNo";
    case Buttons::RetryCancel: return "RetryCancel";
    }
    return "?";
}

const char* IconName(Icon icon) {
    switch (icon) {
    case Icon::None: return "none";
    case Icon::Critical: return "critical";
    case Icon::Question: return "question";
    case Icon::Exclamation: return "exclamation";
    case Icon::Information: return "information";
    }
    return "?";
}

const char* AnswerName(Answer answer) {
    switch (answer) {
    case Answer::OK: return "OK";
    case Answer::Cancel: return "Cancel";
    case Answer::Abort: return "Abort";
    case Answer::Retry: return "Retry";
    case Answer::Ignore: return "Ignore";
    case Answer::Yes: return "Yes";
    case Answer::No: return "No";
    }
    return "?";
}

template <class Ask>
auto Prompts::WithProgressAside(Ask&& ask) {
    const std::optional<ProgressShown> shown = std::exchange(progress_, std::nullopt);
    if (!shown) return ask();
    HideProgress();
    // Back as it was, however the box ended; a display that cannot come
    // back is only a courtesy lost.
    struct Restore {
        Prompts& self;
        const ProgressShown& shown;
        ~Restore() {
            try {
                self.Progress(shown.current, shown.total, shown.text);
            } catch (...) {}
        }
    } restore{*this, *shown};
    return ask();
}

Answer Prompts::MsgBox(const std::string& text, Buttons buttons, Icon icon, const std::string& title) {
    return WithProgressAside([&] { return ShowMessage({text, buttons, icon, TitleOrApp(title)}); });
}

std::string Prompts::InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
    return WithProgressAside([&] { return AskInput({prompt, TitleOrApp(title), defaultText}); });
}

void Prompts::Progress(int current, int total, const std::string& text) {
    ShowProgress(current, total, text);
    progress_ = ProgressShown{current, total, text};
}

void Prompts::EndProgress() {
    progress_.reset();
    HideProgress();
}

void ProgressScope::Show(int current, int total, const std::string& text) {
    shown_ = true;
    prompts_.Progress(current, total, text);
}

void ProgressScope::End() noexcept {
    if (!std::exchange(shown_, false)) return;
    try {
        prompts_.EndProgress();
    } catch (...) {
        // A display that cannot be taken down must not hide the import's own outcome.
    }
}

}  // namespace kv::ui
