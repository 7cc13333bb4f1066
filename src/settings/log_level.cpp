#include "settings/log_level.hpp"

#include "settings/settings_key.hpp"

namespace kv::settings {

void ApplyStoredLogLevel(RegistryStore& store, FileLog& log) {
    if (std::optional<std::int32_t> level = ReadNumber(store, "LogLevel"); level && *level > 0) log.LogLevel(*level);
}

}  // namespace kv::settings
