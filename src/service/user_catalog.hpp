#pragma once
// The lists the signed-in user may file into, read with the dialog's own
// statements, and the checks that a resource or job asked for is in them:
// the client is never taken at its word about what the user may see.
#include <cstdint>
#include <string>
#include <vector>

#include "ports/database.hpp"

namespace kv::service {

struct ResourceRow {
    std::int32_t id = 0;
    std::string name;
    std::int32_t type = 0;
};

struct JobRow {
    std::int32_t id = 0;
    std::string name;
    bool archived = false;
};

// The resource list of type filter ressType (0: "<Alle>").
std::vector<ResourceRow> ListResources(db::Connection& db, std::int32_t userRessId, std::int32_t ressType);
// The job list of customer ressId under the status list index.
std::vector<JobRow> ListJobs(db::Connection& db, std::int32_t userRessId, std::int32_t ressId, int statusIndex);

// The resource as the user can list it under some type filter; 403 when
// no filter lists it.
ResourceRow RequireListedResource(db::Connection& db, std::int32_t userRessId, std::int32_t ressId);
// 403 unless the resource is listed and, for a job, the job is among its
// jobs of any status.
void RequireListedTarget(db::Connection& db, std::int32_t userRessId, std::int32_t ressId, std::int32_t jobId);

}  // namespace kv::service
