#include "app/dialog_script.hpp"

#include "ports/ui/controls.hpp"
#include "support/error.hpp"

namespace kv::app {
namespace {

// A choice the dialog cannot make: the user could not do it either.
struct ChoiceFailed {
    std::string message;
};

[[noreturn]] void Fail(const std::string& message) { throw ChoiceFailed{message}; }

std::string SelectedKey(const ui::ListView& list) {
    return list.SelectedItem() ? list.SelectedItem()->Key() : std::string();
}

void ChooseResource(ui::Form& form, const DialogChoices& c) {
    if (c.type) {
        auto& types = form.Get<ui::ComboBox>("cboRessType");
        if (*c.type < 0 || *c.type >= types.ListCount())
            Fail("no resource type " + std::to_string(*c.type) + "; --type takes 0 to " +
                 std::to_string(types.ListCount() - 1));
        ui::user::SelectComboItem(form, "cboRessType", *c.type);
    }
    if (c.resource) {
        std::string key = "R" + std::to_string(*c.resource);
        if (!form.Get<ui::ListView>("lstvRess").Find(key))
            Fail("resource " + std::to_string(*c.resource) + " is not in the resource list" +
                 (c.type ? " of type " + std::to_string(*c.type) : std::string()) + "; check --resource (or --type)");
        ui::user::ClickItem(form, "lstvRess", key);
    }
    if (c.status) {
        if (*c.status < 1 || *c.status > 3) Fail("--status takes 1 (active), 2 (closed) or 3 (all)");
        ui::user::SelectComboItem(form, "cboActive", *c.status - 1);
    }
    if (c.job) {
        // The lookup box shows only while a customer is chosen; a person who
        // just knows the job number picks "Kunder og Internt" first.
        if (!c.type && !c.resource && !form.Get<ui::TextBox>("txtJobId").Visible())
            ui::user::SelectComboItem(form, "cboRessType", 3);
        ui::user::TypeText(form, "txtJobId", std::to_string(*c.job) + "\r");
        if (SelectedKey(form.Get<ui::ListView>("lstvJobs")) != "J" + std::to_string(*c.job))
            Fail("job " + std::to_string(*c.job) + " was not found; check --job");
    }
    if (c.jobItem) {
        std::string key = "J" + std::to_string(*c.jobItem);
        if (!form.Get<ui::ListView>("lstvJobs").Find(key))
            Fail("job " + std::to_string(*c.jobItem) +
                 " is not in the job list; check --job-item (or --resource, --status)");
        ui::user::ClickItem(form, "lstvJobs", key);
    }
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char ch : path + "/") {
        if (ch == '/' || ch == '\\') {
            if (!part.empty() && part != ".") parts.push_back(part);
            part.clear();
        } else {
            part += ch;
        }
    }
    if (!parts.empty() && parts.front() == "Dokumenter") parts.erase(parts.begin());
    return parts;
}

ui::TreeNode* ChildNamed(ui::TreeNode& node, const std::string& name) {
    for (ui::TreeNode* child = node.Child(); child; child = child->Next())
        if (child->Text() == name) return child;
    return nullptr;
}

void Expand(ui::Form& form, ui::TreeNode& node) {
    if (!node.Expanded() && node.Children() > 0) ui::user::ExpandNode(form, "treeFolders", node.Index());
}

// Walks the tree from "Dokumenter" as a person would: expand, then click.
ui::TreeNode* ChooseFolder(ui::Form& form, const DialogChoices& c) {
    auto& tree = form.Get<ui::TreeView>("treeFolders");
    if (tree.Count() == 0) {
        if (c.folder || c.newFolder) Fail("the dialog shows no document folder; choose --resource or --job first");
        return nullptr;
    }
    ui::TreeNode* node = &tree.Node(1);
    if (!c.folder) return tree.SelectedItem() ? tree.SelectedItem() : node;
    std::string walked = "Dokumenter";
    for (const std::string& part : SplitPath(*c.folder)) {
        Expand(form, *node);
        ui::TreeNode* child = ChildNamed(*node, part);
        if (!child) Fail("\"" + walked + "\" has no sub-folder \"" + part + "\"; check --folder");
        walked += "/" + part;
        node = child;
    }
    ui::user::ClickNode(form, "treeFolders", node->Index());
    return node;
}

// Presses the new-folder button as a person would and checks that the
// dialog made the folder and chose it: where it refused (a name in use, a
// device name, a link in the way) it tells why in a box and stays on the
// parent, and filing there is not what was asked.
void MakeNewFolder(ui::Form& form, ui::HeadlessPrompts& prompts, const std::string& name) {
    const ui::TreeNode* parent = form.Get<ui::TreeView>("treeFolders").SelectedItem();
    const std::size_t boxesBefore = prompts.Messages().size();
    prompts.QueueInput(name);
    ui::user::ClickButton(form, "cmdNewFld");
    const ui::TreeNode* chosen = form.Get<ui::TreeView>("treeFolders").SelectedItem();
    if (chosen && chosen != parent && (!parent || chosen->Parent() == parent)) return;
    const std::string why = prompts.Messages().size() > boxesBefore ? prompts.Messages().back().request.text
                                                                    : std::string("the dialog chose no new folder");
    Fail("the new folder \"" + name + "\" was not made: " + why + "; check --new-folder");
}

template <class Body>
ui::HeadlessView::UserScript Guarded(ScriptOutcome& outcome, Body body) {
    return [&outcome, body](ui::Form& form) {
        try {
            body(form);
        } catch (const ChoiceFailed& failed) {
            outcome.failure = failed.message;
        } catch (const Error& e) {
            outcome.failure = e.Description();
        }
        if (outcome.failure && form.IsLoaded()) ui::user::Close(form);
    };
}

void PrintTree(std::ostream& out, ui::Form& form, ui::TreeNode& node, int depth, int indent) {
    out << std::string(static_cast<std::size_t>(indent * 2), ' ') << node.Text() << (node.Selected() ? "  *" : "")
        << '\n';
    if (depth <= 0) return;
    Expand(form, node);
    for (ui::TreeNode* child = node.Child(); child; child = child->Next())
        PrintTree(out, form, *child, depth - 1, indent + 1);
}

void PrintList(std::ostream& out, const ui::ListView& list) {
    for (const ui::ListItem* item : list.Items()) {
        out << "  " << item->Key() << '\t';
        for (int column = 0; column < list.ColumnCount(); ++column)
            out << (column ? " | " : "") << item->ColumnText(column);
        if (list.ColumnCount() == 0) out << item->Text();
        out << (item->Selected() ? "  *" : "") << '\n';
    }
}

}  // namespace

