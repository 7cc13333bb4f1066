// Layout of the properties, storages and streams as Outlook writes them in a
// .msg file; strings are always Unicode (UTF-16LE).
#include "adapters/mailmsg/msg_writer.hpp"

#include "adapters/mailmsg/cfb_balance.hpp"
#include "adapters/mailmsg/glib_ptr.hpp"

#include <fcntl.h>
#include <gsf/gsf.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>

#include "support/error.hpp"
#include "support/utf.hpp"

namespace kv::mailmsg {
namespace {

enum PropType : std::uint16_t {
    PtLong = 0x0003,
    PtBoolean = 0x000B,
    PtUnicode = 0x001F,
    PtSysTime = 0x0040,
    PtObject = 0x000D,
    PtBinary = 0x0102,
};

namespace tag {
constexpr std::uint16_t Importance = 0x0017;
constexpr std::uint16_t MessageClass = 0x001A;
constexpr std::uint16_t Subject = 0x0037;
constexpr std::uint16_t ClientSubmitTime = 0x0039;
constexpr std::uint16_t SentRepresentingName = 0x0042;
constexpr std::uint16_t SentRepresentingAddrType = 0x0064;
constexpr std::uint16_t SentRepresentingEmail = 0x0065;
constexpr std::uint16_t SubjectPrefix = 0x003D;
constexpr std::uint16_t ReplyRecipientEntries = 0x004F;
constexpr std::uint16_t ReplyRecipientNames = 0x0050;
constexpr std::uint16_t ConversationTopic = 0x0070;
constexpr std::uint16_t TransportMessageHeaders = 0x007D;
constexpr std::uint16_t RecipientType = 0x0C15;
constexpr std::uint16_t SenderName = 0x0C1A;
constexpr std::uint16_t SenderAddrType = 0x0C1E;
constexpr std::uint16_t SenderEmail = 0x0C1F;
constexpr std::uint16_t DisplayBcc = 0x0E02;
constexpr std::uint16_t DisplayCc = 0x0E03;
constexpr std::uint16_t DisplayTo = 0x0E04;
constexpr std::uint16_t DeliveryTime = 0x0E06;
constexpr std::uint16_t MessageFlags = 0x0E07;
constexpr std::uint16_t HasAttach = 0x0E1B;
constexpr std::uint16_t NormalizedSubject = 0x0E1D;
constexpr std::uint16_t AttachSize = 0x0E20;
constexpr std::uint16_t AttachNum = 0x0E21;
constexpr std::uint16_t ObjectType = 0x0FFE;
constexpr std::uint16_t Body = 0x1000;
constexpr std::uint16_t RtfCompressed = 0x1009;
constexpr std::uint16_t RtfInSync = 0x0E1F;
constexpr std::uint16_t CreationTime = 0x3007;
constexpr std::uint16_t LastModificationTime = 0x3008;
constexpr std::uint16_t Html = 0x1013;
constexpr std::uint16_t InternetMessageId = 0x1035;
constexpr std::uint16_t RowId = 0x3000;
constexpr std::uint16_t DisplayName = 0x3001;
constexpr std::uint16_t AddrType = 0x3002;
constexpr std::uint16_t EmailAddress = 0x3003;
constexpr std::uint16_t StoreSupportMask = 0x340D;
constexpr std::uint16_t AttachDataBin = 0x3701;
constexpr std::uint16_t AttachExtension = 0x3703;
constexpr std::uint16_t AttachFilename = 0x3704;
constexpr std::uint16_t AttachMethod = 0x3705;
constexpr std::uint16_t AttachLongFilename = 0x3707;
constexpr std::uint16_t RenderingPosition = 0x370B;
constexpr std::uint16_t AttachMimeTag = 0x370E;
constexpr std::uint16_t AttachContentId = 0x3712;
constexpr std::uint16_t AttachContentLocation = 0x3713;
constexpr std::uint16_t AttachFlags = 0x3714;
constexpr std::uint16_t InternetCodepage = 0x3FDE;
constexpr std::uint16_t AttachmentHidden = 0x7FFE;
constexpr std::uint16_t DisplayType = 0x3900;
constexpr std::uint16_t SmtpAddress = 0x39FE;
constexpr std::uint16_t SenderSmtpAddress = 0x5D01;
constexpr std::uint16_t RecipientDisplayName = 0x5FF6;
}  // namespace tag

constexpr std::uint32_t kPropReadable = 0x2, kPropWritable = 0x4;
constexpr std::int32_t kMapiMailUser = 6, kMapiAttach = 7;
constexpr std::int32_t kMsgFlagRead = 0x1, kMsgFlagUnsent = 0x8, kMsgFlagHasAttach = 0x10;
constexpr std::int32_t kStoreUnicodeOk = 0x40000;
constexpr std::int32_t kAttachByValue = 1, kAttachEmbeddedMsg = 5;
constexpr std::int32_t kAttachMhtmlRef = 0x4;  // shown in the HTML body by its content id or location
constexpr std::int32_t kCodepageUtf8 = 65001;
// A property entry's size for an embedded message or storage.
constexpr std::uint32_t kObjectSize = 0xFFFFFFFF;

void Put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}
void Put64(Bytes& out, std::uint64_t v) {
    Put32(out, static_cast<std::uint32_t>(v));
    Put32(out, static_cast<std::uint32_t>(v >> 32));
}

Bytes Utf16Le(const std::string& utf8) {
    Bytes out;
    for (char16_t unit : utf::ToUtf16(utf8)) Put16(out, unit);
    return out;
}

std::string StreamName(std::uint16_t id, std::uint16_t type) {
    char name[40];
    std::snprintf(name, sizeof name, "__substg1.0_%04X%04X", id, type);
    return name;
}

// The properties of one object (message, recipient or attachment): the
// fixed-size values go into the property stream, the others into streams of
// their own.
class PropertyBag {
public:
    void Long(std::uint16_t id, std::int32_t value) { Fixed(id, PtLong, static_cast<std::uint32_t>(value)); }
    void Boolean(std::uint16_t id, bool value) { Fixed(id, PtBoolean, value ? 1 : 0); }
    void Time(std::uint16_t id, std::uint64_t fileTime) { Fixed(id, PtSysTime, fileTime); }
    void Text(std::uint16_t id, const std::string& utf8) {
        Bytes data = Utf16Le(utf8);
        // The size counts the terminating null, which the stream leaves out.
        auto size = static_cast<std::uint32_t>(data.size() + 2);
        Variable(id, PtUnicode, size, std::move(data));
    }
    // An embedded message: the entry only; its storage is written beside.
    void Object(std::uint16_t id) { entries_.push_back({(std::uint32_t{id} << 16) | PtObject, kObjectSize}); }
    void Binary(std::uint16_t id, const Bytes& data) {
        if (data.size() > UINT32_MAX)
            throw Error(errnum::InvalidArgument, "MsgWriter", "An attachment is too large for a message file");
        Variable(id, PtBinary, static_cast<std::uint32_t>(data.size()), data);
    }

