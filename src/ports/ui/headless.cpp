#include "ports/ui/headless.hpp"

#include <sstream>

#include "ports/ui/controls.hpp"
#include "support/error.hpp"

namespace kv::ui {

// ---- HeadlessView

void HeadlessView::ShowModal(Form& form) {
    showings_.push_back({form.Name(), form.Caption(), {}, false, owner_});
    const std::size_t record = showings_.size() - 1;
    if (!scripts_.empty()) {
        UserScript script = std::move(scripts_.front());
        scripts_.pop_front();
        if (script) script(form);
    }
    if (form.IsLoaded()) {
        showings_[record].closedByUser = true;
        form.Unload();
    }
    showings_[record].captionAtClose = form.Caption();
}

void HeadlessView::DoEvents() {
    ++doEvents_;
    if (onDoEvents_) onDoEvents_();
}

// ---- HeadlessPrompts

void HeadlessPrompts::ClearRecords() {
    messages_.clear();
    inputRecords_.clear();
    progress_.clear();
    progressEnds_ = 0;
}

Answer HeadlessPrompts::ShowMessage(const MessageBoxRequest& request) {
    std::optional<Answer> answer;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else if (messageResponder_) {
        answer = messageResponder_(request);
    }
    const Answer given = answer.value_or(DefaultAnswer(request.buttons));
    if (!IsAnswerOf(request.buttons, given)) {
        throw Error(errnum::InvalidArgument, "HeadlessPrompts",
                    std::string("Scripted answer ") + AnswerName(given) + " is not a button of " +
                        ButtonsName(request.buttons) + " for \"" + request.text + "\"");
    }
    messages_.push_back({request, given});
    if (echo_) {
        echo_("[" + request.title + "] " + request.text + " (" + ButtonsName(request.buttons) + ", " +
              IconName(request.icon) + ") -> " + AnswerName(given));
    }
    return given;
}

std::string HeadlessPrompts::AskInput(const InputBoxRequest& request) {
    std::optional<std::string> answer;
    if (!inputs_.empty()) {
        answer = std::move(inputs_.front());
        inputs_.pop_front();
    } else if (inputResponder_) {
        answer = inputResponder_(request);
    }
    std::string given = answer.value_or(std::string());
    inputRecords_.push_back({request, given});
    if (echo_) echo_("[" + request.title + "] " + request.prompt + ": \"" + given + "\"");
    return given;
}

void HeadlessPrompts::ShowProgress(int current, int total, const std::string& text) {
    if (keepProgress_) progress_.push_back({current, total, text});
    progressShown_ = true;
    if (echo_) echo_(std::to_string(current) + "/" + std::to_string(total) + " " + text);
}

void HeadlessPrompts::HideProgress() {
    if (!progressShown_) return;
    progressShown_ = false;
    ++progressEnds_;
}

// ---- the scripted user

namespace {

template <class T>
T& Usable(Form& form, std::string_view name) {
    T& control = form.Get<T>(name);
    if (!control.AcceptsInput()) {
        throw Error(errnum::InvalidArgument, form.Name(),
                    "The user cannot reach " + std::string(name) + (control.Visible() ? ": disabled" : ": hidden"));
    }
    return control;
}

TreeNode& NodeOf(Form& form, std::string_view tree, int index) { return Usable<TreeView>(form, tree).Node(index); }

}  // namespace

namespace user {

void ClickItem(Form& form, std::string_view listView, std::string_view key) {
    ListView& list = Usable<ListView>(form, listView);
    list.UserClickItem(list.Item(key));
}

void ClickColumn(Form& form, std::string_view listView, int column) {
    Usable<ListView>(form, listView).UserClickColumn(column);
}

void MoveMouse(Form& form, std::string_view listView, double x, double y) {
    Usable<ListView>(form, listView).UserMoveMouse(0, 0, x, y);
}

void SelectComboItem(Form& form, std::string_view comboBox, int index) {
    ComboBox& box = Usable<ComboBox>(form, comboBox);
    if (index < 0 || index >= box.ListCount()) {
        throw Error(errnum::InvalidArgument, form.Name(),
                    std::string(comboBox) + " has no item " + std::to_string(index));
    }
    box.UserSelect(index);
}

void SelectComboText(Form& form, std::string_view comboBox, std::string_view text) {
    ComboBox& box = Usable<ComboBox>(form, comboBox);
    for (int i = 0; i < box.ListCount(); ++i) {
        if (box.List(i) == text) {
            box.UserSelect(i);
            return;
        }
    }
    throw Error(errnum::InvalidArgument, form.Name(),
                std::string(comboBox) + " has no item \"" + std::string(text) + "\"");
}

void ClickCheckBox(Form& form, std::string_view checkBox) { Usable<CheckBox>(form, checkBox).UserClick(); }

void ClickButton(Form& form, std::string_view button) { Usable<Button>(form, button).UserClick(); }

void TypeText(Form& form, std::string_view textBox, std::string_view text) {
    TextBox& box = Usable<TextBox>(form, textBox);
    form.SetActiveControl(&box);
    box.UserType(text);
}

void PasteText(Form& form, std::string_view textBox, std::string_view text) {
    TextBox& box = Usable<TextBox>(form, textBox);
    form.SetActiveControl(&box);
    box.UserPaste(text);
}

void ClickNode(Form& form, std::string_view treeView, int index) {
    TreeNode& node = NodeOf(form, treeView, index);
    node.Owner().UserClickNode(node);
}

void ExpandNode(Form& form, std::string_view treeView, int index) {
    TreeNode& node = NodeOf(form, treeView, index);
    if (!node.Owner().UserExpand(node)) {
        throw Error(errnum::InvalidArgument, form.Name(),
                    "Node " + std::to_string(index) + " of " + std::string(treeView) + " has nothing to expand");
    }
}

void CollapseNode(Form& form, std::string_view treeView, int index) {
    TreeNode& node = NodeOf(form, treeView, index);
    node.Owner().UserCollapse(node);
}

void Close(Form& form) { form.Unload(); }

}  // namespace user

TreeNode* FindNodeByFullPath(const TreeView& tree, std::string_view path) {
    const std::string& sep = tree.PathSeparator();
    TreeNode* level = tree.FirstTopLevel();
    std::string_view rest = path;
    while (level) {
        const std::size_t cut = sep.empty() ? std::string_view::npos : rest.find(sep);
        const std::string_view part = rest.substr(0, cut);
        TreeNode* match = nullptr;
        for (TreeNode* n = level; n; n = n->Next()) {
            if (n->Text() == part) {
                match = n;
                break;
            }
        }
        if (match == nullptr) return nullptr;
        if (cut == std::string_view::npos) return match;
        rest = rest.substr(cut + sep.size());
        level = match->Child();
    }
    return nullptr;
}

namespace {

void DescribeTree(std::ostringstream& out, const TreeNode* node, int depth) {
    for (; node; node = node->Next()) {
        out << "    " << std::string(static_cast<std::size_t>(depth) * 2, ' ')
            << (node->Children() ? (node->Expanded() ? "- " : "+ ") : "  ") << node->Text()
            << (node->Selected() ? "  <selected>" : "") << "\n";
        if (node->Expanded()) DescribeTree(out, node->Child(), depth + 1);
    }
}

}  // namespace

std::string DescribeForm(const Form& form) {
    std::ostringstream out;
    out << form.Caption() << "\n";
    for (const Control* c : form.Controls()) {
        if (!c->Visible()) continue;
        out << "  " << c->Name();
        if (auto* l = dynamic_cast<const Label*>(c)) {
            out << ": \"" << l->Caption() << "\"\n";
        } else if (auto* b = dynamic_cast<const Button*>(c)) {
            out << ": [" << b->Caption() << "]" << (b->Enabled() ? "" : " (disabled)") << "\n";
        } else if (auto* k = dynamic_cast<const CheckBox*>(c)) {
            out << ": [" << (k->Value() == CheckBox::Checked ? "x" : " ") << "] " << k->Caption()
                << (k->Enabled() ? "" : " (disabled)") << "\n";
        } else if (auto* cb = dynamic_cast<const ComboBox*>(c)) {
            out << ": " << cb->Text() << "\n";
        } else if (auto* t = dynamic_cast<const TextBox*>(c)) {
            out << ": \"" << t->Text() << "\"\n";
        } else if (auto* lv = dynamic_cast<const ListView*>(c)) {
            out << ": " << lv->Count() << " items\n";
            constexpr int kMaxShown = 50;
            int shown = 0;
            for (const ListItem* item : lv->Items()) {
                if (++shown > kMaxShown) {
                    out << "    ... " << (lv->Count() - kMaxShown) << " more\n";
                    break;
                }
                out << "    " << (item->Selected() ? "> " : "  ") << item->Text();
                for (int col = 1; col < lv->ColumnCount(); ++col) out << " | " << item->SubItem(col);
                out << "\n";
            }
        } else if (auto* tv = dynamic_cast<const TreeView*>(c)) {
            out << ":\n";
            DescribeTree(out, tv->FirstTopLevel(), 0);
        } else {
            out << "\n";
        }
    }
    return out.str();
}

}  // namespace kv::ui
