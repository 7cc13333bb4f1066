// .eml reading and the send rewrite, over GMime.
#include <gmime/gmime.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "adapters/mailmsg/glib_ptr.hpp"
#include "adapters/mailmsg/mail_data.hpp"
#include "adapters/mailmsg/mime_text.hpp"
#include "adapters/mailmsg/tnef.hpp"
#include "support/error.hpp"
#include "support/utf.hpp"

namespace kv::mailmsg {

void InitGMime() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

namespace {

std::string Str(const char* text) { return text ? std::string(text) : std::string(); }

DateTime FromGDateTime(GDateTime* value) {
    GDateTime* utc = g_date_time_to_utc(value);
    DateTime result{g_date_time_get_year(utc), g_date_time_get_month(utc),  g_date_time_get_day_of_month(utc),
                    g_date_time_get_hour(utc), g_date_time_get_minute(utc), g_date_time_get_second(utc)};
    g_date_time_unref(utc);
    return result;
}

std::optional<DateTime> ParseDate(const std::string& text) {
    GDateTime* value = g_mime_utils_header_decode_date(text.c_str());
    if (!value) return std::nullopt;
    auto result = FromGDateTime(value);
    g_date_time_unref(value);
    return result;
}

// Every header of that name, raw (still encoded and folded), joined by ", ".
std::string RawHeader(GMimeObject* object, const char* name) {
    GMimeHeaderList* headers = g_mime_object_get_header_list(object);
    std::string out;
    for (int i = 0, n = headers ? g_mime_header_list_get_count(headers) : 0; i < n; ++i) {
        GMimeHeader* header = g_mime_header_list_get_header_at(headers, i);
        if (g_ascii_strcasecmp(g_mime_header_get_name(header), name) != 0) continue;
        if (!out.empty()) out += ", ";
        out += Str(g_mime_header_get_raw_value(header));
    }
    return out;
}

std::string FirstRawHeader(GMimeObject* object, const char* name) {
    GMimeHeader* header = g_mime_header_list_get_header(g_mime_object_get_header_list(object), name);
    return header ? Str(g_mime_header_get_raw_value(header)) : std::string();
}

std::string HeaderValue(GMimeObject* object, const char* name) { return Str(g_mime_object_get_header(object, name)); }

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
    recipient.name = Trim(Unfolded(ToUtf8(Str(internet_address_get_name(address)), "")));
    if (recipient.name.empty()) recipient.name = recipient.address;
    out.push_back(std::move(recipient));
}

// The entries of a raw address header, split at the commas between them; a
// group ("Team: a@x, b@y;") stays one entry.
std::vector<std::string> AddressEntries(const std::string& header) {
    std::vector<std::string> entries(1);
    bool quoted = false, group = false;
    int angle = 0, comment = 0;
    for (std::size_t i = 0; i < header.size(); ++i) {
        char c = header[i];
        bool top = !quoted && angle == 0 && comment == 0;
        if (c == '\\' && (quoted || comment > 0) && i + 1 < header.size()) {
            entries.back() += c;
            c = header[++i];
        } else if (c == '"' && comment == 0) {
            quoted = !quoted;
        } else if (!quoted && c == '<') {
            ++angle;
        } else if (!quoted && c == '>' && angle > 0) {
            --angle;
        } else if (!quoted && c == '(') {
            ++comment;
        } else if (!quoted && c == ')' && comment > 0) {
            --comment;
        } else if (top && c == ':') {
            group = true;
        } else if (top && c == ';' && group) {
            group = false;
        } else if (top && !group && (c == ',' || c == ';')) {
            entries.emplace_back();
            continue;
        }
        entries.back() += c;
    }
    return entries;
}

// Recipients of one header, parsed by GMime from the raw text entry by
// entry. An entry without an address ("Peter Jensen") is kept without one,
// so resolving fails on it as the host's would.
std::vector<outlook::Recipient> ParseAddresses(GMimeObject* object, const char* name, outlook::Recipient::Type type) {
    std::vector<outlook::Recipient> out;
    for (const auto& entry : AddressEntries(RawHeader(object, name))) {
        std::string text = Trim(Unfolded(entry));
        if (text.empty()) continue;
        // GMime reads a quoted name alone ("Kontoret") as a local part with
        // no domain; it is a name typed without an address.
        const bool quotedNameAlone = text.front() == '"' && text.back() == '"' && text.size() >= 2;
        GObjectPtr<InternetAddressList> list(
            quotedNameAlone ? nullptr : internet_address_list_parse(nullptr, JoinEncodedWords(text).c_str()));
        if (list && internet_address_list_length(list.get()) > 0) {
            AddAddresses(list.get(), type, out);
            continue;
        }
        std::string display = DecodeHeaderText(text);
        if (display.size() >= 2 && display.front() == '"' && display.back() == '"')
            display = display.substr(1, display.size() - 2);
        if (!display.empty()) out.push_back({type, display, ""});
    }
    return out;
}

// The name a part was given, in its disposition or else in its type.
std::string FileNameOf(GMimeObject* object) {
    std::string name = ParameterText(FirstRawHeader(object, "Content-Disposition"), "filename");
    return name.empty() ? ParameterText(FirstRawHeader(object, "Content-Type"), "name") : name;
}

std::string StreamBytes(GMimeStream* stream) {
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    return array ? std::string(reinterpret_cast<const char*>(array->data), array->len) : std::string();
}

std::string DecodedContent(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) return {};
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
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

// The file extension mail clients give a part of this type when it has no name.
std::string ExtensionFor(const std::string& mimeType) {
    static const std::pair<const char*, const char*> known[] = {{"text/plain", ".txt"},
                                                                {"text/html", ".htm"},
                                                                {"text/calendar", ".ics"},
                                                                {"text/vcard", ".vcf"},
                                                                {"text/x-vcard", ".vcf"},
                                                                {"text/csv", ".csv"},
                                                                {"application/pdf", ".pdf"},
                                                                {"image/jpeg", ".jpg"},
                                                                {"image/pjpeg", ".jpg"},
                                                                {"image/png", ".png"},
                                                                {"image/gif", ".gif"},
                                                                {"image/bmp", ".bmp"},
                                                                {"image/tiff", ".tif"},
                                                                {"application/zip", ".zip"},
                                                                {"message/rfc822", ".eml"},
                                                                {"application/msword", ".doc"},
                                                                {"application/vnd.ms-excel", ".xls"},
                                                                {"application/pkcs7-signature", ".p7s"},
                                                                {"application/x-pkcs7-signature", ".p7s"},
                                                                {"application/pgp-signature", ".asc"},
                                                                {"message/delivery-status", ".txt"}};
    for (const auto& [type, ext] : known)
        if (mimeType == type) return ext;
    return ".bin";
}

struct Walk {
    MailData& mail;
    int depth;
    const std::string& source;  // the file, for the log
    bool havePlain = false, haveHtml = false;
    int nameless = 0;

