#include "app/import_witness.hpp"

#include <sys/statvfs.h>

#include <filesystem>

namespace kv::app {
namespace {

// Runs body; a kv::Error it throws is noted in slot and passed on.
template <class Body>
auto Noting(std::optional<std::string>& slot, Body body) -> decltype(body()) {
    try {
        return body();
    } catch (const Error& e) {
        slot = e.Description();
        throw;
    }
}

}  // namespace

std::string DiskTrouble(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    struct statvfs fs {};
    if (folder.empty() || statvfs(folder.c_str(), &fs) != 0) return {};
    if (fs.f_flag & ST_RDONLY) return "the file system of " + folder + " is read-only";
    // Less than a small mail's room is no room.
    if (static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize < 64ULL * 1024)
        return "the disk of " + folder + " is full";
    return {};
}

class ImportWitness::Connector : public db::DatabaseConnector {
public:
    Connector(db::DatabaseConnector& inner, std::optional<std::string>& failure) : inner_(inner), failure_(failure) {}
    std::unique_ptr<db::Connection> Open(const db::ProviderFields& connection, const std::string& odbcDriver) override {
        return Noting(failure_, [&] { return inner_.Open(connection, odbcDriver); });
    }

private:
    db::DatabaseConnector& inner_;
    std::optional<std::string>& failure_;
};

class ImportWitness::Files_ : public FileSystem {
public:
    Files_(FileSystem& inner, ImportWitness& witness) : inner_(inner), witness_(witness) {}
    const PathStyle& Paths() const override { return inner_.Paths(); }
    Folder GetFolder(const std::string& path) override { return inner_.GetFolder(path); }
    std::vector<Folder> SubFolders(const Folder& folder) override { return inner_.SubFolders(folder); }
    Folder AddSubFolder(const Folder& folder, const std::string& name) override {
        return inner_.AddSubFolder(folder, name);
    }
    bool FileExists(const std::string& path) override { return inner_.FileExists(path); }
    std::int64_t FileSize(const std::string& path) override { return inner_.FileSize(path); }
    void FlushFile(const std::string& path) override {
        Noting(witness_.saveFailure_, [&] { inner_.FlushFile(path); });
    }
    bool MoveFileNoReplace(const std::string& from, const std::string& to) override {
        const bool moved = Noting(witness_.saveFailure_, [&] { return inner_.MoveFileNoReplace(from, to); });
        if (moved && to.ends_with(".msg")) {
            ++witness_.savedCount_;
            witness_.lastSaved_ = to;
        }
        return moved;
    }
    void RemoveFile(const std::string& path) override { inner_.RemoveFile(path); }

private:
    FileSystem& inner_;
    ImportWitness& witness_;
};

class ImportWitness::Wrappers : public outlook::MailWrapperFactory {
    // A mail wrapper that notes why a save failed, and what the disk says to it.
    class Wrapper : public outlook::MailWrapper {
    public:
        Wrapper(std::unique_ptr<outlook::MailWrapper> inner, std::optional<std::string>& failure)
            : inner_(std::move(inner)), failure_(failure) {}
        void SetItem(std::shared_ptr<outlook::Item> item) override { inner_->SetItem(std::move(item)); }
        std::shared_ptr<outlook::Item> GetItem() const override { return inner_->GetItem(); }
        void Save() override { inner_->Save(); }
        void SaveAs(const std::string& path, std::int32_t format) override {
            try {
                inner_->SaveAs(path, format);
                failure_.reset();  // a format refused before this one is no reason any more
            } catch (const Error& e) {
                const std::string disk = DiskTrouble(path);
                failure_ = e.Description() + (disk.empty() ? "" : " (" + disk + ")");
                throw;
            }
        }
        bool ResolveAll() override { return inner_->ResolveAll(); }
        void Send() override { inner_->Send(); }
        std::unique_ptr<outlook::AddressEntry> Sender() override { return inner_->Sender(); }
        std::string SenderName() const override { return inner_->SenderName(); }
        std::string To() const override { return inner_->To(); }
        std::string Cc() const override { return inner_->Cc(); }
        std::string Bcc() const override { return inner_->Bcc(); }
        std::vector<outlook::Recipient> Recipients() const override { return inner_->Recipients(); }
        std::string Body() const override { return inner_->Body(); }
        std::int32_t AttachmentCount() const override { return inner_->AttachmentCount(); }
        std::string Subject() const override { return inner_->Subject(); }
        DateTime ReceivedTime() const override { return inner_->ReceivedTime(); }
        DateTime SentOn() const override { return inner_->SentOn(); }

    private:
        std::unique_ptr<outlook::MailWrapper> inner_;
        std::optional<std::string>& failure_;
    };

public:
    Wrappers(outlook::MailWrapperFactory& inner, std::optional<std::string>& failure)
        : inner_(inner), failure_(failure) {}
    std::unique_ptr<outlook::MailWrapper> CreateMailWrapper() override {
        return std::make_unique<Wrapper>(inner_.CreateMailWrapper(), failure_);
    }

private:
    outlook::MailWrapperFactory& inner_;
    std::optional<std::string>& failure_;
};

ImportWitness::ImportWitness(db::DatabaseConnector& database, FileSystem& files, outlook::MailWrapperFactory& mails)
    : connector_(std::make_unique<Connector>(database, databaseFailure_)),
      files_(std::make_unique<Files_>(files, *this)),
      wrappers_(std::make_unique<Wrappers>(mails, saveFailure_)) {}

ImportWitness::~ImportWitness() = default;

db::DatabaseConnector& ImportWitness::Database() { return *connector_; }
FileSystem& ImportWitness::Files() { return *files_; }
outlook::MailWrapperFactory& ImportWitness::MailWrappers() { return *wrappers_; }

}  // namespace kv::app
