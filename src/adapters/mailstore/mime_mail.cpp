// .eml reading and the send rewrite, over GMime.
#include <gmime/gmime.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>

#include "adapters/mailstore/mail_data.hpp"
#include "support/error.hpp"
#include "support/utf.hpp"

namespace kv::mailstore {
namespace {

void InitGMime() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

template <class T>
struct GUnref {
    void operator()(T* p) const {
        if (p) g_object_unref(p);
    }
};
template <class T>
using GPtr = std::unique_ptr<T, GUnref<T>>;

struct GFreeString {
    void operator()(char* p) const { g_free(p); }
};
using GString_ = std::unique_ptr<char, GFreeString>;

std::string Str(const char* text) { return text ? std::string(text) : std::string(); }

// Text in some charset to valid UTF-8; unknown or wrong charsets fall back to
// Windows-1252, which maps every byte.
std::string ToUtf8(const std::string& bytes, const std::string& charset) {
    auto convert = [&](const char* from) -> std::optional<std::string> {
        gsize written = 0;
        GError* error = nullptr;
        char* out = g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", from, nullptr, &written, &error);
        if (!out) {
            g_clear_error(&error);
            return std::nullopt;
        }
        std::string result(out, written);
        g_free(out);
        return result;
    };
    if (!charset.empty()) {
        const char* name = g_mime_charset_iconv_name(charset.c_str());
        if (auto text = convert(name ? name : charset.c_str())) return *text;
    }
    if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) return bytes;
    if (auto text = convert("WINDOWS-1252")) return *text;
    GString_ valid(g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size())));
    return Str(valid.get());
}

DateTime FromGDateTime(GDateTime* value) {
    GDateTime* local = g_date_time_to_local(value);
    DateTime result{g_date_time_get_year(local), g_date_time_get_month(local), g_date_time_get_day_of_month(local),
                    g_date_time_get_hour(local), g_date_time_get_minute(local), g_date_time_get_second(local)};
    g_date_time_unref(local);
    return result;
}

std::optional<DateTime> ParseDate(const char* text) {
    if (!text) return std::nullopt;
    GDateTime* value = g_mime_utils_header_decode_date(text);
    if (!value) return std::nullopt;
    auto result = FromGDateTime(value);
    g_date_time_unref(value);
    return result;
}

// Header text with folding undone: a line break inside a header is always
// followed by the blank that stays.
std::string Unfolded(std::string text) {
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
}

std::string HeaderValue(GMimeObject* object, const char* name) { return Str(g_mime_object_get_header(object, name)); }

std::string Trim(std::string text) {
    auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
    text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
    return text;
}

std::int32_t ImportanceOf(GMimeObject* message) {
    std::string importance = utf::AsciiLower(Trim(HeaderValue(message, "Importance")));
    if (importance == "high") return outlook::importance::High;
    if (importance == "low") return outlook::importance::Low;
    if (importance == "normal") return outlook::importance::Normal;
    std::string priority = Trim(HeaderValue(message, "X-Priority"));
    if (!priority.empty() && std::isdigit(static_cast<unsigned char>(priority[0]))) {
        int level = priority[0] - '0';
        if (level <= 2 && level >= 1) return outlook::importance::High;
        if (level >= 4) return outlook::importance::Low;
        return outlook::importance::Normal;
    }
    std::string msPriority = utf::AsciiLower(Trim(HeaderValue(message, "X-MSMail-Priority")));
    if (msPriority == "high") return outlook::importance::High;
    if (msPriority == "low") return outlook::importance::Low;
    return outlook::importance::Normal;
}

void AddAddress(InternetAddress* address, outlook::Recipient::Type type, std::vector<outlook::Recipient>& out);

void AddAddresses(InternetAddressList* list, outlook::Recipient::Type type, std::vector<outlook::Recipient>& out) {
    if (!list) return;
    for (int i = 0, n = internet_address_list_length(list); i < n; ++i)
        AddAddress(internet_address_list_get_address(list, i), type, out);
}

void AddAddress(InternetAddress* address, outlook::Recipient::Type type, std::vector<outlook::Recipient>& out) {
    if (INTERNET_ADDRESS_IS_GROUP(address)) {
        AddAddresses(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address)), type, out);
        return;
    }
    outlook::Recipient recipient;
    recipient.type = type;
    recipient.address = Str(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)));
    recipient.name = Unfolded(Str(internet_address_get_name(address)));
    if (recipient.name.empty()) recipient.name = recipient.address;
    out.push_back(std::move(recipient));
}

