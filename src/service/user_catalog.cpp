#include "service/user_catalog.hpp"

#include <algorithm>

#include "catalog/customer_jobs.hpp"
#include "catalog/resource_list.hpp"
#include "service/api_types.hpp"

namespace kv::service {

namespace {

constexpr int kAllJobs = 2;
constexpr const char* kNoAccess = "The user may not file here";

}  // namespace

std::vector<ResourceRow> ListResources(db::Connection& db, std::int32_t userRessId, std::int32_t ressType) {
    std::vector<ResourceRow> rows;
    std::unique_ptr<db::RecordSet> rs = db.Execute(catalog::ResourceListQuery(ressType, userRessId));
    while (!rs->EndOfFile()) {
        rows.push_back({rs->Field("RessID").ToInt(), rs->Field("RessNavn").ToText(), rs->Field("RessTypeID").ToInt()});
        rs->MoveNext();
    }
    rs->Close();
    return rows;
}

std::vector<JobRow> ListJobs(db::Connection& db, std::int32_t userRessId, std::int32_t ressId, int statusIndex) {
    std::vector<JobRow> rows;
    std::unique_ptr<db::RecordSet> rs = db.Execute(catalog::JobListQuery(userRessId, ressId, statusIndex));
    while (!rs->EndOfFile()) {
        const Value archived = rs->Field("JobFolderArkiveret");
        rows.push_back(
            {rs->Field("JobID").ToInt(), rs->Field("JobNavn").ToText(), !archived.IsNull() && archived.ToInt() != 0});
        rs->MoveNext();
    }
    rs->Close();
    return rows;
}

ResourceRow RequireListedResource(db::Connection& db, std::int32_t userRessId, std::int32_t ressId) {
    // "<Alle>" lists most resources, so it is asked first.
    for (std::int32_t type = 0; type < static_cast<std::int32_t>(catalog::kResourceTypeNames.size()); ++type) {
        const std::vector<ResourceRow> listed = ListResources(db, userRessId, type);
        const auto found = std::find_if(listed.begin(), listed.end(), [&](const auto& r) { return r.id == ressId; });
        if (found != listed.end()) return *found;
    }
    Refuse(403, kNoAccess);
}

void RequireListedTarget(db::Connection& db, std::int32_t userRessId, std::int32_t ressId, std::int32_t jobId) {
    const ResourceRow resource = RequireListedResource(db, userRessId, ressId);
    if (jobId == 0) return;
    if (resource.type != catalog::kCustomerType) Refuse(403, kNoAccess);
    const std::vector<JobRow> jobs = ListJobs(db, userRessId, ressId, kAllJobs);
    if (std::none_of(jobs.begin(), jobs.end(), [&](const auto& j) { return j.id == jobId; })) Refuse(403, kNoAccess);
}

}  // namespace kv::service
