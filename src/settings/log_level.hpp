#pragma once
// The logging threshold a user can raise with the stored value LogLevel.
#include "ports/registry_store.hpp"
#include "support/file_log.hpp"

namespace kv::settings {

// Sets log's level to the stored LogLevel when one above 0 is stored; leaves
// it as it is otherwise. Raises when the value cannot be read as a number.
void ApplyStoredLogLevel(RegistryStore& store, FileLog& log);

}  // namespace kv::settings
