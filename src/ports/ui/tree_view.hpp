#pragma once
// A tree view. Nodes are numbered from 1 in the order they were added; the
// number of a node never changes while it exists. The tree removes nodes only
// all at once (Clear), after which numbering starts again from 1: the folder
// tree is refilled by rebuilding it, and its lazy expansion only ever adds
// nodes, so no partial removal (which would renumber later nodes on the
// platform) is offered.
//
// Event semantics:
//  - Expand(node) is raised when a node's Expanded goes from false to true,
//    whether by code (SetExpanded) or by the user (UserExpand); setting it to
//    true again raises nothing. Collapse(node) likewise for true to false.
//  - NodeClick(node) is raised only when the user clicks a node
//    (UserClickNode); selecting by code (SetSelectedItem) raises nothing.
#include <memory>
#include <string>
#include <vector>

#include "ports/ui/control.hpp"
#include "ports/ui/event.hpp"
#include "ports/ui/simple_controls.hpp"

namespace kv::ui {

enum class Relationship { First = 0, Last = 1, Next = 2, Previous = 3, Child = 4 };
enum class TreeLineStyle { TreeLines = 0, RootLines = 1 };

class TreeView;

class TreeNode {
public:
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    int Index() const { return index_; }
    const std::string& Text() const { return text_; }
    void SetText(std::string text) { text_ = std::move(text); }
    const std::string& Tag() const { return tag_; }
    void SetTag(std::string tag) { tag_ = std::move(tag); }
    const std::string& Image() const { return image_; }
    const std::string& SelectedImage() const { return selectedImage_; }

    // Navigation; nullptr where there is none.
    int Children() const { return childCount_; }
    TreeNode* Child() const { return firstChild_; }
    TreeNode* LastChild() const { return lastChild_; }
    TreeNode* Next() const { return next_; }
    TreeNode* Previous() const { return prev_; }
    TreeNode* Parent() const { return parent_; }
    TreeNode* Root() const;
    // Texts from the top-level node down, joined by the tree's PathSeparator.
    std::string FullPath() const;

    bool Expanded() const { return expanded_; }
    void SetExpanded(bool expanded);
    bool Selected() const;
    void SetSelected(bool selected);
    void EnsureVisible();

    TreeView& Owner() const { return *owner_; }

private:
    friend class TreeView;
    TreeNode(TreeView* owner, int index) : owner_(owner), index_(index) {}

    TreeView* owner_;
    int index_;
    std::string text_, tag_, image_, selectedImage_;
    // Siblings are a linked list, so walking 10,000 children stays linear.
    TreeNode* parent_ = nullptr;
    TreeNode* prev_ = nullptr;
    TreeNode* next_ = nullptr;
    TreeNode* firstChild_ = nullptr;
    TreeNode* lastChild_ = nullptr;
    int childCount_ = 0;
    bool expanded_ = false;
};

class TreeView : public Control {
public:
    explicit TreeView(std::string name) : Control(ControlKind::TreeView, std::move(name)) {}

    // Adds a node. relative 0 adds a top-level node at the end (First puts it
    // first). Otherwise relative is the index of an existing node and
    // relationship says where: Child (last child of it), First/Last (first or
    // last among its siblings), Next/Previous (right after or before it).
    // An unknown relative fails with ElementNotFound, an image key missing
    // from ImageList with ElementNotFound; nothing is added then.
    TreeNode& Add(int relative, Relationship relationship, std::string text, std::string image = {},
                  std::string selectedImage = {});
    void Clear();

    int Count() const { return static_cast<int>(nodes_.size()); }
    // 1-based; IndexOutOfBounds otherwise.
    TreeNode& Node(int index) const;
    TreeNode* FirstNode() const { return nodes_.empty() ? nullptr : nodes_.front().get(); }
    // First top-level node in display order (nullptr when empty).
    TreeNode* FirstTopLevel() const { return firstRoot_; }

    TreeNode* SelectedItem() const { return selected_; }
    // Raises nothing; nullptr selects none.
    void SetSelectedItem(TreeNode* node);

    TreeLineStyle LineStyle() const { return lineStyle_; }
    void SetLineStyle(TreeLineStyle style) { lineStyle_ = style; }
    const std::string& PathSeparator() const { return pathSeparator_; }
    void SetPathSeparator(std::string sep) { pathSeparator_ = std::move(sep); }
    const ImageList* Images() const { return images_; }
    void SetImages(const ImageList* images) { images_ = images; }

    // The node last scrolled into view by EnsureVisible (nullptr if none).
    TreeNode* LastEnsuredVisible() const { return lastEnsured_; }

    Event<TreeNode&> Expand;
    Event<TreeNode&> Collapse;
    Event<TreeNode&> NodeClick;

    // What the view calls when the user acts; false (nothing done) when the
    // tree takes no input. The user can open only a node with children, as
    // only those show an expand mark.
    bool UserClickNode(TreeNode& node);
    bool UserExpand(TreeNode& node);
    bool UserCollapse(TreeNode& node);

private:
    friend class TreeNode;
    void CheckOwn(const TreeNode& node) const;
    void Link(TreeNode& node, TreeNode* parent, TreeNode* before);

    std::vector<std::unique_ptr<TreeNode>> nodes_;
    TreeNode* firstRoot_ = nullptr;
    TreeNode* lastRoot_ = nullptr;
    TreeNode* selected_ = nullptr;
    TreeNode* lastEnsured_ = nullptr;
    TreeLineStyle lineStyle_ = TreeLineStyle::TreeLines;
    std::string pathSeparator_ = "\\";
    const ImageList* images_ = nullptr;
};

}  // namespace kv::ui