    // header: the bytes before the entries (32 for the top level, 8 below).
    void WriteTo(GsfOutfile* storage, const Bytes& header) const;

private:
    struct Entry {
        std::uint32_t tag;
        std::uint64_t value;  // inline value, or the size of a variable one
    };
    void Fixed(std::uint16_t id, std::uint16_t type, std::uint64_t value) {
        entries_.push_back({(std::uint32_t{id} << 16) | type, value});
    }
    void Variable(std::uint16_t id, std::uint16_t type, std::uint32_t size, Bytes data) {
        entries_.push_back({(std::uint32_t{id} << 16) | type, size});
        streams_[StreamName(id, type)] = std::move(data);
    }
    std::vector<Entry> entries_;
    std::map<std::string, Bytes> streams_;
};

[[noreturn]] void Fail(const std::string& what, GError* error = nullptr) {
    std::string text = "Cannot write the message file: " + what;
    if (error) {
        text += std::string(": ") + error->message;
        g_error_free(error);
    }
    throw Error(outlook::hosterr::Failed, "MsgWriter", text);
}

void WriteStream(GsfOutfile* storage, const std::string& name, const Bytes& data) {
    GObjectPtr<GsfOutput> stream(gsf_outfile_new_child(storage, name.c_str(), FALSE));
    if (!stream) Fail("stream " + name);
    bool ok = data.empty() || gsf_output_write(stream.get(), data.size(), data.data());
    ok = gsf_output_close(stream.get()) && ok;
    if (!ok) Fail("stream " + name);
}

// A storage being written: closed and let go however its writing ends, so a
// failure half-way leaks nothing; Close() tells whether libgsf took it whole.
class Storage {
public:
    Storage(GsfOutfile* parent, const std::string& name)
        : outfile_(GSF_OUTFILE(gsf_outfile_new_child(parent, name.c_str(), TRUE))) {
        if (!outfile_) Fail("storage " + name);
    }
    explicit Storage(GObjectPtr<GsfOutfile> root) : outfile_(std::move(root)) {}
    ~Storage() {
        if (outfile_ && !gsf_output_is_closed(GSF_OUTPUT(outfile_.get()))) gsf_output_close(GSF_OUTPUT(outfile_.get()));
    }
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    GsfOutfile* get() const { return outfile_.get(); }
    void Close() {
        if (!gsf_output_close(GSF_OUTPUT(outfile_.get()))) Fail("closing a storage");
    }

private:
    GObjectPtr<GsfOutfile> outfile_;
};

void PropertyBag::WriteTo(GsfOutfile* storage, const Bytes& header) const {
    for (const auto& [name, data] : streams_) WriteStream(storage, name, data);
    Bytes props = header;
    for (const auto& e : entries_) {
        Put32(props, e.tag);
        Put32(props, kPropReadable | kPropWritable);
        Put64(props, e.value);
    }
    WriteStream(storage, "__properties_version1.0", props);
}

std::string Join(const std::vector<outlook::Recipient>& recipients, outlook::Recipient::Type type) {
    std::string out;
    for (const auto& r : recipients) {
        if (r.type != type) continue;
        if (!out.empty()) out += "; ";
        out += r.name.empty() ? r.address : r.name;
    }
    return out;
}

std::string Extension(const std::string& fileName) {
    auto dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0 || fileName.find_first_of("/\\", dot) != std::string::npos) return {};
    return fileName.substr(dot);
}

