// The document folder of the chosen job or resource as a tree, read one
// level ahead of what is shown, and new sub-folders made from the dialog.
#include <unordered_map>

#include "catalog/document_folder.hpp"
#include "catalog/new_folder_name.hpp"
#include "dialog/frmKorvane.hpp"
#include "dialog/frmKorvane_helpers.hpp"
#include "support/error_trap.hpp"
#include "support/text_case.hpp"
#include "support/utf.hpp"

namespace kv {

namespace {

constexpr const char* kRootText = "Dokumenter";
constexpr const char* kClosedFolder = "folc";
constexpr const char* kOpenFolder = "folo";
constexpr std::size_t kFolderLabelLength = 255;

}  // namespace

struct frmKorvane::ChildTexts {
    const ui::TreeNode* parent = nullptr;
    // Text to the first child with that text, as a walk would find it.
    std::unordered_map<std::string, ui::TreeNode*> first;
};

std::optional<Folder> frmKorvane::GetDocumentFolder() {
    std::string path;
    if (const ui::ListItem* job = c_.lstvJobs->SelectedItem()) {
        std::optional<std::string> jobPath = catalog::JobFolderPath(Db(), job->Tag().ToInt());
        if (!jobPath) return std::nullopt;
        path = std::move(*jobPath);
    } else {
        const ui::ListItem* ress = c_.lstvRess->SelectedItem();
        if (ress == nullptr)
            throw Error(ui::uierr::ElementNotFound, "GetDocumentFolder", "Der er ikke valgt nogen ressource");
        path = catalog::ResourceFolderPath(Db(), dialog::KeyNumber(ress->Key()));
    }
    try {
        return ctx_.Files().GetFolder(path);
    } catch (const Error&) {
        return std::nullopt;
    }
}

void frmKorvane::BuildFolderView() {
    SetMousePointer(ui::pointer::Hourglass);
    ui::TreeView& tree = *c_.treeFolders;
    ReportAndStop(
        [&] {
            tree.Clear();
            const std::optional<Folder> folder = GetDocumentFolder();
            if (!folder) {
                ctx_.Prompts().MsgBox("Kunne ikke finde jobfolder.\r\nGå i Korvane og opret jobmappen.");
                return;
            }
            c_.lblFolder->SetCaption(utf::Utf16Left(LastPathComponent(folder->Path()), kFolderLabelLength));
            ui::TreeNode& root = tree.Add(0, ui::Relationship::Last, kRootText, kClosedFolder, kOpenFolder);
            root.SetTag(folder->Path());
            root.SetExpanded(false);
            AddSubFolders(ctx_.Files().SubFolders(*folder), root);
            tree.SetSelectedItem(&root);
            // With a job chosen its folder opens at once, showing one level.
            if (c_.lstvJobs->SelectedItem() != nullptr) root.SetExpanded(true);
            UpdateTreeLines();
        },
        [&](const Error& e) { ctx_.Prompts().MsgBox(e.Description() + "\r\n(BuildFolderView)"); });
    SetMousePointer(ui::pointer::Default);
}

void frmKorvane::AddSubFolders(std::vector<Folder> subFolders, ui::TreeNode& parent) {
    // The children's texts, gathered once for this call. The names of one
    // listing differ, so the nodes added here need no entry.
    ChildTexts children{&parent, {}};
    for (ui::TreeNode* child = parent.Child(); child != nullptr; child = child->Next()) {
        children.first.try_emplace(child->Text(), child);
    }
    ChildTexts* const outer = childTexts_;
    childTexts_ = &children;
    struct Restore {
        ChildTexts*& slot;
        ChildTexts* value;
        ~Restore() { slot = value; }
    } restore{childTexts_, outer};

    ui::TreeView& tree = *c_.treeFolders;
    for (Folder& sub : subFolders) {
        // Folder names compare as Windows compares them, without case.
        if (text::EqualsIgnoringCase(sub.Name(), ctx_.gJobFolderName) ||
            text::EqualsIgnoringCase(sub.Name(), ctx_.gJobFolderNameArkiv))
            continue;
        if (FindChildNode(parent, sub.Name()) != nullptr) continue;
        ui::TreeNode& node = tree.Add(parent.Index(), ui::Relationship::Child, sub.Name(), kClosedFolder, kOpenFolder);
        node.SetTag(std::move(sub).Path());
    }
}

ui::TreeNode* frmKorvane::FindChildNode(ui::TreeNode& parent, const std::string& name) {
    // While AddSubFolders fills this parent the texts gathered there answer,
    // so thousands of sub-folders do not walk thousands of siblings each.
    if (childTexts_ != nullptr && childTexts_->parent == &parent) {
        const auto it = childTexts_->first.find(name);
        return it == childTexts_->first.end() ? nullptr : it->second;
    }
    for (ui::TreeNode* child = parent.Child(); child != nullptr; child = child->Next()) {
        if (child->Text() == name) return child;
    }
    return nullptr;
}

void frmKorvane::UpdateTreeLines() {
    const ui::TreeNode* root = c_.treeFolders->FirstNode();
    const bool hasChildren = root != nullptr && root->Children() >= 1;
    c_.treeFolders->SetLineStyle(hasChildren ? ui::TreeLineStyle::RootLines : ui::TreeLineStyle::TreeLines);
}

void frmKorvane::treeFolders_Expand(ui::TreeNode& node) {
    SetMousePointer(ui::pointer::Hourglass);
    // A folder removed or unreadable since the tree was built is reported;
    // the children filled so far stay, each one complete.
    ReportAndStop(
        [&] {
            std::vector<ui::TreeNode*> children;
            std::vector<std::string> paths;
            for (ui::TreeNode* child = node.Child(); child != nullptr; child = child->Next()) {
                children.push_back(child);
                paths.push_back(child->Tag());
            }
            ctx_.Files().ListEachFolder(paths, [&](std::size_t i, std::vector<Folder> subFolders) {
                AddSubFolders(std::move(subFolders), *children[i]);
            });
        },
        [&](const Error& e) { ShowFailure(e); });
    SetMousePointer(ui::pointer::Default);
}

void frmKorvane::cmdNewFld_Click() {
    ui::TreeView& tree = *c_.treeFolders;
    ui::TreeNode* selected = tree.SelectedItem();
    if (selected == nullptr) return;
    const std::string answer = ctx_.Prompts().InputBox("Foldernavn", "Opret folder");
    if (answer.empty()) return;
    const std::string name = catalog::NewFolderName(answer);

    Folder parent;
    try {
        parent = ctx_.Files().GetFolder(selected->Tag());
    } catch (const Error& e) {
        ShowFailure(e);
        return;
    }
    Folder created;
    try {
        created = ctx_.Files().AddSubFolder(parent, name);
    } catch (const Error& e) {
        // Only a name in use is told as such; no access or a refused name
        // shows the system's own reason.
        ctx_.Prompts().MsgBox(e.Number() == fserr::FileAlreadyExists ? "Folder findes i forvejen" : e.Description(),
                              ui::Buttons::OK, ui::Icon::Information, "Folder kunne ikke oprettes");
        return;
    }
    ui::TreeNode& node =
        tree.Add(selected->Index(), ui::Relationship::Child, created.Name(), kClosedFolder, kOpenFolder);
    node.SetTag(created.Path());
    tree.SetSelectedItem(&node);
    UpdateTreeLines();
}

}  // namespace kv
