#include "ports/ui/tree_view.hpp"

#include <gtest/gtest.h>

#include "support/error.hpp"

using kv::ui::Relationship;
using kv::ui::TreeNode;
using kv::ui::TreeView;

namespace {

std::vector<std::string> ChildTexts(const TreeNode& parent) {
    std::vector<std::string> out;
    for (TreeNode* n = parent.Child(); n; n = n->Next()) out.push_back(n->Text());
    return out;
}

}  // namespace

TEST(TreeView, NumbersNodesFromOneInOrderAdded) {
    TreeView tree("treeFolders");
    TreeNode& root = tree.Add(0, Relationship::Child, "Dokumenter", "folc", "folo");
    TreeNode& a = tree.Add(root.Index(), Relationship::Child, "a");
    TreeNode& b = tree.Add(root.Index(), Relationship::Child, "b");
    TreeNode& a1 = tree.Add(a.Index(), Relationship::Child, "a1");
    EXPECT_EQ(root.Index(), 1);
    EXPECT_EQ(a.Index(), 2);
    EXPECT_EQ(b.Index(), 3);
    EXPECT_EQ(a1.Index(), 4);
    EXPECT_EQ(&tree.Node(4), &a1);
    EXPECT_EQ(tree.FirstNode(), &root);
    EXPECT_EQ(root.Image(), "folc");
    EXPECT_EQ(root.SelectedImage(), "folo");
    EXPECT_THROW(tree.Node(5), kv::Error);
    EXPECT_THROW(tree.Node(0), kv::Error);
    EXPECT_THROW(tree.Add(9, Relationship::Child, "orphan"), kv::Error);
    EXPECT_EQ(tree.Count(), 4);
}

TEST(TreeView, WalksFirstChildAndNextSiblingAndParent) {
    TreeView tree("t");
    TreeNode& root = tree.Add(0, Relationship::Child, "root");
    EXPECT_EQ(root.Child(), nullptr);
    EXPECT_EQ(root.Children(), 0);
    for (const char* name : {"x", "y", "z"}) tree.Add(1, Relationship::Child, name);
    EXPECT_EQ(root.Children(), 3);
    EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"x", "y", "z"}));
    EXPECT_EQ(root.Child()->Parent(), &root);
    EXPECT_EQ(root.Child()->Previous(), nullptr);
    EXPECT_EQ(root.LastChild()->Next(), nullptr);
    EXPECT_EQ(root.Parent(), nullptr);
    EXPECT_EQ(root.Next(), nullptr);
}

TEST(TreeView, PlacesNodesByRelationship) {
    TreeView tree("t");
    tree.Add(0, Relationship::Child, "root");
    TreeNode& m = tree.Add(1, Relationship::Child, "m");
    tree.Add(m.Index(), Relationship::Previous, "l");
    tree.Add(m.Index(), Relationship::Next, "n");
    tree.Add(m.Index(), Relationship::First, "a");
    tree.Add(m.Index(), Relationship::Last, "z");
    EXPECT_EQ(ChildTexts(tree.Node(1)), (std::vector<std::string>{"a", "l", "m", "n", "z"}));
    EXPECT_EQ(tree.Node(1).Children(), 5);
    tree.Add(0, Relationship::First, "top");
    EXPECT_EQ(tree.FirstTopLevel()->Text(), "top");
    EXPECT_EQ(tree.FirstTopLevel()->Next(), &tree.Node(1));
    EXPECT_EQ(m.FullPath(), "root\\m");
}

TEST(TreeView, ExpandIsRaisedOnlyWhenANodeOpens) {
    TreeView tree("t");
    TreeNode& root = tree.Add(0, Relationship::Child, "root");
    tree.Add(1, Relationship::Child, "child");
    std::vector<int> expanded;
    int collapsed = 0;
    tree.Expand.Subscribe([&](TreeNode& n) { expanded.push_back(n.Index()); });
    tree.Collapse.Subscribe([&](TreeNode&) { ++collapsed; });
    root.SetExpanded(true);
    root.SetExpanded(true);
    EXPECT_EQ(expanded, std::vector<int>{1});
    root.SetExpanded(false);
    root.SetExpanded(false);
    EXPECT_EQ(collapsed, 1);
    EXPECT_TRUE(tree.UserExpand(root));
    EXPECT_EQ(expanded, (std::vector<int>{1, 1}));
    // A node without children has no expand mark for the user.
    EXPECT_FALSE(tree.UserExpand(tree.Node(2)));
    EXPECT_EQ(expanded.size(), 2u);
}

TEST(TreeView, SelectionByCodeRaisesNothingAUserClickRaisesNodeClick) {
    TreeView tree("t");
    TreeNode& root = tree.Add(0, Relationship::Child, "root");
    TreeNode& sub = tree.Add(1, Relationship::Child, "sub");
    int clicks = 0;
    tree.NodeClick.Subscribe([&](TreeNode&) { ++clicks; });
    tree.SetSelectedItem(&root);
    sub.SetSelected(true);
    EXPECT_EQ(tree.SelectedItem(), &sub);
    EXPECT_FALSE(root.Selected());
    EXPECT_EQ(clicks, 0);
    tree.UserClickNode(root);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(tree.SelectedItem(), &root);
    // Collapsing a node moves a selection inside it up to the node.
    root.SetExpanded(true);
    tree.SetSelectedItem(&sub);
    tree.UserCollapse(root);
    EXPECT_EQ(tree.SelectedItem(), &root);
    root.SetSelected(false);
    EXPECT_EQ(tree.SelectedItem(), nullptr);
    TreeView other("other");
    TreeNode& stranger = other.Add(0, Relationship::Child, "x");
    EXPECT_THROW(tree.SetSelectedItem(&stranger), kv::Error);
    EXPECT_THROW(tree.UserExpand(stranger), kv::Error);
}

TEST(TreeView, ClearRestartsNumberingAndDropsSelection) {
    TreeView tree("t");
    tree.SetSelectedItem(&tree.Add(0, Relationship::Child, "old"));
    tree.Add(1, Relationship::Child, "old child");
    tree.Clear();
    EXPECT_EQ(tree.Count(), 0);
    EXPECT_EQ(tree.SelectedItem(), nullptr);
    EXPECT_EQ(tree.FirstNode(), nullptr);
    EXPECT_EQ(tree.Add(0, Relationship::Child, "new").Index(), 1);
    EXPECT_EQ(tree.FirstTopLevel()->Next(), nullptr);
}

TEST(TreeView, ImagesMustBeInTheImageListAndLineStyleIsKept) {
    kv::ui::ImageList images("kvImages");
    images.Add("folc");
    images.Add("folo");
    TreeView tree("t");
    tree.SetImages(&images);
    EXPECT_NO_THROW(tree.Add(0, Relationship::Child, "ok", "folc", "folo"));
    EXPECT_THROW(tree.Add(0, Relationship::Child, "bad", "job", "folo"), kv::Error);
    EXPECT_EQ(tree.Count(), 1);
    EXPECT_EQ(tree.LineStyle(), kv::ui::TreeLineStyle::TreeLines);
    tree.SetLineStyle(kv::ui::TreeLineStyle::RootLines);
    EXPECT_EQ(tree.LineStyle(), kv::ui::TreeLineStyle::RootLines);
}
