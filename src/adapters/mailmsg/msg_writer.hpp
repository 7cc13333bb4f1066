#pragma once
// Outlook message files (.msg): a Compound File holding the MAPI properties
// of one message, its recipients and its attachments.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "adapters/mailmsg/mail_data.hpp"
#include "ports/outlook/mail_wrapper.hpp"

namespace kv::mailmsg {

struct MsgMessage {
    std::string subject;
    std::string subjectPrefix;              // how subject starts: "Re: " or ""
    std::string senderName, senderAddress;  // both empty for an unsent mail
    std::vector<Address> replyTo;
    std::vector<outlook::Recipient> recipients;
    std::optional<DateTime> submitTime;    // UTC
    std::optional<DateTime> deliveryTime;  // UTC
    std::int32_t importance = outlook::importance::Normal;
    std::string body;
    std::string html;                     // UTF-8; written as PR_HTML when not empty
    std::vector<Attachment> attachments;  // those with a message are embedded
    std::string messageId;
    std::string headers;  // the transport headers
    bool unsent = false;
    std::string messageClass;  // "" for IPM.Note
    Bytes rtfCompressed;       // written as PR_RTF_COMPRESSED when not empty
};

// What a .msg keeps of a mail read from its .eml file.
MsgMessage MsgFromMail(const MailData& mail, bool unsent);

// A UTC date and time as FILETIME (100 ns since 1601-01-01 UTC). Throws
// kv::Error for an invalid date.
std::uint64_t UtcToFileTime(const DateTime& utc);

// Builds the file in memory and writes it in one piece: a new file where it
// is to be, an existing one replaced by a whole new one renamed over it. A
// failed write leaves no half file. Throws kv::Error on failure.
void WriteMsg(const std::filesystem::path& file, const MsgMessage& message);

}  // namespace kv::mailmsg