ui::HeadlessView::UserScript ImportScript(DialogChoices choices, ui::HeadlessPrompts& prompts, ScriptOutcome& outcome) {
    return Guarded(outcome, [choices, &prompts, &outcome](ui::Form& form) {
        ChooseResource(form, choices);
        ChooseFolder(form, choices);
        if (choices.newFolder) MakeNewFolder(form, prompts, *choices.newFolder);
        if (choices.deleteAfter && form.Get<ui::CheckBox>("chkDelete").Value() != ui::CheckBox::Checked)
            ui::user::ClickCheckBox(form, "chkDelete");
        outcome.importPressed = true;
        ui::user::ClickButton(form, "cmdImport");
        outcome.closedByImport = !form.IsLoaded();
    });
}

ui::HeadlessView::UserScript BrowseScript(DialogChoices choices, int depth, std::ostream& out, ScriptOutcome& outcome) {
    return Guarded(outcome, [choices, depth, &out](ui::Form& form) {
        ChooseResource(form, choices);
        ui::TreeNode* folder = ChooseFolder(form, choices);
        out << form.Caption() << "\n\nRessourcetyper:\n";
        const auto& types = form.Get<ui::ComboBox>("cboRessType");
        for (int i = 0; i < types.ListCount(); ++i)
            out << "  " << i << '\t' << types.List(i) << (i == types.ListIndex() ? "  *" : "") << '\n';
        const auto& resources = form.Get<ui::ListView>("lstvRess");
        out << "\nRessourcer (" << resources.Count() << "):\n";
        PrintList(out, resources);
        const auto& jobs = form.Get<ui::ListView>("lstvJobs");
        if (jobs.Visible()) {
            out << "\nJobs, " << form.Get<ui::ComboBox>("cboActive").Text() << " (" << jobs.Count() << "):\n";
            PrintList(out, jobs);
        }
        out << "\nMapper:\n";
        if (folder) PrintTree(out, form, *folder, depth, 1);
        else out << "  (ingen)\n";
        ui::user::Close(form);
    });
}

}  // namespace kv::app