    std::string NameFor(const std::string& mimeType) {
        char name[32];
        ++nameless;
        if (mimeType.starts_with("image/")) std::snprintf(name, sizeof name, "image%03d", nameless);
        else std::snprintf(name, sizeof name, "ATT%05d", nameless);
        return name + ExtensionFor(mimeType);
    }
};

MailData ReadMessage(GMimeMessage* message, int depth, const std::string& source);

// A winmail.dat is unpacked as Outlook unpacks it: its attachments and RTF
// body become the mail's. One that cannot be read stays attached whole.
bool UnpackedTnef(const Attachment& attachment, Walk& walk) {
    std::string why;
    auto tnef = ReadTnef(attachment.data, why);
    if (!tnef) {
        g_log("kv-mailmsg", G_LOG_LEVEL_MESSAGE, "%s: %s cannot be read as TNEF (%s); kept whole",
              walk.source.empty() ? "mail" : walk.source.c_str(), attachment.fileName.c_str(), why.c_str());
        return false;
    }
    for (auto& a : tnef->attachments) walk.mail.attachments.push_back(std::move(a));
    if (!tnef->rtfCompressed.empty()) walk.mail.rtfCompressed = std::move(tnef->rtfCompressed);
    if (!tnef->messageClass.empty()) walk.mail.messageClass = std::move(tnef->messageClass);
    return true;
}

constexpr int kMaxNesting = 16;

void AddEmbedded(GMimeObject* object, Walk& walk) {
    GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
    Attachment attachment;
    attachment.mimeType = "message/rfc822";
    attachment.fileName = ParameterText(FirstRawHeader(object, "Content-Disposition"), "filename");
    if (inner && walk.depth < kMaxNesting) {
        auto embedded = std::make_shared<MailData>(ReadMessage(inner, walk.depth + 1, walk.source));
        if (attachment.fileName.empty()) attachment.fileName = embedded->subject;
        attachment.message = std::move(embedded);
    } else if (inner) {
        GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
        g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, stream.get());
        auto bytes = StreamBytes(stream.get());
        attachment.data.assign(bytes.begin(), bytes.end());
    }
    if (attachment.fileName.empty()) attachment.fileName = walk.NameFor(attachment.mimeType);
    walk.mail.attachments.push_back(std::move(attachment));
}

