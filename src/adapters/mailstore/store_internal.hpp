#pragma once
// The objects behind the stand-in host. Every object refers back to the store
// state weakly, so dropping the MailStore ends everything it owns; a call on
// an object whose store or window is gone throws hosterr::ObjectGone.
#include <filesystem>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "adapters/mailmsg/mail_data.hpp"
#include "adapters/mailstore/mail_store.hpp"
#include "adapters/mailstore/manifest.hpp"
#include "adapters/mailstore/text_items.hpp"

namespace kv::mailstore {

// The store reads and writes its mails through the mailmsg library.
using mailmsg::IsValidAddress;
using mailmsg::MailData;
using mailmsg::ParseMail;
using mailmsg::PrepareForSend;

class StoreApplication;
class StoreExplorer;
class StoreInspector;
class StoreItem;
class StoreCommandBars;

[[noreturn]] void Gone(const std::string& what);
[[noreturn]] void NotSupported(const std::string& what);
bool IsItemFile(const std::filesystem::path& path);
// Written beside and renamed over the file.
void WriteItemFile(const std::filesystem::path& path, const std::string& content);

class StoreFolder : public outlook::Folder {
public:
    StoreFolder(std::filesystem::path dir, FolderKind kind) : dir_(std::move(dir)), kind_(std::move(kind)) {}
    std::string Name() const override { return kind_.name; }
    std::string DefaultMessageClass() const override { return kind_.messageClass; }
    const std::filesystem::path& Dir() const { return dir_; }
    const FolderKind& Kind() const { return kind_; }

private:
    std::filesystem::path dir_;
    FolderKind kind_;
};

// What was read from an item's file.
struct ItemContent {
    std::string raw;  // the file's bytes, as read
    std::optional<MailData> mail;
    std::optional<CardData> card;
};

// The few items read last. Items are read on demand and most are never read
// again, so a store of any size holds only these in memory.
class ItemCache {
public:
    std::shared_ptr<const ItemContent> Find(const std::string& entryId);
    void Put(const std::string& entryId, std::shared_ptr<const ItemContent> content);
    void Forget(const std::string& entryId);

private:
    static constexpr std::size_t kCapacity = 4;
    std::list<std::pair<std::string, std::shared_ptr<const ItemContent>>> recent_;  // the last used first
};

// Held while a store is open: the stores of one process on one directory
// share it, and another process waits in LockStore until it is let go, so
// two programs never change one store at once.
class StoreLock;
std::shared_ptr<StoreLock> LockStore(const std::filesystem::path& root);

struct StoreState : std::enable_shared_from_this<StoreState> {
    std::shared_ptr<StoreLock> lock;  // first in, last out
    std::filesystem::path root;
    Manifest manifest;
    StoreOptions options;
    std::vector<std::shared_ptr<StoreFolder>> folders;
    // By entry id, the key the item's own: the store's one index of its items.
    std::map<std::string_view, std::shared_ptr<StoreItem>> items;
    ItemCache cache;
    std::vector<std::shared_ptr<StoreExplorer>> explorers;    // open ones, the active one last
    std::vector<std::shared_ptr<StoreInspector>> inspectors;  // open ones
    std::shared_ptr<StoreApplication> app;
    std::set<std::filesystem::path> sweptFolders;  // cleared of stale temporary files once
    NativeWindow windowsMade = 0;                  // each window gets its own handle, never 0
    outlook::Event<std::shared_ptr<outlook::Inspector>> newInspector;
    outlook::Event<std::shared_ptr<outlook::Explorer>> newExplorer;

    std::filesystem::path ManifestFile() const { return root / "manifest.txt"; }
    void SaveManifest();
    // Records where one item's file is now, without rewriting the manifest.
    void SaveItemEntry(const StoreItem& item);
    std::string NewEntryId();
    std::shared_ptr<StoreFolder> FolderByName(const std::string& name) const;  // empty when none
    std::shared_ptr<StoreFolder> FolderOf(const StoreItem& item) const;
    std::shared_ptr<StoreItem> AddItem(const std::string& relativePath, std::string entryId = {});
    // Moves an item's file into folder under a free name; returns the new relative path.
    std::string MoveFile(StoreItem& item, const StoreFolder& folder, const std::string* newContent = nullptr);
    void CloseInspectorsOf(const StoreItem& item);
    void CloseInspector(StoreInspector& inspector);
    void CloseExplorer(StoreExplorer& explorer);
    // Records or forgets a toolbar that is kept between runs.
    void KeepBar(const KeptBar& bar);
    void ForgetBar(const std::string& windowKind, const std::string& name);
    DateTime Now() const;
};

std::shared_ptr<StoreState> Lock(const std::weak_ptr<StoreState>& weak);

class StoreItem : public outlook::Item, public std::enable_shared_from_this<StoreItem> {
public:
    StoreItem(std::weak_ptr<StoreState> state, std::string entryId, std::string relativePath);

    std::int32_t Class() const override { return CheckLive(), class_; }
    std::string EntryID() const override { return CheckLive(), entryId_; }
    std::string Subject() const override;
    bool Sent() const override;
    DateTime ReceivedTime() const override;
    std::int32_t Importance() const override;
    void Move(outlook::Folder& destination) override;
    void Close(std::int32_t mode) override;
    std::shared_ptr<outlook::Application> GetApplication() const override;

