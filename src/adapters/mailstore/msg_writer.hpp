#pragma once
// Outlook message files (.msg): a Compound File holding the MAPI properties
// of one message, its recipients and its attachments.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "adapters/mailstore/mail_data.hpp"
#include "ports/outlook/mail_wrapper.hpp"

namespace kv::mailstore {

struct MsgMessage {
    std::string subject;
    std::string senderName, senderAddress;  // both empty for an unsent mail
    std::vector<outlook::Recipient> recipients;
    std::optional<DateTime> submitTime;    // local time
    std::optional<DateTime> deliveryTime;  // local time
    std::int32_t importance = outlook::importance::Normal;
    std::string body;
    std::vector<Attachment> attachments;
    std::string messageId;
    bool unsent = false;
};

// The local date and time as FILETIME (100 ns since 1601-01-01 UTC). The
// host's times are local civil times, so they go through this machine's time
// zone rules (TZ); a time that a clock change makes ambiguous takes the
// rule the C library picks. Throws kv::Error for an invalid date.
std::uint64_t LocalToFileTime(const DateTime& local);

// Replaces the file when it exists; writes beside it and renames, so a failed
// write never leaves half a file. Throws kv::Error on failure.
void WriteMsg(const std::filesystem::path& file, const MsgMessage& message);

}  // namespace kv::mailstore