void VisitLeaf(GMimeObject* object, bool relatedPart, Walk& walk) {
    GMimePart* part = GMIME_PART(object);
    GMimeContentType* type = g_mime_object_get_content_type(object);
    std::string mimeType = "application/octet-stream";
    if (type) mimeType = utf::AsciiLower(Str(GFreePtr<char>(g_mime_content_type_get_mime_type(type)).get()));
    std::string fileName = FileNameOf(object);
    std::string disposition = utf::AsciiLower(Str(g_mime_object_get_disposition(object)));
    bool attached = disposition == "attachment" || !fileName.empty() || relatedPart;
    bool isPlain = mimeType == "text/plain", isHtml = mimeType == "text/html";
    if (!attached && ((isPlain && !walk.havePlain) || (isHtml && !walk.haveHtml))) {
        std::string charset = Str(g_mime_object_get_content_type_parameter(object, "charset"));
        std::string text = ToUtf8(DecodedContent(part), charset);
        if (isPlain) {
            walk.mail.body = std::move(text);
            walk.havePlain = true;
        } else {
            walk.mail.html = WithUtf8Charset(std::move(text));
            walk.haveHtml = true;
        }
        return;
    }
    Attachment attachment;
    attachment.mimeType = mimeType;
    attachment.fileName = fileName.empty() ? walk.NameFor(mimeType) : fileName;
    attachment.contentId = Str(g_mime_object_get_content_id(object));
    attachment.contentLocation = Trim(Unfolded(FirstRawHeader(object, "Content-Location")));
    bool referable = !attachment.contentId.empty() || !attachment.contentLocation.empty();
    attachment.inlineImage = referable && disposition != "attachment" && (relatedPart || disposition == "inline");
    auto bytes = DecodedContent(part);
    attachment.data.assign(bytes.begin(), bytes.end());
    if (IsTnefPart(mimeType, attachment.fileName) && UnpackedTnef(attachment, walk)) return;
    walk.mail.attachments.push_back(std::move(attachment));
}

// Depth first, in order. The parts of a multipart/related other than its root
// are what the HTML shows by content id or location; they are never the body.
void Visit(GMimeObject* object, bool relatedPart, Walk& walk) {
    if (GMIME_IS_MESSAGE_PART(object)) {
        AddEmbedded(object, walk);
    } else if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        GMimeContentType* type = g_mime_object_get_content_type(object);
        bool related = type && g_mime_content_type_is_type(type, "multipart", "related");
        int count = g_mime_multipart_get_count(multipart);
        int root = 0;
        if (related) {
            std::string start = Str(g_mime_object_get_content_type_parameter(object, "start"));
            if (start.size() > 2 && start.front() == '<') start = start.substr(1, start.size() - 2);
            for (int i = 0; i < count && !start.empty(); ++i)
                if (Str(g_mime_object_get_content_id(g_mime_multipart_get_part(multipart, i))) == start) root = i;
        }
        for (int i = 0; i < count; ++i)
            Visit(g_mime_multipart_get_part(multipart, i), relatedPart || (related && i != root), walk);
    } else if (GMIME_IS_PART(object)) {
        VisitLeaf(object, relatedPart, walk);
    }
}

