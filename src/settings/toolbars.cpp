#include "settings/toolbars.hpp"

#include "settings/settings_key.hpp"

namespace kv::settings {

bool ToolbarsWanted(RegistryStore& store) { return ReadText(store, "Toolbars") != "0"; }

}  // namespace kv::settings
