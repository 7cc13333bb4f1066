#pragma once
// The choices the dialog remembers, kept for each Korvane user in the
// user's own settings file, read as the dialog reads them when it opens.
#include <cstdint>

#include "ports/registry_store.hpp"

namespace kv::service {

struct RememberedChoices {
    std::int32_t ressType = 0;    // "RessType": the type filter's position
    std::int32_t jobSetting = 1;  // "JobSetting": 1 active, 2 closed, 3 all jobs
    bool mailDelete = false;      // "MailDelete"
    std::int32_t lastRessId = 0;  // where the user last filed
    std::int32_t lastJobId = 0;
};

// What the dialog would show: a status or check-box value it could not
// take counts as its default.
RememberedChoices ReadRememberedChoices(RegistryStore& store);
// The last target filed into.
void RememberTarget(RegistryStore& store, std::int32_t ressId, std::int32_t jobId);

}  // namespace kv::service
