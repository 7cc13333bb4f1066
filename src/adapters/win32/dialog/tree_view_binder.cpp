#include "adapters/win32/dialog/tree_view_binder.hpp"

#include <algorithm>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/dialog/pictures.hpp"

namespace kv::win32::dialog {

void TreeViewBinder::Init(HWND) {
    const ui::ImageList* images = tree_.Images();
    if (!images) return;
    imageKeys_ = images->Keys();
    images_ = MakeImageList(imageKeys_);
    ::SendMessageW(Window(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_.get()));
}

void TreeViewBinder::SyncState() {
    if (Rebuilt() || !AddNewNodes()) RebuildAll();
    UpdateItems();
    SyncExpansion();
    SyncSelection();
}

bool TreeViewBinder::Rebuilt() const {
    if (static_cast<std::size_t>(tree_.Count()) < items_.size()) return true;
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (&tree_.Node(static_cast<int>(i) + 1) != items_[i].node) return true;
    return false;
}

bool TreeViewBinder::AddNewNodes() {
    const auto count = static_cast<std::size_t>(tree_.Count());
    const std::size_t known = items_.size();
    items_.resize(count);
    for (std::size_t i = known; i < count; ++i) {
        ui::TreeNode& node = tree_.Node(static_cast<int>(i) + 1);
        HTREEITEM parent = HandleOf(node.Parent());
        HTREEITEM after = node.Previous() ? HandleOf(node.Previous()) : TVI_FIRST;
        if (!parent || !after) return false;
        Insert(node, parent, after);
    }
    return true;
}

void TreeViewBinder::RebuildAll() {
    ::SendMessageW(Window(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    items_.assign(static_cast<std::size_t>(tree_.Count()), {});
    ensured_ = nullptr;
    // Parents before children, siblings in display order.
    std::vector<ui::TreeNode*> pending;
    for (ui::TreeNode* n = tree_.FirstTopLevel(); n; n = n->Next()) pending.push_back(n);
    std::reverse(pending.begin(), pending.end());
    while (!pending.empty()) {
        ui::TreeNode* node = pending.back();
        pending.pop_back();
        Insert(*node, HandleOf(node->Parent()), TVI_LAST);
        const std::size_t firstChild = pending.size();
        for (ui::TreeNode* child = node->Child(); child; child = child->Next()) pending.push_back(child);
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(firstChild), pending.end());
    }
}

void TreeViewBinder::Insert(ui::TreeNode& node, HTREEITEM parent, HTREEITEM after) {
    std::wstring text = Widen(node.Text());
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    ins.item.pszText = text.data();
    ins.item.lParam = node.Index();
    ins.item.iImage = ImageOf(node.Image());
    ins.item.iSelectedImage = ImageOf(node.SelectedImage().empty() ? node.Image() : node.SelectedImage());
    ins.item.cChildren = node.Children() > 0 ? 1 : 0;
    const auto handle =
        reinterpret_cast<HTREEITEM>(::SendMessageW(Window(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    items_[static_cast<std::size_t>(node.Index()) - 1] = {&node, handle, node.Text(), node.Image(), ins.item.cChildren,
                                                          false};
}

void TreeViewBinder::UpdateItems() {
    for (Item& item : items_) {
        const ui::TreeNode& node = *item.node;
        const int children = node.Children() > 0 ? 1 : 0;
        if (item.text == node.Text() && item.image == node.Image() && item.children == children) continue;
        std::wstring text = Widen(node.Text());
        TVITEMW update{};
        update.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
        update.hItem = item.handle;
        update.pszText = text.data();
        update.iImage = ImageOf(node.Image());
        update.iSelectedImage = ImageOf(node.SelectedImage().empty() ? node.Image() : node.SelectedImage());
        update.cChildren = children;
        ::SendMessageW(Window(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&update));
        item.text = node.Text();
        item.image = node.Image();
        item.children = children;
    }
}

void TreeViewBinder::SyncExpansion() {
    // After all items exist, parents first (index order is parent first).
    for (Item& item : items_) {
        if (item.expanded == item.node->Expanded()) continue;
        item.expanded = item.node->Expanded();
        ::SendMessageW(Window(), TVM_EXPAND, item.expanded ? TVE_EXPAND : TVE_COLLAPSE,
                       reinterpret_cast<LPARAM>(item.handle));
    }
}

void TreeViewBinder::SyncSelection() {
    HTREEITEM wanted = tree_.SelectedItem() ? HandleOf(tree_.SelectedItem()) : nullptr;
    if (reinterpret_cast<HTREEITEM>(::SendMessageW(Window(), TVM_GETNEXTITEM, TVGN_CARET, 0)) != wanted)
        ::SendMessageW(Window(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(wanted));
    if (tree_.LastEnsuredVisible() == ensured_) return;
    ensured_ = tree_.LastEnsuredVisible();
    if (ensured_) ::SendMessageW(Window(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(HandleOf(ensured_)));
}

HTREEITEM TreeViewBinder::HandleOf(const ui::TreeNode* node) const {
    if (!node) return TVI_ROOT;
    const auto index = static_cast<std::size_t>(node->Index());
    return index <= items_.size() ? items_[index - 1].handle : nullptr;
}

TreeViewBinder::Item* TreeViewBinder::ItemOf(const TVITEMW& item) {
    const auto index = static_cast<std::size_t>(item.lParam);
    return index >= 1 && index <= items_.size() ? &items_[index - 1] : nullptr;
}

int TreeViewBinder::ImageOf(const std::string& key) const { return ImageIndex(imageKeys_, key); }

LRESULT TreeViewBinder::Notify(const NMHDR& header) {
    const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
    switch (header.code) {
    case TVN_SELCHANGEDW: {
        if (change.action == TVC_UNKNOWN) return 0;  // our own push
        Item* item = ItemOf(change.itemNew);
        if (item && item->node) View().User([&] { tree_.UserClickNode(*item->node); });
        return 0;
    }
    case TVN_ITEMEXPANDINGW: return OnExpanding(change);
    default: return 0;
    }
}

LRESULT TreeViewBinder::OnExpanding(const NMTREEVIEWW& change) {
    Item* item = ItemOf(change.itemNew);
    if (!item || !item->node || View().Pushing()) return FALSE;
    ui::TreeNode& node = *item->node;
    const bool expand = (change.action & TVE_EXPAND) != 0;
    // The window is about to show this state; it needs no push.
    item->expanded = expand;
    View().User([&] { expand ? tree_.UserExpand(node) : tree_.UserCollapse(node); });
    return View().Stopping() || node.Expanded() != expand;  // TRUE refuses
}

}  // namespace kv::win32::dialog