// The entries of an address header, split at the commas between them.
std::vector<std::string> AddressTokens(const std::string& header) {
    std::vector<std::string> tokens(1);
    bool quoted = false;
    int angle = 0, comment = 0;
    for (std::size_t i = 0; i < header.size(); ++i) {
        char c = header[i];
        if (c == '\\' && quoted && i + 1 < header.size()) {
            tokens.back() += c;
            c = header[++i];
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == '<') {
            ++angle;
        } else if (!quoted && c == '>' && angle > 0) {
            --angle;
        } else if (!quoted && c == '(') {
            ++comment;
        } else if (!quoted && c == ')' && comment > 0) {
            --comment;
        } else if (!quoted && angle == 0 && comment == 0 && (c == ',' || c == ';')) {
            if (c == ';') tokens.back() += c;
            tokens.emplace_back();
            continue;
        }
        tokens.back() += c;
    }
    return tokens;
}

// Recipients of one header. GMime leaves out entries that have no address
// ("Peter Jensen"); they are kept here without one, so resolving fails on
// them as the host's would.
void AddRecipients(GMimeMessage* message, GMimeAddressType header, const char* name, outlook::Recipient::Type type,
                   std::vector<outlook::Recipient>& out) {
    InternetAddressList* list = g_mime_message_get_addresses(message, header);
    int parsed = list ? internet_address_list_length(list) : 0;
    const char* raw = g_mime_object_get_header(GMIME_OBJECT(message), name);
    if (!raw) {
        AddAddresses(list, type, out);
        return;
    }
    int next = 0;
    for (const auto& token : AddressTokens(raw)) {
        std::string text = Trim(token);
        if (text.empty() || text == ";") continue;
        bool group = text.find(':') != std::string::npos && text.back() == ';';
        if (text.find('@') != std::string::npos || group) {
            if (next < parsed) AddAddress(internet_address_list_get_address(list, next++), type, out);
            continue;
        }
        GString_ decoded(g_mime_utils_header_decode_phrase(nullptr, text.c_str()));
        std::string display = Trim(Unfolded(ToUtf8(Str(decoded.get()), "")));
        if (display.size() >= 2 && display.front() == '"' && display.back() == '"')
            display = display.substr(1, display.size() - 2);
        out.push_back({type, display, ""});
    }
    while (next < parsed) AddAddress(internet_address_list_get_address(list, next++), type, out);
}

std::string StreamBytes(GMimeStream* stream) {
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    return array ? std::string(reinterpret_cast<const char*>(array->data), array->len) : std::string();
}

std::string DecodedContent(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) return {};
    GPtr<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(content, stream.get());
    return StreamBytes(stream.get());
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 40);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

struct Walk {
    MailData* mail;
    std::string plain, html;
    bool havePlain = false, haveHtml = false;
};

void VisitPart(GMimeObject* /*parent*/, GMimeObject* object, gpointer data) {
    auto* walk = static_cast<Walk*>(data);
    if (GMIME_IS_MESSAGE_PART(object)) {
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
        Attachment attachment;
        attachment.mimeType = "message/rfc822";
        attachment.fileName = Str(g_mime_object_get_content_disposition_parameter(object, "filename"));
        if (attachment.fileName.empty()) attachment.fileName = "message.eml";
        if (inner) {
            GPtr<GMimeStream> stream(g_mime_stream_mem_new());
            g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, stream.get());
            auto bytes = StreamBytes(stream.get());
            attachment.data.assign(bytes.begin(), bytes.end());
        }
        walk->mail->attachments.push_back(std::move(attachment));
        return;
    }
    if (!GMIME_IS_PART(object)) return;
    GMimePart* part = GMIME_PART(object);
    GMimeContentType* type = g_mime_object_get_content_type(object);
    std::string mimeType = "application/octet-stream";
    if (type) mimeType = Str(GString_(g_mime_content_type_get_mime_type(type)).get());
    const char* fileName = g_mime_part_get_filename(part);
    if (fileName && *fileName) {
        Attachment attachment;
        attachment.fileName = fileName;
        attachment.mimeType = utf::AsciiLower(mimeType);
        auto bytes = DecodedContent(part);
        attachment.data.assign(bytes.begin(), bytes.end());
        walk->mail->attachments.push_back(std::move(attachment));
        return;
    }
    bool isText = type && g_mime_content_type_is_type(type, "text", "plain");
    bool isHtml = type && g_mime_content_type_is_type(type, "text", "html");
    if ((isText && !walk->havePlain) || (isHtml && !walk->haveHtml)) {
        std::string charset = Str(g_mime_object_get_content_type_parameter(object, "charset"));
        std::string text = ToUtf8(DecodedContent(part), charset);
        if (isText) {
            walk->plain = std::move(text);
            walk->havePlain = true;
        } else {
            walk->html = std::move(text);
            walk->haveHtml = true;
        }
    }
}

