#pragma once
// Reading the stored configuration and opening the database at the start of
// every import.
#include <string>

#include "context/addin_context.hpp"

namespace kv {

// The message the user sees whenever settings or database are not usable.
inline constexpr const char* kStartKorvaneFirst = "Start Korvane mindst en gang før denne funktion kan bruges";

// Loads the settings and, when that works, shows the import dialog modally.
// Returns after the dialog has closed; never raises.
void ShowImportDialog(AddinContext& ctx);

// True when the settings were read, the connection is open and the user's
// resource id is set. Never raises; a failure empties gConnection.
bool LoadSettings(AddinContext& ctx);

// The value of one row of SysVariabler; "" for a missing row or NULL.
// A failing query raises.
std::string GetSysVariable(AddinContext& ctx, const std::string& name);

}  // namespace kv
