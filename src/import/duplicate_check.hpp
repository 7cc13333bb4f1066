#pragma once
// Whether Korvane already holds a mail among the documents of a job or of a
// resource: same sender text, same cleaned subject, same received time.
#include <cstdint>
#include <string>

#include "ports/database.hpp"
#include "support/value.hpp"

namespace kv {

// subject as the mail gives it (it is cleaned here); sender as GetSenderName
// forms it; id is the job number when isJob, else the resource number.
// A failing query raises.
bool IsMailImported(db::Connection& connection, const std::string& subject, const std::string& sender,
                    const DateTime& received, std::int32_t id, bool isJob);

}  // namespace kv
