#include "service/remembered_choices.hpp"

#include "settings/settings_key.hpp"

namespace kv::service {

namespace {

constexpr std::int32_t kStatusCount = 3;
constexpr std::int32_t kCheckedValue = 1;
constexpr std::int32_t kGrayedValue = 2;

}  // namespace

RememberedChoices ReadRememberedChoices(RegistryStore& store) {
    RememberedChoices choices;
    const std::optional<std::int32_t> jobSetting = settings::ReadNumber(store, "JobSetting");
    if (jobSetting && *jobSetting >= 1 && *jobSetting <= kStatusCount) choices.jobSetting = *jobSetting;
    const std::optional<std::int32_t> mailDelete = settings::ReadNumber(store, "MailDelete");
    if (mailDelete && *mailDelete >= 0 && *mailDelete <= kGrayedValue)
        choices.mailDelete = *mailDelete == kCheckedValue;
    choices.ressType = settings::ReadNumber(store, "RessType").value_or(0);
    choices.lastRessId = settings::ReadNumber(store, "LastRessId").value_or(0);
    choices.lastJobId = settings::ReadNumber(store, "LastJobId").value_or(0);
    return choices;
}

void RememberTarget(RegistryStore& store, std::int32_t ressId, std::int32_t jobId) {
    // Each write rewrites the user's file durably; a user files mail after
    // mail into the same job, which then needs no write at all.
    const auto remember = [&store](const std::string& name, std::int32_t value) {
        if (settings::ReadNumber(store, name) != value) settings::WriteNumber(store, name, value);
    };
    remember("LastRessId", ressId);
    remember("LastJobId", jobId);
}

}  // namespace kv::service