// The 8.3 name old clients show: ASCII letters and digits, upper case.
std::string ShortName(const std::string& fileName) {
    std::string ext = Extension(fileName);
    std::string stem = fileName.substr(0, fileName.size() - ext.size());
    auto clean = [](const std::string& text) {
        std::string out;
        for (unsigned char c : text)
            if (std::isalnum(c) && c < 0x80) out += static_cast<char>(std::toupper(c));
        return out;
    };
    std::string s = clean(stem), e = clean(ext).substr(0, 3);
    if (s.empty()) s = "ATTACH";
    if (s.size() > 8) s = s.substr(0, 6) + "~1";
    return e.empty() ? s : s + "." + e;
}

void WriteRecipient(GsfOutfile* root, std::size_t index, const outlook::Recipient& r) {
    char name[40];
    std::snprintf(name, sizeof name, "__recip_version1.0_#%08zX", index);
    PropertyBag bag;
    bag.Long(tag::RowId, static_cast<std::int32_t>(index));
    bag.Long(tag::RecipientType, r.type);
    bag.Long(tag::ObjectType, kMapiMailUser);
    bag.Long(tag::DisplayType, 0);
    std::string display = r.name.empty() ? r.address : r.name;
    bag.Text(tag::DisplayName, display);
    bag.Text(tag::RecipientDisplayName, display);
    bag.Text(tag::EmailAddress, r.address);
    bag.Text(tag::AddrType, "SMTP");
    bag.Text(tag::SmtpAddress, r.address);
    Storage storage(root, name);
    bag.WriteTo(storage.get(), Bytes(8, 0));
    storage.Close();
}

void WriteMessage(GsfOutfile* storage, const MsgMessage& m, bool embedded);

