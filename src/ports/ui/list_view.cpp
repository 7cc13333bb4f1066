#include "ports/ui/list_view.hpp"

#include <algorithm>

#include "support/error.hpp"
#include "support/utf.hpp"

namespace kv::ui {

namespace {

[[noreturn]] void ThrowOutOfBounds(const Control& c) {
    throw Error(uierr::IndexOutOfBounds, c.Name(), "Index out of bounds");
}

// Sort weight of one character: case folded for Latin letters, with the
// Danish letters after Z as a Danish reader expects them.
char32_t Fold(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) c += 32;  // Latin-1 capitals
    switch (c) {
    case 0xE6:
    case 0xE4: return U'z' + 1;  // æ, ä
    case 0xF8:
    case 0xF6: return U'z' + 2;  // ø, ö
    case 0xE5: return U'z' + 3;  // å
    default: break;
    }
    // Latin Extended-A pairs: the capital comes first, at an even code point
    // except from Ĺ to ň and from Ź to ž; ĸ has no capital, Ÿ's small is ÿ.
    const bool evenCapital = ((c >= 0x100 && c < 0x138) || (c >= 0x14A && c < 0x178)) && c % 2 == 0;
    const bool oddCapital = ((c >= 0x139 && c < 0x149) || (c >= 0x179 && c < 0x17F)) && c % 2 == 1;
    if (evenCapital || oddCapital) return c + 1;
    return c == 0x178 ? 0xFF : c;
}

std::u32string CollationKey(std::string_view text) {
    const std::u16string units = utf::ToUtf16(text);
    std::u32string key;
    key.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        key.push_back(Fold(c));
    }
    return key;
}

}  // namespace

// ---- ListItem

int ListItem::Index() const {
    owner_->EnsureOrder();
    return static_cast<int>(position_) + 1;
}

void ListItem::SetText(std::string text) {
    text_ = std::move(text);
    owner_->MarkUnsorted(0);
}

const std::string& ListItem::SubItem(int n) const {
    static const std::string none;
    if (n < 1 || n >= owner_->ColumnCount()) ThrowOutOfBounds(*owner_);
    const auto i = static_cast<std::size_t>(n - 1);
    return i < subItems_.size() ? subItems_[i] : none;
}

void ListItem::SetSubItem(int n, std::string text) {
    if (n < 1 || n >= owner_->ColumnCount()) ThrowOutOfBounds(*owner_);
    const auto i = static_cast<std::size_t>(n - 1);
    if (subItems_.size() <= i) subItems_.resize(i + 1);
    subItems_[i] = std::move(text);
    owner_->MarkUnsorted(n);
}

const std::string& ListItem::ColumnText(int column) const { return column == 0 ? text_ : SubItem(column); }

void ListItem::SetSmallIcon(std::string key) {
    CheckImageKey(owner_->SmallIcons(), key, *owner_);
    smallIcon_ = std::move(key);
}

bool ListItem::Selected() const { return owner_->SelectedItem() == this; }

void ListItem::EnsureVisible() { owner_->EnsureVisible(*this); }

// ---- ListView

const ColumnHeader& ListView::AddColumn(std::string text, int width) {
    if (width < 0) ThrowInvalidProperty(*this, "Width");
    columns_.push_back({ColumnCount() + 1, std::move(text), width});
    return columns_.back();
}

const ColumnHeader& ListView::Column(int index) const {
    if (index < 1 || index > ColumnCount()) ThrowOutOfBounds(*this);
    return columns_[static_cast<std::size_t>(index - 1)];
}

ListItem& ListView::Add(const std::string& key, std::string text) {
    items_.push_back(std::unique_ptr<ListItem>(new ListItem(this, key, std::move(text))));
    ListItem& item = *items_.back();
    // One hash of the key, not one to check and one to insert: lists of
    // tens of thousands of resources are filled at each opening. The map's
    // key is the item's own text, which lives as long as the entry.
    bool keyed = true;
    try {
        keyed = key.empty() || byKey_.try_emplace(item.key_, &item).second;
    } catch (...) {
        items_.pop_back();
        throw;
    }
    if (!keyed) {
        items_.pop_back();
        throw Error(uierr::KeyNotUnique, Name(), "Key is not unique in collection: \"" + key + "\"");
    }
    item.position_ = items_.size() - 1;
    if (sorted_) orderDirty_ = true;
    return item;
}

void ListView::Clear() {
    selected_ = nullptr;
    byKey_.clear();
    items_.clear();
    orderDirty_ = false;
    topIndex_ = 0;
}

ListItem& ListView::Item(int index) const {
    if (index < 1 || index > Count()) ThrowOutOfBounds(*this);
    EnsureOrder();
    return *items_[static_cast<std::size_t>(index - 1)];
}

