// Explorer and inspector windows of the stand-in host.
#include "adapters/mailstore/store_internal.hpp"

namespace kv::mailstore {
namespace {

class StoreSelection : public outlook::Selection {
public:
    explicit StoreSelection(std::vector<std::shared_ptr<outlook::Item>> items) : items_(std::move(items)) {}
    std::int32_t Count() const override { return static_cast<std::int32_t>(items_.size()); }
    std::shared_ptr<outlook::Item> Item(std::int32_t index) const override {
        if (index < 1 || index > Count())
            throw Error(outlook::hosterr::InvalidIndex, "Selection",
                        "No selected item at position " + std::to_string(index));
        return items_[static_cast<std::size_t>(index - 1)];
    }

private:
    std::vector<std::shared_ptr<outlook::Item>> items_;
};

}  // namespace

// ---- explorer ----

StoreExplorer::StoreExplorer(std::weak_ptr<StoreState> state, std::shared_ptr<StoreFolder> folder)
    : state_(std::move(state)), folder_(std::move(folder)) {}

void StoreExplorer::Init() {
    bars_ = MakeCommandBars(state_, "explorer", weak_from_this());
    handle_ = ++Lock(state_)->windowsMade;
}

NativeWindow StoreExplorer::Handle() const {
    CheckOpen();
    return handle_;
}

void StoreExplorer::CheckOpen() const {
    Lock(state_);
    if (!open_) Gone("The explorer is closed");
}

std::shared_ptr<outlook::CommandBars> StoreExplorer::GetCommandBars() {
    CheckOpen();
    return AsPort(bars_);
}

std::shared_ptr<outlook::Application> StoreExplorer::GetApplication() const { return Lock(state_)->app; }

std::shared_ptr<outlook::Folder> StoreExplorer::GetCurrentFolder() const {
    CheckOpen();
    return folder_;
}

std::shared_ptr<outlook::Selection> StoreExplorer::GetSelection() const {
    CheckOpen();
    // Items moved away since they were selected are no longer in the selection.
    auto state = Lock(state_);
    std::vector<std::shared_ptr<outlook::Item>> items;
    for (const auto& item : selection_)
        if (state->FolderOf(static_cast<const StoreItem&>(*item)) == folder_) items.push_back(item);
    return std::make_shared<StoreSelection>(std::move(items));
}

outlook::Subscription StoreExplorer::OnBeforeFolderSwitch(
    std::function<void(std::shared_ptr<outlook::Folder>, bool&)> handler) {
    CheckOpen();
    return beforeFolderSwitch_.Subscribe(std::move(handler));
}

outlook::Subscription StoreExplorer::OnClose(std::function<void()> handler) {
    CheckOpen();
    return close_.Subscribe(std::move(handler));
}

bool StoreExplorer::Switch(const std::shared_ptr<StoreFolder>& folder) {
    CheckOpen();
    bool cancel = false;
    beforeFolderSwitch_.Raise(folder, cancel);
    if (cancel) return false;
    folder_ = folder;
    selection_.clear();
    return true;
}

void StoreExplorer::SetSelection(std::vector<std::shared_ptr<outlook::Item>> items) {
    CheckOpen();
    auto state = Lock(state_);
    for (const auto& item : items) {
        auto* storeItem = dynamic_cast<const StoreItem*>(item.get());
        if (!storeItem || state->FolderOf(*storeItem) != folder_)
            throw Error(errnum::InvalidArgument, "Explorer", "Only items of the folder shown can be selected");
    }
    selection_ = std::move(items);
}

void StoreExplorer::CloseWindow() {
    close_.Raise();
    open_ = false;
    selection_.clear();
    CloseBars(*bars_);
}

// ---- inspector ----

StoreInspector::StoreInspector(std::weak_ptr<StoreState> state, std::shared_ptr<StoreItem> item)
    : state_(std::move(state)), item_(std::move(item)) {}

void StoreInspector::Init() {
    bars_ = MakeCommandBars(state_, "inspector", weak_from_this());
    handle_ = ++Lock(state_)->windowsMade;
}

NativeWindow StoreInspector::Handle() const {
    CheckOpen();
    return handle_;
}

void StoreInspector::CheckOpen() const {
    Lock(state_);
    if (!open_) Gone("The inspector is closed");
}

std::shared_ptr<outlook::CommandBars> StoreInspector::GetCommandBars() {
    CheckOpen();
    return AsPort(bars_);
}

std::shared_ptr<outlook::Application> StoreInspector::GetApplication() const { return Lock(state_)->app; }

std::shared_ptr<outlook::Item> StoreInspector::GetCurrentItem() const {
    CheckOpen();
    return item_;
}

outlook::Subscription StoreInspector::OnClose(std::function<void()> handler) {
    CheckOpen();
    return close_.Subscribe(std::move(handler));
}

void StoreInspector::CloseWindow() {
    close_.Raise();
    open_ = false;
    CloseBars(*bars_);
}

}  // namespace kv::mailstore
