#pragma once
// The per-user settings key that the main Korvane application writes and the
// add-in reads (and where the dialog remembers its choices).
#include <cstdint>
#include <optional>
#include <string>

#include "ports/registry_store.hpp"

namespace kv::settings {

inline constexpr const char* kSettingsKey = "Software\\Tolvenor\\Korvane\\OutlookSettings";

// The stored text of a value under the settings key; nullopt when not stored.
std::optional<std::string> ReadText(RegistryStore& store, const std::string& name);
// The stored number; nullopt when not stored. Raises when it cannot be read
// as a number.
std::optional<std::int32_t> ReadNumber(RegistryStore& store, const std::string& name);
// Writes a REG_DWORD under the settings key.
void WriteNumber(RegistryStore& store, const std::string& name, std::int32_t value);

}  // namespace kv::settings
