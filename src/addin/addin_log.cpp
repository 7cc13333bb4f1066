#include "addin/addin_log.hpp"

#include <filesystem>

#include "support/dropped_error.hpp"
#include "settings/log_level.hpp"

namespace kv {

void OpenAddinLog(AddinContext& ctx) noexcept {
    ctx.gLog = FileLog(ctx.Time());
    // An unknown module folder would put the log at the file-system root; the lines are lost instead.
    const std::string& folder = ctx.Module().folder;
    try {
        ctx.gLog.LogFile(folder.empty() ? std::string()
                                        : folder + static_cast<char>(std::filesystem::path::preferred_separator) +
                                              "KVOutlookAddin.log");
        ctx.gLog.LogLevel(1);
        // A raised level must already hold for the toolbar steps of start-up.
        settings::ApplyStoredLogLevel(ctx.Registry(), ctx.gLog);
    } catch (...) {
        LogDroppedError(ctx.gLog, "OutAddIn: LogLevel", CurrentError());
    }
}

}  // namespace kv
