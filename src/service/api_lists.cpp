// The resource types, the resources and jobs the user may see, and the job
// look-ups by number and name, each as the dialog lists and finds them.
#include <algorithm>

#include "catalog/customer_jobs.hpp"
#include "catalog/resource_list.hpp"
#include "service/remembered_choices.hpp"
#include "service/request_values.hpp"
#include "service/routes.hpp"
#include "service/user_catalog.hpp"

namespace kv::service {

namespace {

constexpr const char* kJobNotFound = "Job blev ikke fundet";

// The status list index of a status (1 active, 2 closed, 3 all), the
// user's remembered one when the request names none.
int StatusIndex(RequestContext& request, const ApiRequest& api) {
    const std::int32_t status = QueryNumber(api, "status", ReadRememberedChoices(request.Settings()).jobSetting);
    if (status < 1 || status > static_cast<std::int32_t>(catalog::kJobStatusNames.size()))
        Refuse(400, "status must be 1, 2 or 3");
    return status - 1;
}

bool Lists(const std::vector<JobRow>& jobs, std::int32_t jobId) {
    return std::any_of(jobs.begin(), jobs.end(), [&](const JobRow& job) { return job.id == jobId; });
}

}  // namespace

ApiReply GetResourceTypes(RequestContext&, const ApiRequest&) {
    nlohmann::json types = nlohmann::json::array();
    for (std::size_t id = 0; id < catalog::kResourceTypeNames.size(); ++id)
        types.push_back({{"id", id}, {"name", catalog::kResourceTypeNames[id]}});
    return JsonReply(200, types);
}

ApiReply GetResources(RequestContext& request, const ApiRequest& api) {
    const std::int32_t type = QueryNumber(api, "type", 0);
    if (type < 0 || type >= static_cast<std::int32_t>(catalog::kResourceTypeNames.size()))
        Refuse(400, "type must be 0 to 8");
    nlohmann::json list = nlohmann::json::array();
    for (const ResourceRow& r : ListResources(request.Db(), request.Ctx().gUserRessId, type))
        list.push_back({{"id", r.id}, {"name", r.name}, {"type", r.type}});
    return JsonReply(200, list);
}

ApiReply GetJobs(RequestContext& request, const ApiRequest& api) {
    const std::int32_t ressId = PathNumber(api, 0, "ressId");
    const int statusIndex = StatusIndex(request, api);
    const std::int32_t user = request.Ctx().gUserRessId;
    const ResourceRow resource = RequireListedResource(request.Db(), user, ressId);
    nlohmann::json list = nlohmann::json::array();
    if (resource.type != catalog::kCustomerType) return JsonReply(200, list);
    for (const JobRow& job : ListJobs(request.Db(), user, ressId, statusIndex))
        list.push_back({{"id", job.id}, {"name", job.name}, {"archived", job.archived}});
    return JsonReply(200, list);
}

ApiReply GetJobByNumber(RequestContext& request, const ApiRequest& api) {
    const std::int32_t jobId = PathNumber(api, 0, "jobId");
    const int statusIndex = StatusIndex(request, api);
    const std::string notFound = "Job nr " + std::to_string(jobId) + " blev ikke fundet ";
    const std::int32_t user = request.Ctx().gUserRessId;
    db::Connection& db = request.Db();

    std::unique_ptr<db::RecordSet> rs = db.Execute(catalog::JobCustomerQuery(user, jobId));
    if (rs->EndOfFile()) {
        rs->Close();
        Refuse(404, notFound);
    }
    const std::int32_t ressId = rs->Field("KundeRessID").ToInt();
    rs->Close();
    // Found only where the dialog finds it: its customer listed, the job in
    // that customer's list under the status filter.
    const std::vector<ResourceRow> customers = ListResources(db, user, catalog::kCustomerType);
    if (std::none_of(customers.begin(), customers.end(), [&](const ResourceRow& r) { return r.id == ressId; }) ||
        !Lists(ListJobs(db, user, ressId, statusIndex), jobId))
        Refuse(404, notFound);
    return JsonReply(200, {{"ressId", ressId}, {"jobId", jobId}});
}

ApiReply GetJobByName(RequestContext& request, const ApiRequest& api) {
    const std::int32_t ressId = PathNumber(api, 0, "ressId");
    const std::string name = QueryText(api, "name");
    const int statusIndex = StatusIndex(request, api);
    const std::int32_t user = request.Ctx().gUserRessId;
    db::Connection& db = request.Db();
    if (RequireListedResource(db, user, ressId).type != catalog::kCustomerType) Refuse(404, kJobNotFound);

    const std::optional<std::int32_t> jobId = catalog::FindJobByName(db, user, ressId, statusIndex, name);
    // The containment search ignores the status filter; the job must still
    // be in the list.
    if (!jobId || !Lists(ListJobs(db, user, ressId, statusIndex), *jobId)) Refuse(404, kJobNotFound);
    return JsonReply(200, {{"jobId", *jobId}});
}

}  // namespace kv::service
