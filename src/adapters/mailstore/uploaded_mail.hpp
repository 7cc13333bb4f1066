#pragma once
// A mail that reached us as bytes rather than through a store folder (an
// upload to the filing service): read as the stand-in host reads an .eml
// file, and saved as .msg the same way. It lives in no folder, so it cannot
// be moved, and it belongs to no application.
#include <memory>
#include <optional>
#include <string>

#include "ports/outlook.hpp"
#include "support/value.hpp"

namespace kv::mailstore {

// The bytes read as a mail; arrival (UTC) dates one that carries neither
// Date nor Received. Throws kv::Error when they are no mail at all (empty,
// binary, no mail header).
std::shared_ptr<outlook::Item> ReadUploadedMail(const std::string& raw, std::optional<DateTime> arrival);

// Wrappers for uploaded mails; any other item is refused.
class UploadedMailWrappers final : public outlook::MailWrapperFactory {
public:
    std::unique_ptr<outlook::MailWrapper> CreateMailWrapper() override;
};

}  // namespace kv::mailstore
