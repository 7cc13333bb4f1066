// TNEF through libytnef, a C library whose header says so nowhere. Its
// headers define BYTE, WORD and friends as macros, so they come last and
// nothing of them leaves this file.
#include "adapters/mailmsg/tnef.hpp"

#include <glib.h>

#include <cstring>
#include <memory>

#include "adapters/mailmsg/mime_text.hpp"
#include "support/utf.hpp"

extern "C" {
#include <ytnef.h>
}

namespace kv::mailmsg {
namespace {

constexpr unsigned kAttachLongFilename = 0x3707, kDisplayName = 0x3001, kAttachMimeTag = 0x370E,
                   kAttachContentId = 0x3712, kAttachDataBin = 0x3701, kCreationTime = 0x3007,
                   kLastModificationTime = 0x3008, kRtfCompressed = 0x1009, kMessageClass = 0x001A;

struct TnefOwner {
    TNEFStruct tnef;
    TnefOwner() { TNEFInitialize(&tnef); }
    ~TnefOwner() { TNEFFree(&tnef); }
};

variableLength* Find(MAPIProps* props, unsigned type, unsigned id) {
    variableLength* found = MAPIFindProperty(props, PROP_TAG(type, id));
    return found == MAPI_UNDEFINED || !found->data ? nullptr : found;
}

Bytes BytesOf(const variableLength& value) {
    return value.data && value.size > 0 ? Bytes(value.data, value.data + value.size) : Bytes();
}

// 8-bit text ends at its first null.
std::string Text8(const variableLength& value, const std::string& charset) {
    if (!value.data || value.size <= 0) return {};
    std::string bytes(reinterpret_cast<const char*>(value.data), static_cast<std::size_t>(value.size));
    return ToUtf8(bytes.substr(0, bytes.find('\0')), charset);
}

// A string property; "" when absent. libytnef hands Unicode strings on
// already turned into UTF-8.
std::string TextProperty(MAPIProps* props, unsigned id, const std::string& charset) {
    if (auto* wide = Find(props, PT_UNICODE, id)) return Text8(*wide, "UTF-8");
    if (auto* narrow = Find(props, PT_STRING8, id)) return Text8(*narrow, charset);
    return {};
}

std::optional<DateTime> TimeProperty(MAPIProps* props, unsigned id, const dtr& fallback) {
    if (auto* value = Find(props, PT_SYSTIME, id); value && value->size >= 8) {
        std::uint64_t ticks = 0;
        for (int i = 7; i >= 0; --i) ticks = (ticks << 8) | value->data[i];
        GDateTime* utc = g_date_time_new_from_unix_utc(static_cast<gint64>(ticks / 10000000) - 11644473600LL);
        if (utc) {
            DateTime t{g_date_time_get_year(utc), g_date_time_get_month(utc),  g_date_time_get_day_of_month(utc),
                       g_date_time_get_hour(utc), g_date_time_get_minute(utc), g_date_time_get_second(utc)};
            g_date_time_unref(utc);
            return t;
        }
    }
    DateTime t{fallback.wYear, fallback.wMonth, fallback.wDay, fallback.wHour, fallback.wMinute, fallback.wSecond};
    return t.IsValid() && fallback.wYear >= 1601 ? std::optional(t) : std::nullopt;
}

// The code page the stream's 8-bit text is in (attOemCodepage), as a charset.
std::string CharsetOf(const TNEFStruct& tnef) {
    if (!tnef.CodePage.data || tnef.CodePage.size < 4) return "WINDOWS-1252";
    unsigned codePage = SwapDWord(tnef.CodePage.data, 4);
    return codePage == 65001 ? "UTF-8" : "CP" + std::to_string(codePage);
}

Attachment ReadAttachment(::Attachment& a, const std::string& charset) {
    Attachment out;
    out.fileName = TextProperty(&a.MAPI, kAttachLongFilename, charset);
    if (out.fileName.empty()) out.fileName = TextProperty(&a.MAPI, kDisplayName, charset);
    if (out.fileName.empty()) out.fileName = Text8(a.Title, charset);
    out.mimeType = utf::AsciiLower(TextProperty(&a.MAPI, kAttachMimeTag, charset));
    if (out.mimeType.empty()) out.mimeType = "application/octet-stream";
    out.contentId = TextProperty(&a.MAPI, kAttachContentId, charset);
    out.data = BytesOf(a.FileData);
    if (out.data.empty())
        if (auto* bin = Find(&a.MAPI, PT_BINARY, kAttachDataBin)) out.data = BytesOf(*bin);
    out.created = TimeProperty(&a.MAPI, kCreationTime, a.CreateDate);
    out.modified = TimeProperty(&a.MAPI, kLastModificationTime, a.ModifyDate);
    return out;
}

}  // namespace

bool IsTnefPart(const std::string& mimeType, const std::string& fileName) {
    return mimeType == "application/ms-tnef" || mimeType == "application/vnd.ms-tnef" ||
           utf::AsciiLower(fileName) == "winmail.dat";
}

std::optional<TnefContent> ReadTnef(const Bytes& data, std::string& why) {
    if (data.size() < 6 || data.size() > static_cast<std::size_t>(INT32_MAX)) {
        why = "too short";
        return std::nullopt;
    }
    auto owner = std::make_unique<TnefOwner>();
    TNEFStruct& tnef = owner->tnef;
    Bytes copy = data;  // libytnef reads through a non-const pointer
    if (int result = TNEFParseMemory(copy.data(), static_cast<long>(copy.size()), &tnef); result < 0) {
        why = "libytnef error " + std::to_string(result);
        return std::nullopt;
    }
    std::string charset = CharsetOf(tnef);
    TnefContent content;
    for (::Attachment* a = tnef.starting_attach.next; a; a = a->next) {
        Attachment attachment = ReadAttachment(*a, charset);
        if (attachment.fileName.empty() && attachment.data.empty()) continue;
        content.attachments.push_back(std::move(attachment));
    }
    if (auto* rtf = Find(&tnef.MapiProperties, PT_BINARY, kRtfCompressed)) content.rtfCompressed = BytesOf(*rtf);
    std::string messageClass = TextProperty(&tnef.MapiProperties, kMessageClass, charset);
    if (messageClass.empty())
        messageClass.assign(tnef.messageClass, strnlen(tnef.messageClass, sizeof tnef.messageClass));
    // The down-level names ("IPM.Microsoft Mail.Note") are no message classes.
    if (messageClass.starts_with("IPM.") && messageClass != "IPM.Note" && messageClass.find(' ') == std::string::npos)
        content.messageClass = messageClass;
    return content;
}

}  // namespace kv::mailmsg