ListItem& ListView::Item(std::string_view key) const {
    ListItem* item = Find(key);
    if (item == nullptr) {
        throw Error(uierr::ElementNotFound, Name(), "Element not found: \"" + std::string(key) + "\"");
    }
    return *item;
}

ListItem* ListView::Find(std::string_view key) const {
    if (key.empty()) return nullptr;
    const auto it = byKey_.find(key);
    return it == byKey_.end() ? nullptr : it->second;
}

std::vector<ListItem*> ListView::Items() const {
    EnsureOrder();
    std::vector<ListItem*> out;
    out.reserve(items_.size());
    for (const auto& p : items_) out.push_back(p.get());
    return out;
}

void ListView::CheckOwn(const ListItem& item) const {
    if (item.owner_ != this) ThrowInvalidProperty(*this, "item of another list");
}

void ListView::SetSelectedItem(ListItem* item) {
    if (item != nullptr) CheckOwn(*item);
    selected_ = item;
}

int ListView::VisibleRows() const { return std::max(1, (Height() - headerHeight_) / rowHeight_); }

bool ListView::IsScrolledIntoView(const ListItem& item) const {
    CheckOwn(item);
    const int pos = item.Index() - 1;
    return pos >= topIndex_ && pos < topIndex_ + VisibleRows();
}

void ListView::EnsureVisible(const ListItem& item) {
    CheckOwn(item);
    const int pos = item.Index() - 1;
    if (pos < topIndex_) {
        topIndex_ = pos;
    } else if (pos >= topIndex_ + VisibleRows()) {
        topIndex_ = pos - VisibleRows() + 1;
    }
}

void ListView::SetRowHeight(int twips) {
    if (twips <= 0) ThrowInvalidProperty(*this, "RowHeight");
    rowHeight_ = twips;
}

void ListView::SetHeaderHeight(int twips) {
    if (twips < 0) ThrowInvalidProperty(*this, "HeaderHeight");
    headerHeight_ = twips;
}

ListItem* ListView::HitTest(double x, double y) const {
    if (hitTester_) return hitTester_(x, y);
    if (x < 0 || x >= Width() || y < headerHeight_ || y >= Height()) return nullptr;
    const auto row = static_cast<long long>((y - headerHeight_) / rowHeight_);
    const long long pos = topIndex_ + row;
    if (pos < 0 || pos >= Count()) return nullptr;
    EnsureOrder();
    return items_[static_cast<std::size_t>(pos)].get();
}

void ListView::SetSortKey(int column) {
    if (column < 0) ThrowInvalidProperty(*this, "SortKey");
    sortKey_ = column;
    if (sorted_) orderDirty_ = true;
}

void ListView::SetSortOrder(SortOrder order) {
    sortOrder_ = order;
    if (sorted_) orderDirty_ = true;
}

void ListView::SetSorted(bool sorted) {
    // Switching sorting off keeps the order the list has now.
    if (!sorted) EnsureOrder();
    sorted_ = sorted;
    if (sorted_) orderDirty_ = true;
}

void ListView::MarkUnsorted(int changedColumn) {
    if (sorted_ && changedColumn == sortKey_) orderDirty_ = true;
}

void ListView::EnsureOrder() const {
    if (!orderDirty_) return;
    orderDirty_ = false;
    // A sort key past the last column sorts by empty texts: order unchanged.
    const bool keyExists = sortKey_ == 0 || sortKey_ < ColumnCount();
    if (keyExists) {
        std::vector<std::pair<std::u32string, std::unique_ptr<ListItem>>> keyed;
        keyed.reserve(items_.size());
        for (auto& p : items_) {
            keyed.emplace_back(CollationKey(p->ColumnText(sortKey_)), std::move(p));
        }
        const bool descending = sortOrder_ == SortOrder::Descending;
        std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
            return descending ? b.first < a.first : a.first < b.first;
        });
        for (std::size_t i = 0; i < keyed.size(); ++i) items_[i] = std::move(keyed[i].second);
    }
    for (std::size_t i = 0; i < items_.size(); ++i) items_[i]->position_ = i;
}

int ListView::CompareText(std::string_view a, std::string_view b) {
    const std::u32string ka = CollationKey(a);
    const std::u32string kb = CollationKey(b);
    return ka < kb ? -1 : (kb < ka ? 1 : 0);
}

bool ListView::UserClickItem(ListItem& item) {
    CheckOwn(item);
    if (!AcceptsInput()) return false;
    selected_ = &item;
    ItemClick.Raise(item);
    return true;
}

bool ListView::UserClickColumn(int index) {
    const ColumnHeader header = Column(index);
    if (!AcceptsInput()) return false;
    ColumnClick.Raise(header);
    return true;
}

bool ListView::UserMoveMouse(int button, int shift, double x, double y) {
    if (!AcceptsInput()) return false;
    MouseMove.Raise(button, shift, x, y);
    return true;
}

}  // namespace kv::ui
