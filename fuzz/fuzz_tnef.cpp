// Any bytes as a winmail.dat: unpacked by libytnef as the .eml reader does
// and, when it reads, written as the .msg the import saves. A refusal is a
// clear answer; only a crash or a sanitizer report is a finding.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "adapters/mailmsg/msg_writer.hpp"
#include "adapters/mailmsg/tnef.hpp"
#include "support/error.hpp"

// libytnef loses a few hundred bytes on some damaged streams, inside its own
// parser (TNEFFillMapi and friends) where no caller can free them: a fault of
// the library to report upstream, not one of ours to stop the fuzzer on.
extern "C" const char* __lsan_default_suppressions() { return "leak:libytnef.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("kv_fuzz_tnef_" + std::to_string(getpid()) + ".msg");
    std::string why;
    auto tnef = kv::mailmsg::ReadTnef(kv::Bytes(data, data + size), why);
    if (!tnef) return 0;
    kv::mailmsg::MailData mail;
    mail.attachments = std::move(tnef->attachments);
    mail.rtfCompressed = std::move(tnef->rtfCompressed);
    mail.messageClass = std::move(tnef->messageClass);
    try {
        kv::mailmsg::WriteMsg(file, kv::mailmsg::MsgFromMail(mail, false));
    } catch (const kv::Error&) {}
    return 0;
}