void WriteAttachment(GsfOutfile* root, std::size_t index, const Attachment& a) {
    char name[40];
    std::snprintf(name, sizeof name, "__attach_version1.0_#%08zX", index);
    PropertyBag bag;
    bag.Long(tag::AttachNum, static_cast<std::int32_t>(index));
    bag.Long(tag::ObjectType, kMapiAttach);
    bag.Long(tag::RenderingPosition, -1);
    bag.Text(tag::DisplayName, a.fileName);
    bag.Text(tag::AttachMimeTag, a.mimeType.empty() ? "application/octet-stream" : a.mimeType);
    if (a.message) {
        bag.Long(tag::AttachMethod, kAttachEmbeddedMsg);
        bag.Object(tag::AttachDataBin);
    } else {
        bag.Long(tag::AttachMethod, kAttachByValue);
        bag.Long(tag::AttachSize, static_cast<std::int32_t>(std::min<std::size_t>(a.data.size(), INT32_MAX)));
        bag.Text(tag::AttachLongFilename, a.fileName);
        bag.Text(tag::AttachFilename, ShortName(a.fileName));
        bag.Text(tag::AttachExtension, Extension(a.fileName));
        bag.Binary(tag::AttachDataBin, a.data);
    }
    if (a.created) bag.Time(tag::CreationTime, UtcToFileTime(*a.created));
    if (a.modified) bag.Time(tag::LastModificationTime, UtcToFileTime(*a.modified));
    if (!a.contentId.empty()) bag.Text(tag::AttachContentId, a.contentId);
    if (!a.contentLocation.empty()) bag.Text(tag::AttachContentLocation, a.contentLocation);
    if (a.inlineImage) {
        bag.Long(tag::AttachFlags, kAttachMhtmlRef);
        bag.Boolean(tag::AttachmentHidden, true);
    }
    Storage storage(root, name);
    if (a.message) {
        Storage inner(storage.get(), StreamName(tag::AttachDataBin, PtObject));
        WriteMessage(inner.get(), MsgFromMail(*a.message, false), true);
        inner.Close();
    }
    bag.WriteTo(storage.get(), Bytes(8, 0));
    storage.Close();
}

void WriteNamedPropertyMap(GsfOutfile* root) {
    Storage storage(root, "__nameid_version1.0");
    // No named properties: the GUID, entry and string streams are empty.
    for (std::uint16_t id : {0x0002, 0x0003, 0x0004}) WriteStream(storage.get(), StreamName(id, PtBinary), {});
    storage.Close();
}

