#pragma once
// The registry store over the real Windows registry, through its wide
// functions: names and texts keep every character, not only the ANSI code
// page's. Status codes are the registry's own, passed through unchanged.
#include "ports/registry_store.hpp"

namespace kv::win32 {

class Win32RegistryStore final : public RegistryStore {
public:
    RegStatus OpenKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) override;
    RegStatus CreateKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) override;
    RegStatus QueryValue(const Key& key, std::string_view name, RegType* type, Bytes* data) override;
    RegStatus SetValue(const Key& key, std::string_view name, RegType type, const Bytes& data) override;
    RegStatus DeleteValue(const Key& key, std::string_view name) override;
    RegStatus EnumValue(const Key& key, std::uint32_t index, std::string& name) override;
    RegStatus EnumKey(const Key& key, std::uint32_t index, std::string& name) override;
    RegStatus DeleteKey(RegRoot root, std::string_view subKey) override;
    std::string ExpandEnvironment(std::string_view text) override;

protected:
    void CloseKey(HandleId id) noexcept override;
};

}  // namespace kv::win32
