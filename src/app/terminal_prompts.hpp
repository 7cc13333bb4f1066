#pragma once
// Message boxes and progress on the terminal: the duplicate question is
// answered as --duplicates says (ask reads y/n from standard input), every
// other box goes to standard error with its title, and a progress bar is
// drawn on standard error when it is a terminal.
#include <iosfwd>
#include <string>

#include "ports/ui/headless.hpp"

namespace kv::app {

enum class Duplicates { Ask, Import, Skip };

class TerminalPrompts : public ui::HeadlessPrompts {
public:
    TerminalPrompts(Duplicates duplicates, std::istream& in, std::ostream& err, bool progressBar);

    // Whether a box told the user that settings or database are unavailable.
    bool SawStartKorvaneFirst() const;
    // The boxes other than the duplicate question, as "title: text" lines.
    const std::vector<std::string>& Shown() const { return shown_; }

protected:
    ui::Answer ShowMessage(const ui::MessageBoxRequest& request) override;
    void ShowProgress(int current, int total, const std::string& text) override;
    // A bar left part-way (the import stopped early) ends its line.
    void HideProgress() override;

private:
    ui::Answer AskDuplicate(const ui::MessageBoxRequest& request);

    Duplicates duplicates_;
    std::istream& in_;
    std::ostream& err_;
    bool progressBar_;
    bool barOpen_ = false;
    std::vector<std::string> shown_;
};

// True for the question the import asks about a mail already filed.
bool IsDuplicateQuestion(const ui::MessageBoxRequest& request);

}  // namespace kv::app
