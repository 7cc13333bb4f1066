#include "adapters/mailstore/mail_fields.hpp"

#include "ports/outlook/host.hpp"

namespace kv::mailstore {

std::string MailSender::Name() const {
    Check();
    return address_.name.empty() ? address_.address : address_.name;
}

std::string MailSender::Address() const {
    Check();
    return address_.address;
}

void MailSender::Check() const {
    if (closed_) throw Error(outlook::hosterr::ObjectGone, "MailStore", "The address entry is closed");
}

std::string JoinNames(const std::vector<outlook::Recipient>& recipients, outlook::Recipient::Type type) {
    std::string out;
    for (const auto& r : recipients) {
        if (r.type != type) continue;
        if (!out.empty()) out += "; ";
        out += r.name;
    }
    return out;
}

std::string SenderDisplayName(const mailmsg::MailData& mail) {
    if (!mail.from) return {};
    return mail.from->name.empty() ? mail.from->address : mail.from->name;
}

}  // namespace kv::mailstore
