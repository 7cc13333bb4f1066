// Opening a mail store, the driver side, and the mail wrapper.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <mutex>

#include "adapters/mailmsg/msg_writer.hpp"
#include "adapters/mailstore/mail_fields.hpp"
#include "adapters/mailstore/stale_temporaries.hpp"
#include "adapters/mailstore/store_internal.hpp"

namespace kv::mailstore {

using mailmsg::MsgFromMail;
using mailmsg::WriteMsg;

namespace fs = std::filesystem;

namespace {

const FolderKind kStandardFolders[] = {
    {"Inbox", "IPM.Note", outlook::defaultfolder::Inbox},
    {"Sent Items", "IPM.Note", outlook::defaultfolder::SentMail},
    {"Drafts", "IPM.Note", outlook::defaultfolder::Drafts},
    {"Deleted Items", "IPM.Note", outlook::defaultfolder::DeletedItems},
    {"Calendar", "IPM.Appointment", outlook::defaultfolder::Calendar},
    {"Contacts", "IPM.Contact", outlook::defaultfolder::Contacts},
};

FolderKind KindForNewDirectory(const std::string& name) {
    for (const auto& kind : kStandardFolders)
        if (kind.name == name) return kind;
    return {name, "IPM.Note", 0};
}

void CheckFolderName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\\t\n\r") != std::string::npos)
        throw Error(errnum::InvalidArgument, "MailStore", "Invalid folder name \"" + name + "\"");
}

// Folders of the manifest, then directories found without an entry; items of
// the manifest whose file is gone are dropped, files found get new ids.
void Scan(StoreState& state) {
    auto& manifest = state.manifest;
    if (manifest.folders.empty())
        for (const auto& kind : kStandardFolders) manifest.folders.push_back(kind);
    // Only what lies in the store is of it: links, wherever they lead, are not.
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(state.root))
        if (entry.is_directory() && !entry.is_symlink()) found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    for (const auto& name : found) {
        bool known = std::any_of(manifest.folders.begin(), manifest.folders.end(),
                                 [&](const FolderKind& f) { return f.name == name; });
        if (!known) manifest.folders.push_back(KindForNewDirectory(name));
    }
    for (const auto& kind : manifest.folders) {
        fs::create_directories(state.root / kind.name);
        state.folders.push_back(std::make_shared<StoreFolder>(state.root / kind.name, kind));
    }

    // Relative path -> entry id. An entry whose file is gone is never found
    // below, and so dropped; the entries move over one by one, so the ids and
    // paths are never held twice.
    std::map<std::string, std::string> byPath;
    while (!manifest.items.empty()) {
        auto entry = manifest.items.extract(manifest.items.begin());
        byPath.insert_or_assign(std::move(entry.mapped()), std::move(entry.key()));
    }
    for (const auto& folder : state.folders) {
        std::vector<std::string> files;
        if (fs::is_symlink(folder->Dir())) continue;
        for (const auto& entry : fs::directory_iterator(folder->Dir()))
            if (entry.symlink_status().type() == fs::file_type::regular && IsItemFile(entry.path()) &&
                entry.path().filename().string()[0] != '.')
                files.push_back(folder->Name() + "/" + entry.path().filename().string());
        std::sort(files.begin(), files.end());
        for (auto& path : files) {
            auto known = byPath.extract(path);
            state.AddItem(path, known ? std::move(known.mapped()) : std::string());
            path = std::string();
        }
    }
    state.SaveManifest();
}

void SweepStaleTemporaries(StoreState& state, const fs::path& folder) {
    if (state.sweptFolders.insert(folder).second) RemoveStaleTemporaries(folder);
}

StoreItem& AsStoreItem(const outlook::Item& item) {
    auto* storeItem = dynamic_cast<const StoreItem*>(&item);
    if (!storeItem) throw Error(errnum::InvalidArgument, "MailStore", "The item is not one of this store");
    return const_cast<StoreItem&>(*storeItem);
}

class StoreMailWrapper : public outlook::MailWrapper {
public:
    explicit StoreMailWrapper(std::weak_ptr<StoreState> state) : state_(std::move(state)) {}

    // The wrapper holds the mail as it was when attached, as an open item
    // does: saving writes that back even when the file went meanwhile.
    void SetItem(std::shared_ptr<outlook::Item> item) override {
        auto mail = outlook::AsMailItem(std::move(item));
        auto& storeItem = AsStoreItem(*mail);
        auto attached = std::static_pointer_cast<StoreItem>(storeItem.shared_from_this());
        raw_ = attached->Raw();
        item_ = std::move(attached);
    }
    std::shared_ptr<outlook::Item> GetItem() const override { return Item(); }