// A one-off entry id ([MS-OXCDATA] 2.2.5.1): a Unicode SMTP address that is
// in no address book.
Bytes OneOffEntryId(const Address& address) {
    static const std::uint8_t kOneOffProvider[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                                     0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
    constexpr std::uint16_t kUnicodeNoRichInfo = 0x8001;
    Bytes id(4, 0);
    id.insert(id.end(), std::begin(kOneOffProvider), std::end(kOneOffProvider));
    Put16(id, 0);
    Put16(id, kUnicodeNoRichInfo);
    for (const std::string& text :
         {address.name.empty() ? address.address : address.name, std::string("SMTP"), address.address}) {
        Bytes utf16 = Utf16Le(text);
        id.insert(id.end(), utf16.begin(), utf16.end());
        Put16(id, 0);
    }
    return id;
}

// A FlatEntryList ([MS-OXCDATA] 2.3.3) of one-off entry ids.
Bytes ReplyEntries(const std::vector<Address>& replyTo) {
    Bytes entries;
    for (const auto& address : replyTo) {
        Bytes id = OneOffEntryId(address);
        Put32(entries, static_cast<std::uint32_t>(id.size()));
        entries.insert(entries.end(), id.begin(), id.end());
        entries.resize((entries.size() + 3) / 4 * 4, 0);
    }
    Bytes list;
    Put32(list, static_cast<std::uint32_t>(replyTo.size()));
    Put32(list, static_cast<std::uint32_t>(entries.size()));
    list.insert(list.end(), entries.begin(), entries.end());
    return list;
}

PropertyBag MessageProperties(const MsgMessage& m) {
    PropertyBag bag;
    bag.Text(tag::MessageClass, m.messageClass.empty() ? "IPM.Note" : m.messageClass);
    std::string normalized = m.subject.substr(std::min(m.subjectPrefix.size(), m.subject.size()));
    bag.Text(tag::Subject, m.subject);
    bag.Text(tag::SubjectPrefix, m.subjectPrefix);
    bag.Text(tag::NormalizedSubject, normalized);
    bag.Text(tag::ConversationTopic, normalized);
    if (!m.senderName.empty() || !m.senderAddress.empty()) {
        std::string name = m.senderName.empty() ? m.senderAddress : m.senderName;
        bag.Text(tag::SenderName, name);
        bag.Text(tag::SenderEmail, m.senderAddress);
        bag.Text(tag::SenderAddrType, "SMTP");
        bag.Text(tag::SenderSmtpAddress, m.senderAddress);
        bag.Text(tag::SentRepresentingName, name);
        bag.Text(tag::SentRepresentingEmail, m.senderAddress);
        bag.Text(tag::SentRepresentingAddrType, "SMTP");
    }
    if (!m.replyTo.empty()) {
        std::string names;
        for (const auto& r : m.replyTo) names += (names.empty() ? "" : "; ") + (r.name.empty() ? r.address : r.name);
        bag.Text(tag::ReplyRecipientNames, names);
        bag.Binary(tag::ReplyRecipientEntries, ReplyEntries(m.replyTo));
    }
    bag.Text(tag::DisplayTo, Join(m.recipients, outlook::Recipient::To));
    bag.Text(tag::DisplayCc, Join(m.recipients, outlook::Recipient::Cc));
    bag.Text(tag::DisplayBcc, Join(m.recipients, outlook::Recipient::Bcc));
    if (m.submitTime) bag.Time(tag::ClientSubmitTime, UtcToFileTime(*m.submitTime));
    if (m.deliveryTime) bag.Time(tag::DeliveryTime, UtcToFileTime(*m.deliveryTime));
    bag.Long(tag::Importance, m.importance);
    bag.Text(tag::Body, m.body);
    if (!m.html.empty()) {
        bag.Binary(tag::Html, Bytes(m.html.begin(), m.html.end()));
        bag.Long(tag::InternetCodepage, kCodepageUtf8);
    }
    if (!m.rtfCompressed.empty()) {
        bag.Binary(tag::RtfCompressed, m.rtfCompressed);
        bag.Boolean(tag::RtfInSync, true);
    }
    if (!m.messageId.empty()) bag.Text(tag::InternetMessageId, "<" + m.messageId + ">");
    if (!m.headers.empty()) bag.Text(tag::TransportMessageHeaders, m.headers);
    std::int32_t flags = m.unsent ? kMsgFlagUnsent : kMsgFlagRead;
    if (!m.attachments.empty()) flags |= kMsgFlagHasAttach;
    bag.Long(tag::MessageFlags, flags);
    bag.Boolean(tag::HasAttach, !m.attachments.empty());
    bag.Long(tag::StoreSupportMask, kStoreUnicodeOk);
    return bag;
}

// 32 bytes at the top level, 24 for an embedded message.
Bytes MessageHeader(const MsgMessage& m, bool embedded) {
    Bytes header(8, 0);
    Put32(header, static_cast<std::uint32_t>(m.recipients.size()));   // next recipient id
    Put32(header, static_cast<std::uint32_t>(m.attachments.size()));  // next attachment id
    Put32(header, static_cast<std::uint32_t>(m.recipients.size()));
    Put32(header, static_cast<std::uint32_t>(m.attachments.size()));
    header.resize(embedded ? 24 : 32, 0);
    return header;
}

void CheckCounts(const MsgMessage& m) {
    if (m.recipients.size() > 0xFFFFFF || m.attachments.size() > 0xFFFFFF)
        throw Error(errnum::InvalidArgument, "MsgWriter", "Too many recipients or attachments for a message file");
}

void WriteMessage(GsfOutfile* storage, const MsgMessage& m, bool embedded) {
    CheckCounts(m);
    auto bag = MessageProperties(m);
    for (std::size_t i = 0; i < m.recipients.size(); ++i) WriteRecipient(storage, i, m.recipients[i]);
    for (std::size_t i = 0; i < m.attachments.size(); ++i) WriteAttachment(storage, i, m.attachments[i]);
    bag.WriteTo(storage, MessageHeader(m, embedded));
}

// The class id of an Outlook message file's root storage.
constexpr std::uint8_t kMsgClassId[16] = {0x0B, 0x0D, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

}  // namespace

MsgMessage MsgFromMail(const MailData& mail, bool unsent) {
    MsgMessage msg;
    msg.subject = mail.subject;
    msg.subjectPrefix = mail.subjectPrefix;
    msg.unsent = unsent;
    if (!unsent && mail.from) {
        msg.senderName = mail.from->name;
        msg.senderAddress = mail.from->address;
    }
    msg.replyTo = mail.replyTo;
    msg.recipients = mail.recipients;
    msg.submitTime = unsent ? std::nullopt : mail.sentOn;
    msg.deliveryTime = unsent ? std::nullopt : mail.receivedTime;
    msg.importance = mail.importance;
    msg.body = mail.body;
    msg.html = mail.html;
    msg.attachments = mail.attachments;
    msg.messageId = mail.messageId;
    msg.headers = unsent ? std::string() : mail.headers;
    msg.messageClass = mail.messageClass;
    msg.rtfCompressed = mail.rtfCompressed;
    return msg;
}

std::uint64_t UtcToFileTime(const DateTime& utc) {
    if (!utc.IsValid()) throw Error(errnum::InvalidArgument, "MsgWriter", "Invalid date " + utc.ToIso());
    // Days since 1970-01-01 of a proleptic Gregorian date (civil calendar).
    auto y = static_cast<std::int64_t>(utc.year) - (utc.month <= 2 ? 1 : 0);
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yoe = y - era * 400;
    std::int64_t mp = (utc.month + 9) % 12;
    std::int64_t doy = (153 * mp + 2) / 5 + utc.day - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    std::int64_t days = era * 146097 + doe - 719468;
    std::int64_t seconds = days * 86400 + std::int64_t{utc.hour} * 3600 + std::int64_t{utc.minute} * 60 + utc.second;
    constexpr std::int64_t kEpochDiff = 11644473600;  // 1601-01-01 to 1970-01-01
    std::int64_t since1601 = seconds + kEpochDiff;
    if (since1601 < 0) throw Error(errnum::InvalidArgument, "MsgWriter", "Date before 1601: " + utc.ToIso());
    return static_cast<std::uint64_t>(since1601) * 10000000ULL;
}

namespace {

// The whole Compound File, built in memory: libgsf writes no temporary file
// of its own, and the directory is balanced before a byte reaches the disk.
std::string CompoundFile(const MsgMessage& message) {
    GObjectPtr<GsfOutput> sink(gsf_output_memory_new());
    {
        Storage root(GObjectPtr<GsfOutfile>(gsf_outfile_msole_new(sink.get())));
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(root.get()), kMsgClassId);
        WriteNamedPropertyMap(root.get());
        WriteMessage(root.get(), message, false);
        root.Close();
    }
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
    const auto size = static_cast<std::size_t>(gsf_output_size(sink.get()));
    return BalanceCompoundDirectory(std::string(reinterpret_cast<const char*>(bytes), size));
}

// Writes all of data to a file opened with flags; false, with errno set and
// the file removed, when any of it could not be written.
bool WriteFile(const std::filesystem::path& file, int flags, const std::string& data) {
    const int fd = open(file.c_str(), flags | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    int err = done == data.size() ? 0 : errno ? errno : EIO;
    if (close(fd) != 0 && err == 0) err = errno;
    if (err == 0) return true;
    unlink(file.c_str());
    errno = err;
    return false;
}

[[noreturn]] void FailWith(const std::filesystem::path& file, int err) {
    Fail(file.string() + ": " + std::generic_category().message(err));
}

}  // namespace

void WriteMsg(const std::filesystem::path& file, const MsgMessage& message) {
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
    CheckCounts(message);
    MessageProperties(message);  // validates the dates before anything is written
    const std::string data = CompoundFile(message);
    // A new file is written where it is to be; one that is there already is
    // replaced only by a whole new one, renamed over it.
    if (WriteFile(file, O_CREAT | O_EXCL, data)) return;
    if (errno != EEXIST) FailWith(file, errno);
    auto temp = file;
    temp += ".part";
    if (!WriteFile(temp, O_CREAT | O_TRUNC, data)) FailWith(file, errno);
    std::error_code ec;
    std::filesystem::rename(temp, file, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        Fail(file.string());
    }
}

}  // namespace kv::mailmsg
