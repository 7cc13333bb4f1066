#include "settings/settings_key.hpp"

#include "support/c_registry.hpp"

namespace kv::settings {

namespace {

// The add-in's one pattern: a new accessor on the settings key for each value.
cRegistry SettingsValue(RegistryStore& store, const std::string& name, std::int32_t valueType) {
    cRegistry reg(store);
    reg.SetClassKey(cRegistry::HkeyCurrentUser);
    reg.SetSectionKey(kSettingsKey);
    reg.SetValueKey(name);
    reg.SetValueType(valueType);
    return reg;
}

}  // namespace

std::optional<std::string> ReadText(RegistryStore& store, const std::string& name) {
    Value value = SettingsValue(store, name, cRegistry::RegSz).GetValue();
    if (value.IsEmpty()) return std::nullopt;
    return value.ToText();
}

std::optional<std::int32_t> ReadNumber(RegistryStore& store, const std::string& name) {
    Value value = SettingsValue(store, name, cRegistry::RegDword).GetValue();
    if (value.IsEmpty()) return std::nullopt;
    return value.ToInt();
}

void WriteNumber(RegistryStore& store, const std::string& name, std::int32_t value) {
    SettingsValue(store, name, cRegistry::RegDword).SetValue(Value(value));
}

}  // namespace kv::settings
