#pragma once
// A view and prompts without a window: for tests and the command-line front
// end. They live in the core (standard library only) so that both can use
// them without an adapter library.
//
// HeadlessView records what a window would show and plays a scripted user:
// each ShowModal takes the next queued script, runs it against the form
// (clicking, typing, expanding through the user actions below), and closes
// the form as the close box would when the script leaves it open. With no
// script queued the user closes the form at once.
//
// HeadlessPrompts records every box and answers from a scripted queue, then
// from an optional responder (a terminal, say), then with the default:
// the first button for a message box, cancel ("") for an input box.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/ui/form.hpp"
#include "ports/ui/prompts.hpp"

namespace kv::ui {

class TreeNode;
class TreeView;

class HeadlessView : public View {
public:
    using UserScript = std::function<void(Form&)>;

    struct Showing {
        std::string form;
        std::string captionShown;    // when the window opened
        std::string captionAtClose;  // when it closed
        bool closedByUser = false;   // the script left it open
        NativeWindow owner = 0;      // the window it was modal to
    };

    void QueueUser(UserScript script) { scripts_.push_back(std::move(script)); }
    std::size_t PendingScripts() const { return scripts_.size(); }

    void ShowModal(Form& form) override;
    // Counts, and runs the hook: what the user does while the form lets
    // pending messages through (a mouse move during a long fill, say).
    void DoEvents() override;
    void SetOnDoEvents(std::function<void()> hook) { onDoEvents_ = std::move(hook); }

    void SetOwner(NativeWindow owner) override { owner_ = owner; }
    void BringToFront() override { ++broughtToFront_; }

    const std::vector<Showing>& Showings() const { return showings_; }
    NativeWindow Owner() const { return owner_; }
    int BroughtToFront() const { return broughtToFront_; }
    int DoEventsCount() const { return doEvents_; }

private:
    std::deque<UserScript> scripts_;
    std::vector<Showing> showings_;
    std::function<void()> onDoEvents_;
    int doEvents_ = 0;
    NativeWindow owner_ = 0;
    int broughtToFront_ = 0;
};

class HeadlessPrompts : public Prompts {
public:
    struct MessageRecord {
        MessageBoxRequest request;
        Answer answer = Answer::OK;
    };
    struct InputRecord {
        InputBoxRequest request;
        std::string answer;
    };
    struct ProgressRecord {
        int current = 0, total = 0;
        std::string text;
    };
    using MessageResponder = std::function<std::optional<Answer>(const MessageBoxRequest&)>;
    using InputResponder = std::function<std::optional<std::string>(const InputBoxRequest&)>;

    // Scripted answers, used in order. An answer that is not one of the
    // box's buttons fails with an Error when the box is shown.
    void QueueAnswer(Answer answer) { answers_.push_back(answer); }
    void QueueInput(std::string text) { inputs_.push_back(std::move(text)); }
    void QueueCancel() { inputs_.emplace_back(); }
    void SetMessageResponder(MessageResponder responder) { messageResponder_ = std::move(responder); }
    void SetInputResponder(InputResponder responder) { inputResponder_ = std::move(responder); }
    // Gets one line per box and progress step, as a log of what was shown.
    void SetEcho(std::function<void(const std::string&)> echo) { echo_ = std::move(echo); }

    const std::vector<MessageRecord>& Messages() const { return messages_; }
    const std::vector<InputRecord>& Inputs() const { return inputRecords_; }
    const std::vector<ProgressRecord>& ProgressLog() const { return progress_; }
    // Whether ProgressLog keeps the steps (it does unless told not to): a
    // front end that shows them at once need not hold a line per mail.
    void KeepProgressLog(bool keep) { keepProgress_ = keep; }
    // Whether a progress display is up (shown and not yet ended), as a
    // window would be.
    bool ProgressShown() const { return progressShown_; }
    int ProgressEnds() const { return progressEnds_; }
    std::size_t PendingAnswers() const { return answers_.size() + inputs_.size(); }
    void ClearRecords();

protected:
    Answer ShowMessage(const MessageBoxRequest& request) override;
    std::string AskInput(const InputBoxRequest& request) override;
    void ShowProgress(int current, int total, const std::string& text) override;
    void HideProgress() override;

private:
    std::deque<Answer> answers_;
    std::deque<std::string> inputs_;
    MessageResponder messageResponder_;
    InputResponder inputResponder_;
    std::function<void(const std::string&)> echo_;
    std::vector<MessageRecord> messages_;
    std::vector<InputRecord> inputRecords_;
    std::vector<ProgressRecord> progress_;
    bool keepProgress_ = true;
    bool progressShown_ = false;
    int progressEnds_ = 0;
};

// The scripted user's actions, by control name. Each fails with a kv::Error
// naming the control when it is missing, of another kind, hidden or
// disabled, or when the item, column or node does not exist: a person could
// not do it either.
namespace user {
void ClickItem(Form& form, std::string_view listView, std::string_view key);
void ClickColumn(Form& form, std::string_view listView, int column);
void MoveMouse(Form& form, std::string_view listView, double x, double y);
void SelectComboItem(Form& form, std::string_view comboBox, int index);
void SelectComboText(Form& form, std::string_view comboBox, std::string_view text);
void ClickCheckBox(Form& form, std::string_view checkBox);
void ClickButton(Form& form, std::string_view button);
void TypeText(Form& form, std::string_view textBox, std::string_view text);
void PasteText(Form& form, std::string_view textBox, std::string_view text);
void ClickNode(Form& form, std::string_view treeView, int index);
void ExpandNode(Form& form, std::string_view treeView, int index);
void CollapseNode(Form& form, std::string_view treeView, int index);
void Close(Form& form);
}  // namespace user

// The node whose FullPath is path (texts joined by the tree's separator),
// or nullptr.
TreeNode* FindNodeByFullPath(const TreeView& tree, std::string_view path);

// What the window shows, one line per visible control, for a terminal or a
// test failure message.
std::string DescribeForm(const Form& form);

}  // namespace kv::ui
