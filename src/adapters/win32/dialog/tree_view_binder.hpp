#pragma once
// A tree view: the model's nodes as the window's items, added as the model
// adds them and all rebuilt when the model was cleared; selection and
// expansion go both ways (the window's expand notification reaches the
// model before the window shows the change, and the model may refuse it).
#include <string>
#include <vector>

#include "adapters/win32/dialog/control_binder.hpp"
#include "adapters/win32/dialog/gdi_owners.hpp"
#include "ports/ui/tree_view.hpp"

namespace kv::win32::dialog {

class TreeViewBinder final : public ControlBinder {
public:
    TreeViewBinder(ui::Control& model, int id, BinderContext& view)
        : ControlBinder(model, id, view), tree_(static_cast<ui::TreeView&>(model)) {}
    LRESULT Notify(const NMHDR& header) override;

private:
    // A node of the model, its item in the window, and what was pushed.
    struct Item {
        ui::TreeNode* node = nullptr;
        HTREEITEM handle = nullptr;
        std::string text, image;
        int children = -1;
        bool expanded = false;
    };

    void Init(HWND dialog) override;
    void SyncState() override;
    // Nodes are only ever added, or all removed at once (numbering then
    // starts again): a node at a known number that is not the one pushed
    // means the tree was rebuilt.
    bool Rebuilt() const;
    // Adds the nodes past those pushed; false when one goes before a node
    // not yet shown (then all is rebuilt).
    bool AddNewNodes();
    void RebuildAll();
    void Insert(ui::TreeNode& node, HTREEITEM parent, HTREEITEM after);
    void UpdateItems();
    void SyncExpansion();
    void SyncSelection();
    HTREEITEM HandleOf(const ui::TreeNode* node) const;
    Item* ItemOf(const TVITEMW& item);
    int ImageOf(const std::string& key) const;
    LRESULT OnExpanding(const NMTREEVIEWW& change);

    ui::TreeView& tree_;
    UniqueImageList images_;
    std::vector<std::string> imageKeys_;
    std::vector<Item> items_;  // node index - 1 -> item
    ui::TreeNode* ensured_ = nullptr;
};

}  // namespace kv::win32::dialog