GMimeParserOptions* ParserOptions() {
    static GMimeParserOptions* options = [] {
        GMimeParserOptions* o = g_mime_parser_options_new();
        const char* fallback[] = {"UTF-8", "WINDOWS-1252", nullptr};
        g_mime_parser_options_set_fallback_charsets(o, fallback);
        return o;
    }();
    return options;
}

GPtr<GMimeMessage> ParseMessage(const std::string& raw) {
    InitGMime();
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(raw.data(), raw.size()));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    return GPtr<GMimeMessage>(g_mime_parser_construct_message(parser.get(), ParserOptions()));
}

}  // namespace

MailData ParseMail(const std::string& raw) {
    MailData mail;
    auto message = ParseMessage(raw);
    if (!message) return mail;
    GMimeObject* object = GMIME_OBJECT(message.get());

    mail.subject = Unfolded(ToUtf8(Str(g_mime_message_get_subject(message.get())), ""));
    InternetAddressList* from = g_mime_message_get_from(message.get());
    if (from && internet_address_list_length(from) > 0) {
        std::vector<outlook::Recipient> senders;
        AddAddresses(from, outlook::Recipient::To, senders);
        if (!senders.empty()) {
            const auto& first = senders.front();
            mail.from = Address{first.name == first.address ? std::string() : first.name, first.address};
        }
    }
    AddRecipients(message.get(), GMIME_ADDRESS_TYPE_TO, "To", outlook::Recipient::To, mail.recipients);
    AddRecipients(message.get(), GMIME_ADDRESS_TYPE_CC, "Cc", outlook::Recipient::Cc, mail.recipients);
    AddRecipients(message.get(), GMIME_ADDRESS_TYPE_BCC, "Bcc", outlook::Recipient::Bcc, mail.recipients);

    if (GDateTime* date = g_mime_message_get_date(message.get())) mail.sentOn = FromGDateTime(date);
    if (const char* received = g_mime_object_get_header(object, "Received")) {
        const char* semicolon = std::strrchr(received, ';');
        if (semicolon) mail.receivedTime = ParseDate(semicolon + 1);
    }
    if (!mail.receivedTime) mail.receivedTime = mail.sentOn;
    mail.importance = ImportanceOf(object);
    mail.messageId = Str(g_mime_message_get_message_id(message.get()));
    mail.unsentFlag = Trim(HeaderValue(object, "X-Unsent")) == "1";

    Walk walk{&mail, {}, {}};
    if (g_mime_message_get_mime_part(message.get())) g_mime_message_foreach(message.get(), VisitPart, &walk);
    mail.body = WithCrLf(walk.havePlain ? walk.plain : HtmlToText(walk.html));
    return mail;
}

std::string PrepareForSend(const std::string& raw, const Address& sender, const DateTime& now) {
    auto message = ParseMessage(raw);
    if (!message) throw Error(outlook::hosterr::Failed, "MailStore", "The mail cannot be read and is not sent");
    GMimeObject* object = GMIME_OBJECT(message.get());
    InternetAddressList* from = g_mime_message_get_from(message.get());
    internet_address_list_clear(from);
    InternetAddress* mailbox = internet_address_mailbox_new(sender.name.c_str(), sender.address.c_str());
    internet_address_list_add(from, mailbox);
    g_object_unref(mailbox);

    GTimeZone* zone = g_time_zone_new_local();
    GDateTime* date = g_date_time_new(zone, now.year, now.month, now.day, now.hour, now.minute, now.second);
    g_time_zone_unref(zone);
    if (date) {
        g_mime_message_set_date(message.get(), date);
        g_date_time_unref(date);
    }
    g_mime_object_remove_header(object, "X-Unsent");

    GPtr<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(object, nullptr, stream.get());
    return StreamBytes(stream.get());
}

}  // namespace kv::mailstore
