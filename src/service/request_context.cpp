#include "service/request_context.hpp"

#include "service/api_types.hpp"
#include "settings/connection_text.hpp"
#include "settings/load_settings.hpp"

namespace kv::service {

std::filesystem::path UserSettingsFile(const std::filesystem::path& stateDir, std::int32_t userRessId) {
    return stateDir / "users" / (std::to_string(userRessId) + ".reg");
}

RequestContext::RequestContext(const ServiceWorld& world, std::int32_t userRessId)
    : world_(world),
      userRessId_(userRessId),
      registry_(UserSettingsFile(world.stateDir, userRessId)),
      ctx_(Platform{registry_, witness_.Database(), witness_.Files(), clock_, random_, prompts_, view_,
                    witness_.MailWrappers(), world.module}) {
    ctx_.gLog.LogFile((world.stateDir / "kvfiled.log").string());
}

void RequestContext::Connect() {
    try {
        ctx_.gConnectionString = ProviderString(world_.database.connection);
        ctx_.gUserRessId = userRessId_;
        if ((ctx_.gConnection = world_.connections->Take())) {
            try {
                ReadSystemVariables();
                return;
            } catch (const Error& e) {
                // An idle connection the server has dropped since (a restart,
                // an idle timeout) fails at its first statement; a new one
                // serves the request.
                ctx_.gLog.WriteToLog("Connect: an idle connection failed, opening a new one: " + e.Description(), 0,
                                     static_cast<std::int32_t>(LogType::Error));
            }
        }
        ctx_.gConnection = ctx_.Database().Open(world_.database.connection, world_.database.odbcDriver);
        ReadSystemVariables();
    } catch (const Error& e) {
        ctx_.gLog.WriteToLog("Connect: " + e.Description(), 0, static_cast<std::int32_t>(LogType::Error));
        ctx_.gConnection.reset();
        Refuse(503, kStartKorvaneFirst);
    }
}

void RequestContext::ReadSystemVariables() {
    ctx_.gJobFolderNameArkiv = GetSysVariable(ctx_, "DocHandlingJobFolderNameArkiv");
    ctx_.gJobFolderName = GetSysVariable(ctx_, "DocHandlingJobFolderName");
}

void RequestContext::Release() { world_.connections->Give(std::move(ctx_.gConnection)); }

}  // namespace kv::service
