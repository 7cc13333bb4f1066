#pragma once
// Whether the add-in builds its toolbars: users who only want the ribbon
// store the text "Toolbars" = "0" in the settings key.
#include "ports/registry_store.hpp"

namespace kv::settings {

// False only when "Toolbars" holds "0"; true when it is absent or holds
// anything else. Raises when the value cannot be read.
bool ToolbarsWanted(RegistryStore& store);

}  // namespace kv::settings
