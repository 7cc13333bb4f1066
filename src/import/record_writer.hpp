#pragma once
// The record of one filed mail: its DocMailImport row, which the database's
// DocMailImportExec then files as a Korvane document; and the sender text
// that row stores and the duplicate check compares.
#include <cstdint>
#include <optional>
#include <string>

#include "context/addin_context.hpp"
#include "ports/outlook.hpp"
#include "support/value.hpp"

namespace kv {

// What the import read of a mail once, for the check and the record alike.
struct MailFacts {
    std::string subject;  // as the mail gives it
    std::string sender;   // as GetSenderName forms it
    DateTime received;
};

// Where the record files the mail.
struct RecordTarget {
    std::optional<std::int32_t> ressId;  // none fails the record
    std::int32_t jobId = 0;
    std::string subFolder;
};

// Writes the row for file (the saved .msg of mail) and runs the procedure;
// true when it answered success. A failure is shown ("UpdateDB") and logged
// with its step, and gives false.
bool UpdateDB(AddinContext& ctx, const std::string& file, outlook::MailWrapper& mail, const MailFacts& facts,
              const RecordTarget& target);

// "Name [address]" of the sender of a sent or received mail (the name
// alone for an address without "@"), the user's own name for a mail not yet
// sent; "" (logged) when it cannot be read.
std::string GetSenderName(AddinContext& ctx, outlook::MailWrapper& mail);

}  // namespace kv
