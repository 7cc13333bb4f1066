#pragma once
// A list view in report view: column headers, and items with a unique key,
// text, sub-items, a tag, a small icon and a tooltip.
//
// Event semantics (as the platform control behaves):
//  - ItemClick is raised only when the user clicks an item (UserClickItem).
//    Selecting by code (SetSelectedItem) raises nothing; a presenter that
//    wants the click's effect calls its own handler.
//  - ColumnClick is raised when the user clicks a header; the list does not
//    sort by itself, the handler sets SortKey/SortOrder/Sorted.
//  - MouseMove is raised for every pointer move over the list, with the
//    position in twips from the list's top left corner.
// A handler that empties the list must not use the item it was given after.
//
// Sorting: while Sorted is on, the items stay ordered by the text of column
// SortKey (0 = the item text, n = sub-item n), compared without regard to
// case, character by character, so "100" comes before "99"; Danish letters
// Æ, Ø, Å follow Z. Equal texts keep their relative order. Sorting is
// lazy: adding 50,000 items costs one sort at the next look at the order.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ports/ui/control.hpp"
#include "ports/ui/event.hpp"
#include "ports/ui/simple_controls.hpp"
#include "support/value.hpp"

namespace kv::ui {

enum class SortOrder { Ascending = 0, Descending = 1 };

struct ColumnHeader {
    int index = 0;  // 1-based, as the platform numbers headers
    std::string text;
    int width = 0;
};

class ListView;

class ListItem {
public:
    ListItem(const ListItem&) = delete;
    ListItem& operator=(const ListItem&) = delete;

    const std::string& Key() const { return key_; }
    // 1-based position in the list as shown (after sorting).
    int Index() const;

    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    // Sub-item n (1-based) is the text of column n+1; n must name an existing
    // column other than the first, else IndexOutOfBounds.
    const std::string& SubItem(int n) const;
    void SetSubItem(int n, std::string text);
    // Text of a zero-based column: 0 is Text, n is SubItem(n).
    const std::string& ColumnText(int column) const;

    const Value& Tag() const { return tag_; }
    void SetTag(Value tag) { tag_ = std::move(tag); }

    // Key of a picture of the list's SmallIcons; unknown keys fail.
    const std::string& SmallIcon() const { return smallIcon_; }
    void SetSmallIcon(std::string key);

    const std::string& ToolTipText() const { return toolTip_; }
    void SetToolTipText(std::string text) { toolTip_ = std::move(text); }

    bool Selected() const;
    void EnsureVisible();

    ListView& Owner() const { return *owner_; }

private:
    friend class ListView;
    ListItem(ListView* owner, std::string key, std::string text)
        : owner_(owner), key_(std::move(key)), text_(std::move(text)) {}

    ListView* owner_;
    std::string key_;
    std::string text_;
    std::vector<std::string> subItems_;
    Value tag_;
    std::string smallIcon_;
    std::string toolTip_;
    mutable std::size_t position_ = 0;  // zero-based, valid while the order is
};

class ListView : public Control {
public:
    explicit ListView(std::string name) : Control(ControlKind::ListView, std::move(name)) {}

    // Columns
    const ColumnHeader& AddColumn(std::string text, int width);
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    // 1-based; IndexOutOfBounds otherwise.
    const ColumnHeader& Column(int index) const;
    const std::vector<ColumnHeader>& Columns() const { return columns_; }

    // Items. key "" adds an item without a key; a key already in the list
    // fails with KeyNotUnique and adds nothing.
    ListItem& Add(const std::string& key, std::string text);
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    // 1-based position as shown; IndexOutOfBounds otherwise.
    ListItem& Item(int index) const;
    // By key; ElementNotFound when no item has it.
    ListItem& Item(std::string_view key) const;
    // By key; nullptr when no item has it.
    ListItem* Find(std::string_view key) const;
    // All items in the order shown.
    std::vector<ListItem*> Items() const;

    // Selection (single). Setting raises nothing; nullptr selects none.
    ListItem* SelectedItem() const { return selected_; }
    void SetSelectedItem(ListItem* item);

    // Scrolling: the first row shown (0-based) and how many rows fit.
    int TopIndex() const { return topIndex_; }
    int VisibleRows() const;
    bool IsScrolledIntoView(const ListItem& item) const;
    void EnsureVisible(const ListItem& item);

    // Row geometry in twips, used by HitTest where no view answers it.
    int RowHeight() const { return rowHeight_; }
    int HeaderHeight() const { return headerHeight_; }
    void SetRowHeight(int twips);
    void SetHeaderHeight(int twips);
    // The item under a point (twips from the list's top left), or nullptr
    // over the header, empty rows or outside the list.
    ListItem* HitTest(double x, double y) const;
    // A view that shows the list answers HitTest from its own window (its
    // row heights and scrolling); an empty function goes back to the model's
    // geometry.
    using HitTester = std::function<ListItem*(double x, double y)>;
    void SetHitTester(HitTester tester) { hitTester_ = std::move(tester); }

    // Sorting (see above).
    int SortKey() const { return sortKey_; }
    void SetSortKey(int column);
    SortOrder GetSortOrder() const { return sortOrder_; }
    void SetSortOrder(SortOrder order);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);

    const std::string& ToolTipText() const { return toolTip_; }
    void SetToolTipText(std::string text) { toolTip_ = std::move(text); }

    const ImageList* SmallIcons() const { return smallIcons_; }
    void SetSmallIcons(const ImageList* images) { smallIcons_ = images; }

    Event<ListItem&> ItemClick;
    Event<const ColumnHeader&> ColumnClick;
    // button, shift, x, y
    Event<int, int, double, double> MouseMove;

    // What the view calls when the user acts. Each answers false (and does
    // nothing) when the list takes no input.
    bool UserClickItem(ListItem& item);
    bool UserClickColumn(int index);
    bool UserMoveMouse(int button, int shift, double x, double y);

    // Compares two texts the way the list sorts them: <0, 0, >0.
    static int CompareText(std::string_view a, std::string_view b);

private:
    friend class ListItem;
    void CheckOwn(const ListItem& item) const;
    void EnsureOrder() const;
    void MarkUnsorted(int changedColumn);

    std::vector<ColumnHeader> columns_;
    mutable std::vector<std::unique_ptr<ListItem>> items_;
    std::unordered_map<std::string_view, ListItem*> byKey_;  // keys are the items' own
    mutable bool orderDirty_ = false;
    ListItem* selected_ = nullptr;
    int topIndex_ = 0;
    int rowHeight_ = 240;
    int headerHeight_ = 300;
    int sortKey_ = 0;
    SortOrder sortOrder_ = SortOrder::Ascending;
    bool sorted_ = false;
    std::string toolTip_;
    const ImageList* smallIcons_ = nullptr;
    HitTester hitTester_;
};

}  // namespace kv::ui
