#include "service/service_prompts.hpp"

namespace kv::service {

ui::Answer ServicePrompts::ShowMessage(const ui::MessageBoxRequest& request) {
    // The import's only yes-or-no question is whether to file a mail again.
    if (request.buttons == ui::Buttons::YesNo) {
        question_ = request.text;
        return answer_ == DuplicateAnswer::File ? ui::Answer::Yes : ui::Answer::No;
    }
    messages_.push_back(request.text);
    return ui::DefaultAnswer(request.buttons);
}

}  // namespace kv::service