    void Save() override {
        auto& item = *Item();
        WriteItemFile(item.Path(), raw_);
    }

    void SaveAs(const std::string& path, std::int32_t format) override {
        if (format != outlook::SaveAsMsg && format != outlook::SaveAsMsgUnicode)
            throw Error(errnum::InvalidArgument, "MailWrapper", "Unsupported save format " + std::to_string(format));
        if (path.empty()) throw Error(errnum::InvalidArgument, "MailWrapper", "No file name to save the mail to");
        auto& item = *Item();
        SweepStaleTemporaries(*Lock(state_), fs::path(path).parent_path());
        WriteMsg(path, MsgFromMail(*item.Mail(), item.IsUnsent()));
    }

    bool ResolveAll() override {
        for (const auto& r : Item()->Mail()->recipients)
            if (!IsValidAddress(r.address)) return false;
        return true;
    }

    void Send() override {
        auto item = Item();
        auto state = Lock(state_);
        if (!item->IsUnsent()) throw Error(outlook::hosterr::Failed, "MailWrapper", "The mail has been sent already");
        if (item->Mail()->recipients.empty())
            throw Error(outlook::hosterr::Failed, "MailWrapper", "There must be at least one recipient");
        if (!ResolveAll())
            throw Error(outlook::hosterr::Failed, "MailWrapper", "Not every recipient has a valid address");
        const auto& account = state->manifest;
        if (!IsValidAddress(account.accountAddress))
            throw Error(outlook::hosterr::Failed, "MailWrapper", "The store has no account to send from");
        std::string sent = PrepareForSend(raw_, {account.accountName, account.accountAddress}, state->Now());
        auto sentItems = std::find_if(state->folders.begin(), state->folders.end(), [](const auto& f) {
            return f->Kind().defaultNumber == outlook::defaultfolder::SentMail;
        });
        if (sentItems == state->folders.end())
            throw Error(outlook::hosterr::Failed, "MailWrapper", "The store has no Sent Items folder");
        state->MoveFile(*item, **sentItems, &sent);
        item->Reload();
        raw_ = std::move(sent);
        // The window of a sent mail closes, and the item the caller holds is
        // gone: the sent mail is another object, found in Sent Items.
        state->AddItem(item->RelativePath(), item->EntryID());
        state->CloseInspectorsOf(*item);
        item->MarkGone();
    }

    std::unique_ptr<outlook::AddressEntry> Sender() override {
        auto item = Item();
        // As the host's: a draft names the account it is to go from.
        if (!item->Mail()->from) return nullptr;
        return std::make_unique<MailSender>(*item->Mail()->from);
    }
    std::string SenderName() const override { return SenderDisplayName(*Item()->Mail()); }
    std::string To() const override { return JoinNames(Item()->Mail()->recipients, outlook::Recipient::To); }
    std::string Cc() const override { return JoinNames(Item()->Mail()->recipients, outlook::Recipient::Cc); }
    std::string Bcc() const override { return JoinNames(Item()->Mail()->recipients, outlook::Recipient::Bcc); }
    std::vector<outlook::Recipient> Recipients() const override { return Item()->Mail()->recipients; }
    std::string Body() const override { return Item()->Mail()->body; }
    std::int32_t AttachmentCount() const override {
        return static_cast<std::int32_t>(Item()->Mail()->attachments.size());
    }
    std::string Subject() const override { return Item()->Subject(); }
    DateTime ReceivedTime() const override { return Item()->ReceivedTime(); }
    DateTime SentOn() const override {
        auto item = Item();
        return item->IsUnsent() ? DateTime{4501, 1, 1, 0, 0, 0}
                                : item->Mail()->sentOn.value_or(DateTime{4501, 1, 1, 0, 0, 0});
    }

private:
    std::shared_ptr<StoreItem> Item() const {
        Lock(state_);
        if (!item_) throw Error(outlook::hosterr::Failed, "MailWrapper", "No mail is attached to the wrapper");
        return item_;
    }
    std::weak_ptr<StoreState> state_;
    std::shared_ptr<StoreItem> item_;
    std::string raw_;
};

template <class T>
T& AsStore(auto& object, const char* what) {
    auto* concrete = dynamic_cast<T*>(&object);
    if (!concrete)
        throw Error(errnum::InvalidArgument, "MailStore", std::string("The ") + what + " is not one of this store");
    return *concrete;
}

}  // namespace

