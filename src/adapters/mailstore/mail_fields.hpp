#pragma once
// What a mail wrapper of the stand-in host answers from a mail as read: its
// sender as an address entry, its recipients as display texts.
#include <string>
#include <vector>

#include "adapters/mailmsg/mail_data.hpp"
#include "ports/outlook/mail_wrapper.hpp"

namespace kv::mailstore {

class MailSender : public outlook::AddressEntry {
public:
    explicit MailSender(mailmsg::Address address) : address_(std::move(address)) {}
    // The address stands in for a sender without a name, as the host shows it.
    std::string Name() const override;
    std::string Address() const override;
    void Close() override { closed_ = true; }

private:
    void Check() const;
    mailmsg::Address address_;
    bool closed_ = false;
};

// The names of the recipients of one type, joined by "; ".
std::string JoinNames(const std::vector<outlook::Recipient>& recipients, outlook::Recipient::Type type);

// The sender's display name: its name, else its address; "" without a sender.
std::string SenderDisplayName(const mailmsg::MailData& mail);

}  // namespace kv::mailstore
