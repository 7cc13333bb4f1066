#include "settings/load_settings.hpp"

#include "settings/connection_text.hpp"
#include "settings/settings_key.hpp"
#include "support/dropped_error.hpp"
#include "support/error_trap.hpp"

namespace kv {

namespace {

// Throws when the database cannot be opened or read; the caller drops the
// connection whenever this does not answer true.
bool ReadSettingsAndConnect(AddinContext& ctx) {
    std::optional<std::string> stored = settings::ReadText(ctx.Registry(), "DBCn");
    if (!stored) return false;
    const db::ProviderFields connection = ParseConnectionText(*stored);
    ctx.gConnectionString = ProviderString(connection);

    std::string odbcDriver = settings::ReadText(ctx.Registry(), "OdbcDriver").value_or("");
    ctx.gConnection.reset();  // the previous connection goes before the next opens
    ctx.gConnection = ctx.Database().Open(connection, odbcDriver);

    std::optional<std::int32_t> userRessId = settings::ReadNumber(ctx.Registry(), "UserRessId");
    if (!userRessId || *userRessId == 0) return false;
    ctx.gUserRessId = *userRessId;
    ctx.gJobFolderNameArkiv = GetSysVariable(ctx, "DocHandlingJobFolderNameArkiv");
    ctx.gJobFolderName = GetSysVariable(ctx, "DocHandlingJobFolderName");
    return true;
}

}  // namespace

void ShowImportDialog(AddinContext& ctx) {
    ReportAndStop(
        [&] {
            if (LoadSettings(ctx)) {
                ctx.Dialog().ShowModal();
            } else {
                ctx.Prompts().MsgBox(kStartKorvaneFirst, ui::Buttons::OK, ui::Icon::Exclamation, "Korvane import");
            }
        },
        [&](const Error& e) {
            // The user is not bothered, but a dialog that never opens leaves a trace.
            ctx.gLog.WriteToLog("ShowImportDialog: " + e.Description(), 0, 2);
        });
}

bool LoadSettings(AddinContext& ctx) {
    bool loaded = false;
    ReportAndStop([&] { loaded = ReadSettingsAndConnect(ctx); },
                  [&](const Error& e) {
                      // The user is only told to start Korvane; the log keeps
                      // why (a missing driver, a database that will not open).
                      ctx.gLog.WriteToLog("LoadSettings: " + e.Description(), 0,
                                          static_cast<std::int32_t>(LogType::Error));
                  });
    if (!loaded) ctx.gConnection.reset();
    return loaded;
}

std::string GetSysVariable(AddinContext& ctx, const std::string& name) {
    if (!ctx.gConnection) throw Error(errnum::Unexpected, "GetSysVariable", "No database connection");
    // The query's failure reaches the caller; what follows may not fail it.
    auto rs = ctx.gConnection->Execute(" SELECT Vaerdi FROM SysVariabler WHERE VariableNavn=?", {Value(name)});
    std::string result;
    IgnoreStepLogged(ctx.gLog, "GetSysVariable", [&] {
        if (!rs->EndOfFile()) {
            Value value = rs->Field("Vaerdi");
            if (!value.IsNull()) result = value.ToText();
        }
    });
    IgnoreStepLogged(ctx.gLog, "GetSysVariable", [&] { rs->Close(); });
    return result;
}

}  // namespace kv