// An exclusive flock on the store's directory. flock belongs to the open
// file, so the stores of this process share one and never wait for each other.
class StoreLock {
public:
    explicit StoreLock(const fs::path& root) : fd_(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ < 0) throw Error(outlook::hosterr::Failed, "MailStore", "Cannot open the mail store " + root.string());
        int rc;
        while ((rc = flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {}
        if (rc != 0) {
            close(fd_);
            throw Error(outlook::hosterr::Failed, "MailStore", "Cannot lock the mail store " + root.string());
        }
    }
    ~StoreLock() { close(fd_); }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    int fd_;
};

std::shared_ptr<StoreLock> LockStore(const fs::path& root) {
    static std::mutex mutex;
    static std::map<fs::path, std::weak_ptr<StoreLock>> held;
    const fs::path key = fs::weakly_canonical(root);
    const std::lock_guard guard(mutex);
    std::weak_ptr<StoreLock>& slot = held[key];
    std::shared_ptr<StoreLock> lock = slot.lock();
    if (!lock) slot = lock = std::make_shared<StoreLock>(key);
    return lock;
}

std::unique_ptr<outlook::MailWrapper> MakeMailWrapper(std::weak_ptr<StoreState> state) {
    return std::make_unique<StoreMailWrapper>(std::move(state));
}

// ---- MailStore ----

MailStore::MailStore(std::shared_ptr<StoreState> state) : state_(std::move(state)) {}

MailStore::~MailStore() {
    // Windows still open go away with the store; their events are not raised.
    for (auto& e : state_->explorers) CloseBars(*e->Bars());
    for (auto& i : state_->inspectors) CloseBars(*i->Bars());
}

std::shared_ptr<MailStore> MailStore::Open(const fs::path& dir, StoreOptions options) {
    if (dir.empty()) throw Error(errnum::InvalidArgument, "MailStore", "No mail store directory given");
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir))
        throw Error(outlook::hosterr::Failed, "MailStore", "Cannot open the mail store " + dir.string());
    auto state = std::make_shared<StoreState>();
    state->root = fs::absolute(dir);
    state->lock = LockStore(state->root);
    state->options = std::move(options);
    Manifest::RemoveLeftovers(state->ManifestFile());
    state->manifest = Manifest::Load(state->ManifestFile());
    state->app = std::make_shared<StoreApplication>(state);
    Scan(*state);
    return std::shared_ptr<MailStore>(new MailStore(std::move(state)));
}

std::shared_ptr<MailStore> MailStore::Create(const fs::path& dir, const std::string& accountName,
                                             const std::string& accountAddress, StoreOptions options) {
    if (!IsValidAddress(accountAddress))
        throw Error(errnum::InvalidArgument, "MailStore", "Invalid account address \"" + accountAddress + "\"");
    auto store = Open(dir, std::move(options));
    store->state_->manifest.accountName = accountName;
    store->state_->manifest.accountAddress = accountAddress;
    store->state_->SaveManifest();
    return store;
}

std::shared_ptr<outlook::Application> MailStore::GetApplication() const { return state_->app; }
std::unique_ptr<outlook::MailWrapper> MailStore::CreateMailWrapper() { return MakeMailWrapper(state_); }
const fs::path& MailStore::Root() const { return state_->root; }

std::shared_ptr<outlook::Folder> MailStore::GetFolder(const std::string& name) const {
    auto folder = state_->FolderByName(name);
    if (!folder) throw Error(outlook::hosterr::InvalidIndex, "MailStore", "No folder named \"" + name + "\"");
    return folder;
}

std::shared_ptr<outlook::Folder> MailStore::AddFolder(const std::string& name, const std::string& messageClass) {
    CheckFolderName(name);
    if (auto existing = state_->FolderByName(name)) return existing;
    FolderKind kind{name, messageClass, 0};
    fs::create_directories(state_->root / name);
    state_->manifest.folders.push_back(kind);
    auto folder = std::make_shared<StoreFolder>(state_->root / name, kind);
    state_->folders.push_back(folder);
    state_->SaveManifest();
    return folder;
}

std::vector<std::shared_ptr<outlook::Item>> MailStore::Items(const std::string& folderName) const {
    auto folder = GetFolder(folderName);
    std::vector<std::shared_ptr<outlook::Item>> items;
    for (const auto& [id, item] : state_->items)
        if (state_->FolderOf(*item) == folder) items.push_back(item);
    std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
        return static_cast<StoreItem&>(*a).RelativePath() < static_cast<StoreItem&>(*b).RelativePath();
    });
    return items;
}

