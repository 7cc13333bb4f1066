#pragma once
// What the stand-in host knows of one mail, as read from its .eml file.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/outlook/mail_wrapper.hpp"
#include "support/value.hpp"

namespace kv::mailmsg {

struct Address {
    std::string name;
    std::string address;
};

struct MailData;

struct Attachment {
    std::string fileName;
    std::string mimeType;
    Bytes data;                                 // empty for an embedded message
    std::string contentId;                      // without the angle brackets
    std::string contentLocation;                // the URL the HTML may name it by instead
    bool inlineImage = false;                   // shown in the HTML body by its content id or location
    std::optional<DateTime> created, modified;  // UTC, where the sender kept them (TNEF)
    std::shared_ptr<const MailData> message;    // a forwarded mail (message/rfc822)
};

struct MailData {
    std::string subject;
    std::string subjectPrefix;  // "Re: ", "SV: " ... as it starts the subject; "" when none
    std::optional<Address> from;
    std::vector<Address> replyTo;
    std::vector<outlook::Recipient> recipients;
    std::optional<DateTime> sentOn;        // Date:, UTC
    std::optional<DateTime> receivedTime;  // first Received:, else Date:, else the file's time; UTC
    std::int32_t importance = outlook::importance::Normal;
    std::string body;  // plain text, lines ended by CRLF
    std::string html;  // UTF-8; "" when the mail has no HTML body
    std::vector<Attachment> attachments;
    std::string messageId;
    std::string headers;       // the header block as received, lines ended by CRLF
    bool unsentFlag = false;   // X-Unsent: 1, as drafts carry it
    std::string messageClass;  // "" for a plain note (IPM.Note)
    Bytes rtfCompressed;       // the RTF body a winmail.dat carried, compressed as it came
};

// Malformed MIME gives what can be read; arrival (UTC) dates a mail that
// carries neither Date nor Received. Throws kv::Error naming source when the
// bytes are no mail at all (empty, binary, no mail header).
MailData ParseMail(const std::string& raw, std::optional<DateTime> arrival = std::nullopt,
                   const std::string& source = {});

// Header text with RFC 2047 encoded words decoded to UTF-8.
std::string DecodeHeaderText(const std::string& raw);
// The header with every run of adjacent encoded words joined into one
// UTF-8 word, which GMime decodes whole.
std::string JoinEncodedWords(const std::string& raw);
// The reply or forward marker a subject starts with ("Re: ", "AW: Fwd: "),
// "" when none.
std::string SubjectPrefix(const std::string& subject);

// The raw mail made ready to go: From set to the sender, Date to now (UTC),
// X-Unsent removed. Throws kv::Error when the mail cannot be parsed at all.
std::string PrepareForSend(const std::string& raw, const Address& sender, const DateTime& now);

// Plain text of an HTML document: head, style, script and comments dropped,
// block ends as line breaks, table cells apart, the common entities decoded.
std::string HtmlToText(const std::string& html);

// The HTML with the charset its meta tags name changed to UTF-8, as it is
// once converted.
std::string WithUtf8Charset(std::string html);

// True for an address of the form local@domain with no blank or bracket.
bool IsValidAddress(const std::string& address);

}  // namespace kv::mailmsg
