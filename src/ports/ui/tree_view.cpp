#include "ports/ui/tree_view.hpp"

#include "support/error.hpp"

namespace kv::ui {

// ---- TreeNode

TreeNode* TreeNode::Root() const {
    const TreeNode* n = this;
    while (n->parent_) n = n->parent_;
    return const_cast<TreeNode*>(n);
}

std::string TreeNode::FullPath() const {
    std::string path = text_;
    for (const TreeNode* n = parent_; n; n = n->parent_) path = n->text_ + owner_->pathSeparator_ + path;
    return path;
}

void TreeNode::SetExpanded(bool expanded) {
    if (expanded == expanded_) return;
    expanded_ = expanded;
    if (expanded) {
        owner_->Expand.Raise(*this);
    } else {
        owner_->Collapse.Raise(*this);
    }
}

bool TreeNode::Selected() const { return owner_->selected_ == this; }

void TreeNode::SetSelected(bool selected) {
    if (selected) {
        owner_->selected_ = this;
    } else if (Selected()) {
        owner_->selected_ = nullptr;
    }
}

void TreeNode::EnsureVisible() {
    // The platform opens every ancestor to bring a node into view.
    for (TreeNode* n = parent_; n; n = n->parent_) n->SetExpanded(true);
    owner_->lastEnsured_ = this;
}

// ---- TreeView

TreeNode& TreeView::Add(int relative, Relationship relationship, std::string text, std::string image,
                        std::string selectedImage) {
    CheckImageKey(images_, image, *this);
    CheckImageKey(images_, selectedImage, *this);
    TreeNode* rel = nullptr;
    if (relative != 0) {
        if (relative < 1 || relative > Count()) {
            throw Error(uierr::ElementNotFound, Name(), "Element not found: node " + std::to_string(relative));
        }
        rel = nodes_[static_cast<std::size_t>(relative - 1)].get();
    }

    // Where the new node goes: its parent, and the sibling it goes before
    // (nullptr: at the end).
    TreeNode* parent = nullptr;
    TreeNode* before = nullptr;
    if (rel == nullptr) {
        if (relationship == Relationship::First) before = firstRoot_;
    } else if (relationship == Relationship::Child) {
        parent = rel;
    } else {
        parent = rel->parent_;
        switch (relationship) {
        case Relationship::First: before = parent ? parent->firstChild_ : firstRoot_; break;
        case Relationship::Next: before = rel->next_; break;
        case Relationship::Previous: before = rel; break;
        case Relationship::Last:
        case Relationship::Child: break;
        }
    }

    nodes_.push_back(std::unique_ptr<TreeNode>(new TreeNode(this, Count() + 1)));
    TreeNode& node = *nodes_.back();
    node.text_ = std::move(text);
    node.image_ = std::move(image);
    node.selectedImage_ = std::move(selectedImage);
    Link(node, parent, before);
    return node;
}

void TreeView::Link(TreeNode& node, TreeNode* parent, TreeNode* before) {
    TreeNode*& first = parent ? parent->firstChild_ : firstRoot_;
    TreeNode*& last = parent ? parent->lastChild_ : lastRoot_;
    node.parent_ = parent;
    node.next_ = before;
    node.prev_ = before ? before->prev_ : last;
    if (node.prev_) {
        node.prev_->next_ = &node;
    } else {
        first = &node;
    }
    if (before) {
        before->prev_ = &node;
    } else {
        last = &node;
    }
    if (parent) ++parent->childCount_;
}

void TreeView::Clear() {
    selected_ = nullptr;
    lastEnsured_ = nullptr;
    firstRoot_ = lastRoot_ = nullptr;
    nodes_.clear();
}

TreeNode& TreeView::Node(int index) const {
    if (index < 1 || index > Count()) {
        throw Error(uierr::IndexOutOfBounds, Name(), "Index out of bounds: node " + std::to_string(index));
    }
    return *nodes_[static_cast<std::size_t>(index - 1)];
}

void TreeView::CheckOwn(const TreeNode& node) const {
    if (node.owner_ != this) ThrowInvalidProperty(*this, "node of another tree");
}

void TreeView::SetSelectedItem(TreeNode* node) {
    if (node) CheckOwn(*node);
    selected_ = node;
}

bool TreeView::UserClickNode(TreeNode& node) {
    CheckOwn(node);
    if (!AcceptsInput()) return false;
    selected_ = &node;
    NodeClick.Raise(node);
    return true;
}

bool TreeView::UserExpand(TreeNode& node) {
    CheckOwn(node);
    if (!AcceptsInput() || node.Children() == 0) return false;
    node.SetExpanded(true);
    return true;
}

bool TreeView::UserCollapse(TreeNode& node) {
    CheckOwn(node);
    if (!AcceptsInput()) return false;
    node.SetExpanded(false);
    // Collapsing hides the descendants; a selection among them moves up.
    for (TreeNode* n = selected_ ? selected_->Parent() : nullptr; n; n = n->Parent()) {
        if (n == &node) {
            selected_ = &node;
            break;
        }
    }
    return true;
}

}  // namespace kv::ui
