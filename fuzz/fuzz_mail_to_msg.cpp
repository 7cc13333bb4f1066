// Any bytes as a mail file: read as the stand-in host reads an .eml and
// written as the .msg the import saves. Neither step may crash.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "adapters/mailstore/mail_data.hpp"
#include "adapters/mailstore/msg_writer.hpp"
#include "support/error.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("kv_fuzz_mail_" + std::to_string(getpid()) + ".msg");
    const kv::mailstore::MailData mail = kv::mailstore::ParseMail(std::string(reinterpret_cast<const char*>(data), size));
    kv::mailstore::MsgMessage msg;
    msg.subject = mail.subject;
    msg.unsent = mail.unsentFlag;
    if (mail.from) {
        msg.senderName = mail.from->name;
        msg.senderAddress = mail.from->address;
    }
    msg.recipients = mail.recipients;
    msg.submitTime = mail.sentOn;
    msg.deliveryTime = mail.receivedTime;
    msg.importance = mail.importance;
    msg.body = mail.body;
    msg.attachments = mail.attachments;
    msg.messageId = mail.messageId;
    try {
        kv::mailstore::WriteMsg(file, msg);
    } catch (const kv::Error&) {
        // A refusal is a clear answer; only a crash is a finding.
    }
    return 0;
}
