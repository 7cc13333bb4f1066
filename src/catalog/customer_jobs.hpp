#pragma once
// The jobs of a customer the user may see, and the look-ups that find a job
// by its number or its name.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ports/database.hpp"

namespace kv::catalog {

// The job status filter's items, by status list index.
inline constexpr std::array<const char*, 3> kJobStatusNames = {"Aktive jobs", "Lukkede jobs", "Alle jobs"};

// The job status condition and order for a status list index (0 active,
// 1 closed, anything else all jobs).
const char* StatusCondition(int listIndex);

// select, then the jobs of customer ressId's projects to which user has
// access level 1; accessColumn is how the access join names the customer
// column ("CustID" in the job list, "CustId" in the name lookup).
std::string CustomerJobsQuery(std::string_view select, std::string_view accessColumn, std::int32_t userRessId,
                              std::int32_t ressId);

// The job list of customer ressId under the status list index, with JobID,
// JobNavn and JobFolderArkiveret.
std::string JobListQuery(std::int32_t userRessId, std::int32_t ressId, int listIndex);

// The statement that finds the customer (KundeRessID) of job jobId among the
// customers the user may see.
std::string JobCustomerQuery(std::int32_t userRessId, std::int32_t jobId);

// The job of customer ressId whose name begins with text under the status
// filter, else the first whose name contains it under any status; none when
// neither finds one. The text is bound, so it is only ever text.
std::optional<std::int32_t> FindJobByName(db::Connection& connection, std::int32_t userRessId, std::int32_t ressId,
                                          int listIndex, const std::string& text);

}  // namespace kv::catalog
