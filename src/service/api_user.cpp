// Who the signed-in user is and the choices the dialog remembers for them.
#include "catalog/resource_list.hpp"
#include "service/remembered_choices.hpp"
#include "service/request_values.hpp"
#include "service/routes.hpp"
#include "settings/settings_key.hpp"
#include "settings/user_name.hpp"

namespace kv::service {

namespace {

constexpr std::int32_t kLastResourceType = static_cast<std::int32_t>(catalog::kResourceTypeNames.size()) - 1;
constexpr std::int32_t kLastJobSetting = 3;

}  // namespace

ApiReply GetMe(RequestContext& request, const ApiRequest&) {
    const RememberedChoices choices = ReadRememberedChoices(request.Settings());
    const std::int32_t user = request.Ctx().gUserRessId;
    return JsonReply(
        200,
        {{"userRessId", user},
         {"name", settings::UserName(request.Db(), user)},
         {"settings",
          {{"ressType", choices.ressType}, {"jobSetting", choices.jobSetting}, {"mailDelete", choices.mailDelete}}},
         {"last", {{"ressId", choices.lastRessId}, {"jobId", choices.lastJobId}}}});
}

ApiReply PutMeSettings(RequestContext& request, const ApiRequest& api) {
    const nlohmann::json body = JsonObjectBody(api);
    const std::optional<std::int32_t> ressType = MemberNumber(body, "ressType");
    const std::optional<std::int32_t> jobSetting = MemberNumber(body, "jobSetting");
    if (ressType && (*ressType < 0 || *ressType > kLastResourceType))
        Refuse(422, "ressType must be 0 to " + std::to_string(kLastResourceType));
    if (jobSetting && (*jobSetting < 1 || *jobSetting > kLastJobSetting)) Refuse(422, "jobSetting must be 1 to 3");
    if (body.contains("mailDelete") && !body.at("mailDelete").is_boolean())
        Refuse(422, "mailDelete must be true or false");

    RegistryStore& store = request.Settings();
    if (ressType) settings::WriteNumber(store, "RessType", *ressType);
    if (jobSetting) settings::WriteNumber(store, "JobSetting", *jobSetting);
    if (body.contains("mailDelete"))
        settings::WriteNumber(store, "MailDelete", body.at("mailDelete").get<bool>() ? 1 : 0);
    return {204, ""};
}

}  // namespace kv::service
