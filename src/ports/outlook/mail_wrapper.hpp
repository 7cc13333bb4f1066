#pragma once
// The mail-item wrapper: saves, resolves recipients, sends and reads the
// fields of one mail item. Created per use by a MailWrapperFactory.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ports/outlook/host.hpp"

namespace kv::outlook {

// The sender of a mail; unsent mails have none.
class AddressEntry {
public:
    virtual ~AddressEntry() = default;
    virtual std::string Name() const = 0;
    virtual std::string Address() const = 0;
    // Lets go of the entry; nothing is read from it afterwards.
    virtual void Close() = 0;
};

struct Recipient {
    enum Type : std::int32_t { To = 1, Cc = 2, Bcc = 3 };
    Type type = To;
    std::string name;     // display name; the address when the mail gives none
    std::string address;  // "" when the recipient has none
};

class MailWrapper {
public:
    virtual ~MailWrapper() = default;

    // Attaches a mail item; kv::Error (type mismatch) for any other item.
    virtual void SetItem(std::shared_ptr<Item> item) = 0;
    // The wrapped item; kv::Error when none is attached.
    virtual std::shared_ptr<outlook::Item> GetItem() const = 0;

    virtual void Save() = 0;
    // format: SaveAsMsgUnicode or SaveAsMsg (an old host refuses the
    // first); the file is replaced when it exists.
    virtual void SaveAs(const std::string& path, std::int32_t format) = 0;
    // True when every recipient resolves to an address.
    virtual bool ResolveAll() = 0;
    // Sends an unsent mail; kv::Error when it cannot be sent. Once sent, the
    // item is gone: its window closes and every call on it fails.
    virtual void Send() = 0;

    // Empty for a received mail without a sender. A draft may name the
    // account it is to be sent from: see SenderOfSentMail.
    virtual std::unique_ptr<AddressEntry> Sender() = 0;
    virtual std::string SenderName() const = 0;
    // Display texts: the recipients' names joined by "; ".
    virtual std::string To() const = 0;
    virtual std::string Cc() const = 0;
    virtual std::string Bcc() const = 0;
    virtual std::vector<Recipient> Recipients() const = 0;
    virtual std::string Body() const = 0;
    virtual std::int32_t AttachmentCount() const = 0;
    virtual std::string Subject() const = 0;
    virtual DateTime ReceivedTime() const = 0;
    virtual DateTime SentOn() const = 0;
};

// The sender of the wrapped mail, empty for a mail not yet sent whatever the
// host reports for it: only a sent or received mail has a sender to record
// or a reason to be thrown away after filing.
inline std::unique_ptr<AddressEntry> SenderOfSentMail(MailWrapper& mail) {
    if (!mail.GetItem()->Sent()) return nullptr;
    return mail.Sender();
}

class MailWrapperFactory {
public:
    virtual ~MailWrapperFactory() = default;
    virtual std::unique_ptr<MailWrapper> CreateMailWrapper() = 0;
};

}  // namespace kv::outlook