// The header block as it travelled: Bcc never does, so it is left out.
std::string HeaderBlock(GMimeObject* object) {
    GFreePtr<char> text(g_mime_object_get_headers(object, nullptr));
    std::string all = WithCrLf(ToUtf8(Str(text.get()), "")), out;
    bool skipping = false;
    for (std::size_t at = 0; at < all.size();) {
        std::size_t end = all.find("\r\n", at);
        end = end == std::string::npos ? all.size() : end + 2;
        std::string line = all.substr(at, end - at);
        bool continuation = line[0] == ' ' || line[0] == '\t';
        if (!continuation) skipping = utf::AsciiLower(line.substr(0, 4)) == "bcc:";
        if (!skipping) out += line;
        at = end;
    }
    return out;
}

std::optional<Address> FirstMailbox(GMimeObject* object, const char* name) {
    auto list = ParseAddresses(object, name, outlook::Recipient::To);
    for (const auto& entry : list)
        if (!entry.address.empty())
            return Address{entry.name == entry.address ? std::string() : entry.name, entry.address};
    return std::nullopt;
}

std::optional<DateTime> ReceivedDate(GMimeObject* object) {
    std::string received = Unfolded(FirstRawHeader(object, "Received"));
    auto semicolon = received.rfind(';');
    if (semicolon == std::string::npos) return std::nullopt;
    return ParseDate(received.substr(semicolon + 1));
}

MailData ReadMessage(GMimeMessage* message, int depth, const std::string& source) {
    MailData mail;
    GMimeObject* object = GMIME_OBJECT(message);
    mail.subject = DecodeHeaderText(RawHeader(object, "Subject"));
    mail.subjectPrefix = SubjectPrefix(mail.subject);
    mail.from = FirstMailbox(object, "From");
    for (const auto& entry : ParseAddresses(object, "Reply-To", outlook::Recipient::To))
        mail.replyTo.push_back({entry.name, entry.address});
    for (auto [name, type] : {std::pair{"To", outlook::Recipient::To}, std::pair{"Cc", outlook::Recipient::Cc},
                              std::pair{"Bcc", outlook::Recipient::Bcc}}) {
        auto list = ParseAddresses(object, name, type);
        mail.recipients.insert(mail.recipients.end(), list.begin(), list.end());
    }
    std::string date = Unfolded(FirstRawHeader(object, "Date"));
    if (!Trim(date).empty()) mail.sentOn = ParseDate(date);
    mail.receivedTime = ReceivedDate(object);
    if (!mail.receivedTime) mail.receivedTime = mail.sentOn;
    mail.importance = ImportanceOf(object);
    mail.messageId = Str(g_mime_message_get_message_id(message));
    mail.unsentFlag = Trim(HeaderValue(object, "X-Unsent")) == "1";
    mail.headers = HeaderBlock(object);

    Walk walk{mail, depth, source};
    if (GMimeObject* body = g_mime_message_get_mime_part(message)) Visit(body, false, walk);
    mail.body = WithCrLf(walk.havePlain ? mail.body : HtmlToText(mail.html));
    return mail;
}

// A mail carries at least one of the headers every mailer writes; a file
// with none is empty, binary or something else, and is no mail at all.
bool HasMailHeader(GMimeObject* object) {
    static const char* const kMailHeaders[] = {"From",        "To",           "Cc",           "Bcc",     "Subject",
                                               "Date",        "Message-ID",   "Received",     "Sender",  "Reply-To",
                                               "Return-Path", "MIME-Version", "Content-Type", "X-Unsent"};
    GMimeHeaderList* headers = g_mime_object_get_header_list(object);
    for (const char* name : kMailHeaders)
        if (headers && g_mime_header_list_contains(headers, name)) return true;
    return false;
}

