#include "adapters/mailstore/uploaded_mail.hpp"

#include <chrono>
#include <map>
#include <mutex>

#include "adapters/mailmsg/msg_writer.hpp"
#include "adapters/mailstore/mail_fields.hpp"
#include "adapters/mailstore/stale_temporaries.hpp"

namespace kv::mailstore {

namespace {

// Outlook's value for "no date".
constexpr DateTime kNoDate{4501, 1, 1, 0, 0, 0};

// Whether a save into folder should clear what killed saves left there. The
// sweep lists the whole folder, which holds every mail filed into it, so a
// process sweeps a folder at its first save there and then once an hour: a
// leftover only counts as stale an hour after it was left anyway.
bool SweepDue(const std::filesystem::path& folder) {
    constexpr auto kInterval = std::chrono::hours(1);
    constexpr std::size_t kMaxFolders = 10000;  // past it, every folder is swept again once
    static std::mutex lock;
    static std::map<std::filesystem::path, std::chrono::steady_clock::time_point> sweptAt;
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard guard(lock);
    if (sweptAt.size() >= kMaxFolders) sweptAt.clear();
    const auto [at, first] = sweptAt.try_emplace(folder, now);
    if (!first && now - at->second < kInterval) return false;
    at->second = now;
    return true;
}

[[noreturn]] void NoSuchThing(const std::string& what) {
    throw Error(outlook::hosterr::NotSupported, "UploadedMail",
                "Object doesn't support this property or method: " + what);
}

class UploadedItem final : public outlook::Item {
public:
    explicit UploadedItem(mailmsg::MailData mail) : mail_(std::move(mail)) {}

    std::int32_t Class() const override { return outlook::itemclass::Mail; }
    std::string EntryID() const override { return {}; }
    std::string Subject() const override { return mail_.subject; }
    // A draft says so itself; with no folder that is all there is to go by.
    bool Sent() const override { return !mail_.unsentFlag; }
    DateTime ReceivedTime() const override { return Sent() ? mail_.receivedTime.value_or(kNoDate) : kNoDate; }
    std::int32_t Importance() const override { return mail_.importance; }
    void Move(outlook::Folder&) override { NoSuchThing("Move"); }
    void Close(std::int32_t) override {}
    std::shared_ptr<outlook::Application> GetApplication() const override { NoSuchThing("Application"); }

    const mailmsg::MailData& Mail() const { return mail_; }

private:
    mailmsg::MailData mail_;
};

class UploadedMailWrapper final : public outlook::MailWrapper {
public:
    void SetItem(std::shared_ptr<outlook::Item> item) override {
        auto uploaded = std::dynamic_pointer_cast<UploadedItem>(outlook::AsMailItem(std::move(item)));
        if (!uploaded) throw Error(errnum::InvalidArgument, "UploadedMail", "The item is not an uploaded mail");
        item_ = std::move(uploaded);
    }
    std::shared_ptr<outlook::Item> GetItem() const override { return Item(); }
    void Save() override { NoSuchThing("Save"); }
    void SaveAs(const std::string& path, std::int32_t format) override {
        if (format != outlook::SaveAsMsg && format != outlook::SaveAsMsgUnicode)
            throw Error(errnum::InvalidArgument, "MailWrapper", "Unsupported save format " + std::to_string(format));
        if (path.empty()) throw Error(errnum::InvalidArgument, "MailWrapper", "No file name to save the mail to");
        // An instance killed while saving here left its temporary files.
        if (const auto folder = std::filesystem::path(path).parent_path(); SweepDue(folder))
            RemoveStaleTemporaries(folder);
        mailmsg::WriteMsg(path, mailmsg::MsgFromMail(Mail(), !Item()->Sent()));
    }
    bool ResolveAll() override { NoSuchThing("ResolveAll"); }
    void Send() override { NoSuchThing("Send"); }
    std::unique_ptr<outlook::AddressEntry> Sender() override {
        if (!Mail().from) return nullptr;
        return std::make_unique<MailSender>(*Mail().from);
    }
    std::string SenderName() const override { return SenderDisplayName(Mail()); }
    std::string To() const override { return JoinNames(Mail().recipients, outlook::Recipient::To); }
    std::string Cc() const override { return JoinNames(Mail().recipients, outlook::Recipient::Cc); }
    std::string Bcc() const override { return JoinNames(Mail().recipients, outlook::Recipient::Bcc); }
    std::vector<outlook::Recipient> Recipients() const override { return Mail().recipients; }
    std::string Body() const override { return Mail().body; }
    std::int32_t AttachmentCount() const override { return static_cast<std::int32_t>(Mail().attachments.size()); }
    std::string Subject() const override { return Mail().subject; }
    DateTime ReceivedTime() const override { return Item()->ReceivedTime(); }
    DateTime SentOn() const override { return Item()->Sent() ? Mail().sentOn.value_or(kNoDate) : kNoDate; }

private:
    const std::shared_ptr<UploadedItem>& Item() const {
        if (!item_) throw Error(outlook::hosterr::Failed, "MailWrapper", "No mail is attached to the wrapper");
        return item_;
    }
    const mailmsg::MailData& Mail() const { return Item()->Mail(); }
    std::shared_ptr<UploadedItem> item_;
};

}  // namespace

std::shared_ptr<outlook::Item> ReadUploadedMail(const std::string& raw, std::optional<DateTime> arrival) {
    return std::make_shared<UploadedItem>(mailmsg::ParseMail(raw, arrival, "upload"));
}

std::unique_ptr<outlook::MailWrapper> UploadedMailWrappers::CreateMailWrapper() {
    return std::make_unique<UploadedMailWrapper>();
}

}  // namespace kv::mailstore
