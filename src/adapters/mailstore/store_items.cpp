// Folders, items, the application and the namespace of the stand-in host.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>

#include "adapters/mailstore/store_internal.hpp"
#include "support/utf.hpp"

namespace kv::mailstore {

namespace fs = std::filesystem;

void Gone(const std::string& what) { throw Error(outlook::hosterr::ObjectGone, "MailStore", what); }
void NotSupported(const std::string& what) {
    throw Error(outlook::hosterr::NotSupported, "MailStore", "Object doesn't support this property or method: " + what);
}

std::shared_ptr<StoreState> Lock(const std::weak_ptr<StoreState>& weak) {
    auto state = weak.lock();
    if (!state) Gone("The mail store is closed");
    return state;
}

namespace {

// Outlook's value for "no date".
constexpr DateTime kNoDate{4501, 1, 1, 0, 0, 0};

std::int32_t ClassOfFile(const std::string& path) {
    std::string ext = utf::AsciiLower(fs::path(path).extension().string());
    if (ext == ".ics") return outlook::itemclass::Appointment;
    if (ext == ".vcf") return outlook::itemclass::Contact;
    return outlook::itemclass::Mail;
}

std::string ReadFile(const fs::path& path) {
    const auto unreadable = [&](int err) {
        Gone("The item's file " + path.string() + " could not be read: " + std::generic_category().message(err));
    };
    // A file that became a link since it was found is no item of the store.
    // Not blocking: a pipe put in its place must not hang the store.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno != ENOENT && errno != ELOOP && errno != ENOTDIR) unreadable(errno);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        Gone("The item's file " + path.string() + " is missing or not a file of the store");
    }
    // Read whole, in as few reads as its size allows: no stream copies. One
    // byte more than the size finds the end without a larger buffer.
    std::string raw(static_cast<std::size_t>(st.st_size) + 1, '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == raw.size()) raw.resize(raw.size() + 4096);  // grown since the stat
        const ssize_t n = ::read(fd, raw.data() + got, raw.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            unreadable(err);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    raw.resize(got);
    return raw;
}

// When the mail reached the store: its file's time, in UTC.
std::optional<DateTime> ArrivalTime(const fs::path& path) {
    std::error_code ec;
    auto written = fs::last_write_time(path, ec);
    if (ec) return std::nullopt;
    auto system = std::chrono::file_clock::to_sys(written);
    std::time_t t =
        std::chrono::system_clock::to_time_t(std::chrono::time_point_cast<std::chrono::system_clock::duration>(system));
    std::tm tm{};
    if (!gmtime_r(&t, &tm)) return std::nullopt;
    return DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

std::shared_ptr<const ItemContent> ItemCache::Find(const std::string& entryId) {
    auto it = std::find_if(recent_.begin(), recent_.end(), [&](const auto& e) { return e.first == entryId; });
    if (it == recent_.end()) return nullptr;
    recent_.splice(recent_.begin(), recent_, it);
    return recent_.front().second;
}

void ItemCache::Put(const std::string& entryId, std::shared_ptr<const ItemContent> content) {
    Forget(entryId);
    recent_.emplace_front(entryId, std::move(content));
    if (recent_.size() > kCapacity) recent_.pop_back();
}

void ItemCache::Forget(const std::string& entryId) {
    std::erase_if(recent_, [&](const auto& e) { return e.first == entryId; });
}

void WriteItemFile(const fs::path& path, const std::string& content) {
    auto temp = path;
    temp += ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << content;
        out.close();
        if (!out) throw Error(outlook::hosterr::Failed, "MailStore", "Cannot write " + temp.string());
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) throw Error(outlook::hosterr::Failed, "MailStore", "Cannot write " + path.string() + ": " + ec.message());
}

bool IsItemFile(const fs::path& path) {
    std::string ext = utf::AsciiLower(path.extension().string());
    return ext == ".eml" || ext == ".ics" || ext == ".vcf";
}

// ---- state ----

std::string StoreState::NewEntryId() {
    char text[40];
    std::snprintf(text, sizeof text, "000000004B564D53%016llX", static_cast<unsigned long long>(manifest.nextId++));
    return text;
}

std::shared_ptr<StoreFolder> StoreState::FolderByName(const std::string& name) const {
    for (const auto& f : folders)
        if (f->Name() == name) return f;
    return nullptr;
}

std::shared_ptr<StoreFolder> StoreState::FolderOf(const StoreItem& item) const {
    std::string folder = fs::path(item.RelativePath()).parent_path().generic_string();
    return FolderByName(folder);
}

void StoreState::SaveManifest() {
    manifest.Save(ManifestFile(), [&](const auto& write) {
        for (const auto& [id, item] : items) write(item->Id(), item->RelativePath());
    });
}

void StoreState::SaveItemEntry(const StoreItem& item) {
    if (!manifest.AppendItem(ManifestFile(), item.Id(), item.RelativePath())) SaveManifest();
}

std::shared_ptr<StoreItem> StoreState::AddItem(const std::string& relativePath, std::string entryId) {
    if (entryId.empty()) entryId = NewEntryId();
    auto item = std::make_shared<StoreItem>(weak_from_this(), std::move(entryId), relativePath);
    // The key is the new item's own id, not that of an item it replaces.
    items.erase(item->Id());
    items.emplace(item->Id(), item);
    return item;
}

std::string StoreState::MoveFile(StoreItem& item, const StoreFolder& folder, const std::string* newContent) {
    fs::path source = item.Path();
    fs::path name = source.filename();
    fs::path target = folder.Dir() / name;
    for (int n = 2; fs::exists(target) && target != source; ++n)
        target = folder.Dir() / (name.stem().string() + " (" + std::to_string(n) + ")" + name.extension().string());
    if (newContent) {
        WriteItemFile(target, *newContent);
        if (target != source) fs::remove(source);
    } else if (target != source) {
        std::error_code ec;
        fs::rename(source, target, ec);
        if (ec)
            throw Error(outlook::hosterr::Failed, "MailStore", "Cannot move " + source.string() + ": " + ec.message());
    }
    std::string relative = folder.Name() + "/" + target.filename().string();
    item.SetRelativePath(relative);
    SaveItemEntry(item);
    return relative;
}

void StoreState::CloseInspectorsOf(const StoreItem& item) {
    auto open = inspectors;
    for (auto& inspector : open)
        if (inspector->Shows(item)) CloseInspector(*inspector);
}

void StoreState::CloseInspector(StoreInspector& inspector) {
    if (!inspector.IsOpen()) return;
    auto keep = inspector.shared_from_this();
    inspector.CloseWindow();  // raises Close while still counted
    std::erase_if(inspectors, [&](const auto& i) { return i.get() == &inspector; });
}

void StoreState::CloseExplorer(StoreExplorer& explorer) {
    if (!explorer.IsOpen()) return;
    auto keep = explorer.shared_from_this();
    explorer.CloseWindow();
    std::erase_if(explorers, [&](const auto& e) { return e.get() == &explorer; });
}

void StoreState::KeepBar(const KeptBar& bar) {
    auto& bars = manifest.bars;
    auto it = std::find_if(bars.begin(), bars.end(),
                           [&](const KeptBar& b) { return b.windowKind == bar.windowKind && b.name == bar.name; });
    if (it == bars.end()) bars.push_back(bar);
    else *it = bar;
    SaveManifest();
}

void StoreState::ForgetBar(const std::string& windowKind, const std::string& name) {
    std::erase_if(manifest.bars, [&](const KeptBar& b) { return b.windowKind == windowKind && b.name == name; });
    SaveManifest();
}

DateTime StoreState::Now() const {
    if (options.now) return options.now();
    std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
    gmtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// ---- items ----

StoreItem::StoreItem(std::weak_ptr<StoreState> state, std::string entryId, std::string relativePath)
    : state_(std::move(state)),
      entryId_(std::move(entryId)),
      relativePath_(std::move(relativePath)),
      class_(ClassOfFile(relativePath_)) {}

void StoreItem::CheckLive() const {
    if (gone_) Gone("The item has been sent; it is no longer in the folder it was in");
}

fs::path StoreItem::Path() const { return Lock(state_)->root / relativePath_; }

std::shared_ptr<const ItemContent> StoreItem::Load() const {
    auto state = Lock(state_);
    if (auto content = state->cache.Find(entryId_)) return content;
    fs::path path = Path();
    auto content = std::make_shared<ItemContent>();
    content->raw = ReadFile(path);
    const std::string& raw = content->raw;
    if (class_ == outlook::itemclass::Mail) content->mail = ParseMail(raw, ArrivalTime(path), path.string());
    else content->card = class_ == outlook::itemclass::Appointment ? ParseCalendar(raw) : ParseContact(raw);
    state->cache.Put(entryId_, content);
    return content;
}

std::string StoreItem::Raw() const {
    CheckLive();
    return Load()->raw;
}

void StoreItem::Reload() { Lock(state_)->cache.Forget(entryId_); }

std::shared_ptr<const MailData> StoreItem::Mail() const {
    CheckLive();
    if (class_ != outlook::itemclass::Mail) NotSupported("this item is not a mail");
    auto content = Load();
    return {content, &*content->mail};
}

std::string StoreItem::Subject() const {
    CheckLive();
    auto content = Load();
    return content->mail ? content->mail->subject : content->card->subject;
}

bool StoreItem::IsUnsent() const {
    if (Mail()->unsentFlag) return true;
    auto folder = Lock(state_)->FolderOf(*this);
    return folder && folder->Kind().defaultNumber == outlook::defaultfolder::Drafts;
}

bool StoreItem::Sent() const { return !IsUnsent(); }
// A mail not sent yet has not been received either.
DateTime StoreItem::ReceivedTime() const { return IsUnsent() ? kNoDate : Mail()->receivedTime.value_or(kNoDate); }
std::int32_t StoreItem::Importance() const { return Mail()->importance; }

void StoreItem::Move(outlook::Folder& destination) {
    CheckLive();
    auto state = Lock(state_);
    auto* folder = dynamic_cast<StoreFolder*>(&destination);
    if (!folder || state->FolderByName(folder->Name()).get() != folder)
        throw Error(errnum::InvalidArgument, "MailStore", "The folder is not one of this store");
    if (state->items.count(entryId_) == 0) Gone("The item was deleted");
    state->MoveFile(*this, *folder);
}

void StoreItem::Close(std::int32_t mode) {
    CheckLive();
    auto state = Lock(state_);
    if (mode < outlook::closemode::Save || mode > outlook::closemode::PromptForSave)
        throw Error(errnum::InvalidArgument, "MailStore", "Invalid close mode " + std::to_string(mode));
    // Nothing is edited in memory, so saving and discarding both just close.
    state->CloseInspectorsOf(*this);
}

std::shared_ptr<outlook::Application> StoreItem::GetApplication() const {
    CheckLive();
    return Lock(state_)->app;
}

// ---- application and namespace ----

namespace {

class StoreNameSpace : public outlook::NameSpace {
public:
    explicit StoreNameSpace(std::weak_ptr<StoreState> state) : state_(std::move(state)) {}
    std::shared_ptr<outlook::Folder> GetDefaultFolder(std::int32_t folderType) override {
        for (const auto& f : Lock(state_)->folders)
            if (f->Kind().defaultNumber == folderType) return f;
        throw Error(outlook::hosterr::Failed, "NameSpace",
                    "The store has no default folder " + std::to_string(folderType));
    }
    std::shared_ptr<outlook::Item> GetItemFromID(const std::string& entryId) override {
        auto state = Lock(state_);
        auto it = state->items.find(entryId);
        if (it == state->items.end())
            throw Error(outlook::hosterr::Failed, "NameSpace", "No item has the entry id \"" + entryId + "\"");
        return it->second;
    }

private:
    std::weak_ptr<StoreState> state_;
};

class StoreExplorers : public outlook::Explorers {
public:
    explicit StoreExplorers(std::weak_ptr<StoreState> state) : state_(std::move(state)) {}
    std::int32_t Count() const override { return static_cast<std::int32_t>(Lock(state_)->explorers.size()); }
    std::shared_ptr<outlook::Explorer> Item(std::int32_t index) override {
        auto state = Lock(state_);
        if (index < 1 || index > Count())
            throw Error(outlook::hosterr::InvalidIndex, "Explorers",
                        "No explorer at position " + std::to_string(index));
        return state->explorers[static_cast<std::size_t>(index - 1)];
    }
    outlook::Subscription OnNewExplorer(std::function<void(std::shared_ptr<outlook::Explorer>)> handler) override {
        return Lock(state_)->newExplorer.Subscribe(std::move(handler));
    }

private:
    std::weak_ptr<StoreState> state_;
};

class StoreInspectors : public outlook::Inspectors {
public:
    explicit StoreInspectors(std::weak_ptr<StoreState> state) : state_(std::move(state)) {}
    std::int32_t Count() const override { return static_cast<std::int32_t>(Lock(state_)->inspectors.size()); }
    outlook::Subscription OnNewInspector(std::function<void(std::shared_ptr<outlook::Inspector>)> handler) override {
        return Lock(state_)->newInspector.Subscribe(std::move(handler));
    }

private:
    std::weak_ptr<StoreState> state_;
};

}  // namespace

std::shared_ptr<outlook::NameSpace> StoreApplication::GetNamespace(const std::string& type) {
    Lock(state_);
    if (type != "MAPI") throw Error(errnum::InvalidArgument, "Application", "Unknown namespace \"" + type + "\"");
    return std::make_shared<StoreNameSpace>(state_);
}

std::shared_ptr<outlook::Explorer> StoreApplication::ActiveExplorer() {
    auto state = Lock(state_);
    return state->explorers.empty() ? nullptr : state->explorers.back();
}

std::shared_ptr<outlook::Explorers> StoreApplication::GetExplorers() {
    Lock(state_);
    return std::make_shared<StoreExplorers>(state_);
}

std::shared_ptr<outlook::Inspectors> StoreApplication::GetInspectors() {
    Lock(state_);
    return std::make_shared<StoreInspectors>(state_);
}

}  // namespace kv::mailstore