std::shared_ptr<outlook::Item> MailStore::AddItemFile(const std::string& folderName, const fs::path& source) {
    auto folder = std::static_pointer_cast<StoreFolder>(GetFolder(folderName));
    if (!IsItemFile(source))
        throw Error(errnum::InvalidArgument, "MailStore",
                    "Not a mail, appointment or contact file: " + source.string());
    fs::path name = source.filename();
    fs::path target = folder->Dir() / name;
    for (int n = 2; fs::exists(target); ++n)
        target = folder->Dir() / (name.stem().string() + " (" + std::to_string(n) + ")" + name.extension().string());
    std::error_code ec;
    fs::copy_file(source, target, ec);
    if (ec) throw Error(outlook::hosterr::Failed, "MailStore", "Cannot copy " + source.string() + ": " + ec.message());
    auto item = state_->AddItem(folder->Name() + "/" + target.filename().string());
    state_->SaveItemEntry(*item);
    return item;
}

fs::path MailStore::PathOf(const outlook::Item& item) const { return AsStoreItem(item).Path(); }

std::shared_ptr<outlook::Explorer> MailStore::OpenExplorer(const std::string& folderName) {
    auto folder = std::static_pointer_cast<StoreFolder>(GetFolder(folderName));
    auto explorer = std::make_shared<StoreExplorer>(state_, folder);
    explorer->Init();
    state_->explorers.push_back(explorer);
    state_->newExplorer.Raise(explorer);
    return explorer;
}

bool MailStore::SwitchFolder(outlook::Explorer& explorer, const std::string& folderName) {
    auto folder = std::static_pointer_cast<StoreFolder>(GetFolder(folderName));
    return AsStore<StoreExplorer>(explorer, "explorer").Switch(folder);
}

void MailStore::Select(outlook::Explorer& explorer, const std::vector<std::shared_ptr<outlook::Item>>& items) {
    AsStore<StoreExplorer>(explorer, "explorer").SetSelection(items);
}

void MailStore::CloseExplorer(outlook::Explorer& explorer) {
    state_->CloseExplorer(AsStore<StoreExplorer>(explorer, "explorer"));
}

std::shared_ptr<outlook::Inspector> MailStore::OpenInspector(const std::shared_ptr<outlook::Item>& item) {
    if (!item) throw Error(errnum::InvalidArgument, "MailStore", "No item to open");
    auto& storeItem = AsStoreItem(*item);
    if (state_->items.count(storeItem.EntryID()) == 0) Gone("The item was deleted");
    auto inspector =
        std::make_shared<StoreInspector>(state_, std::static_pointer_cast<StoreItem>(storeItem.shared_from_this()));
    inspector->Init();
    state_->inspectors.push_back(inspector);
    state_->newInspector.Raise(inspector);
    return inspector;
}

void MailStore::CloseInspector(outlook::Inspector& inspector) {
    state_->CloseInspector(AsStore<StoreInspector>(inspector, "inspector"));
}

bool MailStore::Click(outlook::CommandBarButton& button) {
    if (!IsStoreButton(button))
        throw Error(errnum::InvalidArgument, "MailStore", "The button is not one of this store");
    std::string tag = button.Tag();  // throws for a deleted button
    if (!button.Visible()) throw Error(outlook::hosterr::Failed, "MailStore", "The button is hidden");
    std::vector<std::shared_ptr<outlook::CommandBarButton>> all;
    for (const auto& e : state_->explorers) CollectButtons(*e->Bars(), all);
    for (const auto& i : state_->inspectors) CollectButtons(*i->Bars(), all);
    std::shared_ptr<outlook::CommandBarButton> clicked;
    for (const auto& b : all)
        if (b.get() == &button) clicked = b;
    if (!clicked) throw Error(outlook::hosterr::Failed, "MailStore", "The button is not on an open window");
    // A click in an explorer makes it the active one.
    for (const auto& e : std::vector(state_->explorers)) {
        std::vector<std::shared_ptr<outlook::CommandBarButton>> own;
        CollectButtons(*e->Bars(), own);
        if (std::find(own.begin(), own.end(), clicked) == own.end()) continue;
        std::erase(state_->explorers, e);
        state_->explorers.push_back(e);
    }
    bool cancelDefault = false;
    for (const auto& b : all)
        if (b == clicked || (!tag.empty() && b->Tag() == tag)) RaiseClick(*b, clicked, cancelDefault);
    return cancelDefault;
}

}  // namespace kv::mailstore
