#include "app/terminal_prompts.hpp"

#include <algorithm>
#include <istream>
#include <ostream>
#include <utility>

#include "settings/load_settings.hpp"

namespace kv::app {

TerminalPrompts::TerminalPrompts(Duplicates duplicates, std::istream& in, std::ostream& err, bool progressBar)
    : duplicates_(duplicates), in_(in), err_(err), progressBar_(progressBar) {
    // The bar is the record; a run over thousands of mails keeps no line of each.
    KeepProgressLog(false);
}

bool IsDuplicateQuestion(const ui::MessageBoxRequest& request) {
    return request.buttons == ui::Buttons::YesNo &&
           request.text.find("findes allerede i databasen") != std::string::npos;
}

bool TerminalPrompts::SawStartKorvaneFirst() const {
    return std::any_of(Messages().begin(), Messages().end(),
                       [](const MessageRecord& m) { return m.request.text == kStartKorvaneFirst; });
}

ui::Answer TerminalPrompts::ShowMessage(const ui::MessageBoxRequest& request) {
    if (IsDuplicateQuestion(request)) {
        QueueAnswer(AskDuplicate(request));
        return HeadlessPrompts::ShowMessage(request);
    }
    shown_.push_back(request.title + ": " + request.text);
    std::string text = request.text;
    std::replace(text.begin(), text.end(), '\r', ' ');
    err_ << request.title << ": " << text << '\n';
    return HeadlessPrompts::ShowMessage(request);
}

ui::Answer TerminalPrompts::AskDuplicate(const ui::MessageBoxRequest& request) {
    switch (duplicates_) {
    case Duplicates::Import: err_ << request.text << "? ja (--duplicates import)\n"; return ui::Answer::Yes;
    case Duplicates::Skip: err_ << request.text << "? nej (--duplicates skip)\n"; return ui::Answer::No;
    case Duplicates::Ask: break;
    }
    for (;;) {
        err_ << request.text << "? [j/n] " << std::flush;
        std::string line;
        if (!std::getline(in_, line)) {
            err_ << "nej (no answer)\n";
            return ui::Answer::No;
        }
        if (!line.empty() && (line[0] == 'j' || line[0] == 'J' || line[0] == 'y' || line[0] == 'Y'))
            return ui::Answer::Yes;
        if (!line.empty() && (line[0] == 'n' || line[0] == 'N')) return ui::Answer::No;
    }
}

void TerminalPrompts::ShowProgress(int current, int total, const std::string& text) {
    HeadlessPrompts::ShowProgress(current, total, text);
    if (!progressBar_ || total <= 1) return;
    constexpr int width = 30;
    int done = total > 0 ? std::clamp(current * width / total, 0, width) : 0;
    err_ << "\r[" << std::string(static_cast<std::size_t>(done), '#')
         << std::string(static_cast<std::size_t>(width - done), ' ') << "] " << current << "/" << total << " "
         << text.substr(0, 40) << "\x1b[K" << std::flush;
    barOpen_ = current < total;
    if (!barOpen_) err_ << '\n';
}

void TerminalPrompts::HideProgress() {
    HeadlessPrompts::HideProgress();
    if (std::exchange(barOpen_, false)) err_ << '\n' << std::flush;
}

}  // namespace kv::app
