#pragma once
// winmail.dat: the TNEF stream ([MS-OXTNEF]) Outlook and Exchange attach to
// rich-text mail, carrying the real attachments and the RTF body.
#include <optional>
#include <string>
#include <vector>

#include "adapters/mailmsg/mail_data.hpp"

namespace kv::mailmsg {

struct TnefContent {
    std::vector<Attachment> attachments;
    Bytes rtfCompressed;       // PR_RTF_COMPRESSED as it came; empty when none
    std::string messageClass;  // "" when it names plain mail
};

// True for a part that carries a TNEF stream, by its type or its name.
bool IsTnefPart(const std::string& mimeType, const std::string& fileName);

// The content of a TNEF stream; nothing, with why set, when it cannot be read.
std::optional<TnefContent> ReadTnef(const Bytes& data, std::string& why);

}  // namespace kv::mailmsg
