#pragma once
// The prompts of one request: no one is there to answer a box, so the
// duplicate question is answered as the request said, and every other box
// is kept for the reply.
#include <optional>
#include <string>
#include <vector>

#include "ports/ui/prompts.hpp"

namespace kv::service {

enum class DuplicateAnswer { Ask, File, Skip };

class ServicePrompts final : public ui::Prompts {
public:
    explicit ServicePrompts(DuplicateAnswer answer = DuplicateAnswer::Ask) : answer_(answer) {}
    void Answer(DuplicateAnswer answer) { answer_ = answer; }

    // The question the import asked about a mail filed before, if it did;
    // with Ask it was declined, so nothing was filed.
    const std::optional<std::string>& DuplicateQuestion() const { return question_; }
    // The other boxes' texts, in order.
    const std::vector<std::string>& Messages() const { return messages_; }

protected:
    ui::Answer ShowMessage(const ui::MessageBoxRequest& request) override;
    std::string AskInput(const ui::InputBoxRequest&) override { return {}; }
    void ShowProgress(int, int, const std::string&) override {}
    void HideProgress() override {}

private:
    DuplicateAnswer answer_;
    std::optional<std::string> question_;
    std::vector<std::string> messages_;
};

}  // namespace kv::service