// S/MIME as Outlook files it: the signed or encrypted entity kept byte for
// byte as the one attachment, so the signature can still be checked from the
// file. A clear-signed mail shows its body as before; an opaque one cannot
// be read here and says so.
void KeepSmimeWhole(const std::string& raw, GMimeMessage* message, MailData& mail) {
    GMimeObject* body = g_mime_message_get_mime_part(message);
    GMimeContentType* type = body ? g_mime_object_get_content_type(body) : nullptr;
    if (!type) return;
    std::string mimeType = utf::AsciiLower(Str(GFreePtr<char>(g_mime_content_type_get_mime_type(type)).get()));
    std::string protocol = utf::AsciiLower(Str(g_mime_content_type_get_parameter(type, "protocol")));
    std::string smimeType = utf::AsciiLower(Str(g_mime_content_type_get_parameter(type, "smime-type")));
    bool clearSigned = mimeType == "multipart/signed" &&
                       (protocol == "application/pkcs7-signature" || protocol == "application/x-pkcs7-signature");
    bool opaque = mimeType == "application/pkcs7-mime" || mimeType == "application/x-pkcs7-mime" ||
                  (mimeType == "application/octet-stream" && utf::AsciiLower(FileNameOf(body)).ends_with(".p7m"));
    if (!clearSigned && !opaque) return;
    Attachment whole;
    whole.fileName = "smime.p7m";
    whole.mimeType = clearSigned ? "multipart/signed" : "application/pkcs7-mime";
    std::string entity = MimeEntity(raw);
    whole.data.assign(entity.begin(), entity.end());
    mail.attachments = {std::move(whole)};
    mail.messageClass = clearSigned ? "IPM.Note.SMIME.MultipartSigned" : "IPM.Note.SMIME";
    if (clearSigned) return;
    mail.html.clear();
    mail.body = smimeType == "signed-data" ? "Denne mail er signeret med S/MIME i en form, der ikke kan vises her.\r\n"
                                             "Den signerede mail er gemt uændret som det vedhæftede smime.p7m.\r\n"
                                           : "Denne mail er krypteret med S/MIME og kan ikke læses her.\r\n"
                                             "Den krypterede mail er gemt uændret som det vedhæftede smime.p7m.\r\n";
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

GObjectPtr<GMimeMessage> ParseMessage(const std::string& raw) {
    InitGMime();
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(raw.data(), raw.size()));
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    return GObjectPtr<GMimeMessage>(g_mime_parser_construct_message(parser.get(), ParserOptions()));
}

}  // namespace

std::string Unfolded(std::string text) {
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
}

std::string Trim(std::string text) {
    auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
    text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
    return text;
}

MailData ParseMail(const std::string& raw, std::optional<DateTime> arrival, const std::string& source) {
    auto message = ParseMessage(raw);
    if (!message || !HasMailHeader(GMIME_OBJECT(message.get())))
        throw Error(outlook::hosterr::Failed, "MailStore",
                    "Cannot read the mail " + (source.empty() ? std::string() : "\"" + source + "\" ") +
                        "(no mail headers; the file is empty, damaged or not a mail)");
    MailData mail = ReadMessage(message.get(), 0, source);
    KeepSmimeWhole(raw, message.get(), mail);
    if (!mail.receivedTime) mail.receivedTime = arrival;
    return mail;
}

std::string PrepareForSend(const std::string& raw, const Address& sender, const DateTime& now) {
    auto message = ParseMessage(raw);
    if (!message) throw Error(outlook::hosterr::Failed, "MailStore", "The mail cannot be read and is not sent");
    GMimeObject* object = GMIME_OBJECT(message.get());
    InternetAddressList* from = g_mime_message_get_from(message.get());
    internet_address_list_clear(from);
    GObjectPtr<InternetAddress> mailbox(internet_address_mailbox_new(sender.name.c_str(), sender.address.c_str()));
    internet_address_list_add(from, mailbox.get());

    // Date shows the sender's zone, as mail clients write it.
    GDateTime* utc = g_date_time_new_utc(now.year, now.month, now.day, now.hour, now.minute, now.second);
    if (utc) {
        GDateTime* local = g_date_time_to_local(utc);
        g_mime_message_set_date(message.get(), local);
        g_date_time_unref(local);
        g_date_time_unref(utc);
    }
    g_mime_object_remove_header(object, "X-Unsent");

    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(object, nullptr, stream.get());
    return StreamBytes(stream.get());
}

}  // namespace kv::mailmsg
