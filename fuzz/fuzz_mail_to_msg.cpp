// Any bytes as a mail file, taken the way the import takes one: read as the
// stand-in host reads an .eml, mapped to the message the import saves and
// written as .msg. A refusal (kv::Error) is a clear answer; only a crash or a
// sanitizer report is a finding.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "adapters/mailmsg/mail_data.hpp"
#include "adapters/mailmsg/msg_writer.hpp"
#include "support/error.hpp"

// libytnef loses a few hundred bytes on some damaged streams, inside its own
// parser (TNEFFillMapi and friends) where no caller can free them: a fault of
// the library to report upstream, not one of ours to stop the fuzzer on.
extern "C" const char* __lsan_default_suppressions() { return "leak:libytnef.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("kv_fuzz_mail_" + std::to_string(getpid()) + ".msg");
    try {
        const auto mail = kv::mailmsg::ParseMail(std::string(reinterpret_cast<const char*>(data), size));
        kv::mailmsg::WriteMsg(file, kv::mailmsg::MsgFromMail(mail, mail.unsentFlag));
    } catch (const kv::Error&) {}
    return 0;
}
