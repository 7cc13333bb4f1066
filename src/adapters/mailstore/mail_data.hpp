#pragma once
// What the stand-in host knows of one mail, as read from its .eml file.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/outlook/mail_wrapper.hpp"
#include "support/value.hpp"

namespace kv::mailstore {

struct Address {
    std::string name;
    std::string address;
};

struct Attachment {
    std::string fileName;
    std::string mimeType;
    Bytes data;
};

struct MailData {
    std::string subject;
    std::optional<Address> from;
    std::vector<outlook::Recipient> recipients;
    std::optional<DateTime> sentOn;        // Date:, local time
    std::optional<DateTime> receivedTime;  // first Received:, else Date:, local time
    std::int32_t importance = outlook::importance::Normal;
    std::string body;  // plain text, lines ended by CRLF
    std::vector<Attachment> attachments;
    std::string messageId;
    bool unsentFlag = false;  // X-Unsent: 1, as drafts carry it
};

// Never fails on malformed MIME: what cannot be read stays empty.
MailData ParseMail(const std::string& raw);

// The raw mail made ready to go: From set to the sender, Date to now,
// X-Unsent removed. Throws kv::Error when the mail cannot be parsed at all.
std::string PrepareForSend(const std::string& raw, const Address& sender, const DateTime& now);

// Plain text of an HTML document: tags dropped, block ends as line breaks,
// the common entities decoded.
std::string HtmlToText(const std::string& html);

// True for an address of the form local@domain with no blank or bracket.
bool IsValidAddress(const std::string& address);

}  // namespace kv::mailstore