    // The entry id even of an item sent away.
    const std::string& Id() const { return entryId_; }
    const std::string& RelativePath() const { return relativePath_; }
    void SetRelativePath(std::string path) { relativePath_ = std::move(path); }
    std::filesystem::path Path() const;
    // The mail as read from its file; throws NotSupported for other items.
    std::shared_ptr<const MailData> Mail() const;
    // The file's bytes, as last read; a mail's must read as one.
    std::string Raw() const;
    // The file was rewritten: what was read from it is dropped.
    void Reload();
    bool IsUnsent() const;
    // The host took the item away (sent): every call on this object fails.
    void MarkGone() { gone_ = true; }

private:
    void CheckLive() const;
    std::shared_ptr<const ItemContent> Load() const;
    std::weak_ptr<StoreState> state_;
    std::string entryId_, relativePath_;
    std::int32_t class_;
    bool gone_ = false;
};

class StoreApplication : public outlook::Application {
public:
    explicit StoreApplication(std::weak_ptr<StoreState> state) : state_(std::move(state)) {}
    std::shared_ptr<outlook::NameSpace> GetNamespace(const std::string& type) override;
    std::shared_ptr<outlook::Explorer> ActiveExplorer() override;
    std::shared_ptr<outlook::Explorers> GetExplorers() override;
    std::shared_ptr<outlook::Inspectors> GetInspectors() override;

private:
    std::weak_ptr<StoreState> state_;
};

class StoreCommandBars;

class StoreExplorer : public outlook::Explorer, public std::enable_shared_from_this<StoreExplorer> {
public:
    StoreExplorer(std::weak_ptr<StoreState> state, std::shared_ptr<StoreFolder> folder);
    void Init();  // builds the command bars once shared_from_this works
    std::shared_ptr<outlook::CommandBars> GetCommandBars() override;
    std::shared_ptr<outlook::Application> GetApplication() const override;
    NativeWindow Handle() const override;
    std::shared_ptr<outlook::Folder> GetCurrentFolder() const override;
    std::shared_ptr<outlook::Selection> GetSelection() const override;
    outlook::Subscription OnBeforeFolderSwitch(
        std::function<void(std::shared_ptr<outlook::Folder>, bool&)> handler) override;
    outlook::Subscription OnClose(std::function<void()> handler) override;

    bool IsOpen() const { return open_; }
    void CheckOpen() const;
    bool Switch(const std::shared_ptr<StoreFolder>& folder);
    void SetSelection(std::vector<std::shared_ptr<outlook::Item>> items);
    void CloseWindow();
    const std::shared_ptr<StoreCommandBars>& Bars() const { return bars_; }

private:
    std::weak_ptr<StoreState> state_;
    std::shared_ptr<StoreFolder> folder_;
    std::vector<std::shared_ptr<outlook::Item>> selection_;
    std::shared_ptr<StoreCommandBars> bars_;
    outlook::Event<std::shared_ptr<outlook::Folder>, bool&> beforeFolderSwitch_;
    outlook::Event<> close_;
    bool open_ = true;
    NativeWindow handle_ = 0;
};

class StoreInspector : public outlook::Inspector, public std::enable_shared_from_this<StoreInspector> {
public:
    StoreInspector(std::weak_ptr<StoreState> state, std::shared_ptr<StoreItem> item);
    void Init();
    std::shared_ptr<outlook::CommandBars> GetCommandBars() override;
    std::shared_ptr<outlook::Application> GetApplication() const override;
    NativeWindow Handle() const override;
    std::shared_ptr<outlook::Item> GetCurrentItem() const override;
    outlook::Subscription OnClose(std::function<void()> handler) override;

    bool IsOpen() const { return open_; }
    bool Shows(const StoreItem& item) const { return item_.get() == &item; }
    void CloseWindow();
    const std::shared_ptr<StoreCommandBars>& Bars() const { return bars_; }

private:
    void CheckOpen() const;
    std::weak_ptr<StoreState> state_;
    std::shared_ptr<StoreItem> item_;
    std::shared_ptr<StoreCommandBars> bars_;
    outlook::Event<> close_;
    bool open_ = true;
    NativeWindow handle_ = 0;
};

// Command bars of one window; defined in store_bars.cpp.
std::shared_ptr<StoreCommandBars> MakeCommandBars(std::weak_ptr<StoreState> state, std::string windowKind,
                                                  std::weak_ptr<outlook::Window> window);
std::shared_ptr<outlook::CommandBars> AsPort(const std::shared_ptr<StoreCommandBars>& bars);
// Every live button of the bars.
void CollectButtons(const StoreCommandBars& bars, std::vector<std::shared_ptr<outlook::CommandBarButton>>& out);
void CloseBars(StoreCommandBars& bars);
// Raises the button's own Click event.
void RaiseClick(outlook::CommandBarButton& target, const std::shared_ptr<outlook::CommandBarButton>& ctrl,
                bool& cancelDefault);
bool IsStoreButton(const outlook::CommandBarButton& button);

std::unique_ptr<outlook::MailWrapper> MakeMailWrapper(std::weak_ptr<StoreState> state);

}  // namespace kv::mailstore
