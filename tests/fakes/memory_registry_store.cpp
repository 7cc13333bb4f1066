#include "fakes/memory_registry_store.hpp"

#include "support/registry_text.hpp"

namespace kv::fakes {

RegStatus MemoryRegistryStore::OpenKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) {
    if (faults_.refuseOpenKey) {
        out.Close();
        return regstatus::AccessDenied;
    }
    return TreeRegistryStore::OpenKey(root, subKey, access, out);
}

RegStatus MemoryRegistryStore::CreateKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) {
    if (faults_.refuseCreateKey) {
        out.Close();
        return regstatus::AccessDenied;
    }
    return TreeRegistryStore::CreateKey(root, subKey, access, out);
}

RegStatus MemoryRegistryStore::SetValue(const Key& key, std::string_view name, RegType type, const Bytes& data) {
    if (faults_.refuseSetValue) return regstatus::AccessDenied;
    return TreeRegistryStore::SetValue(key, name, type, data);
}

std::string MemoryRegistryStore::ExpandEnvironment(std::string_view text) {
    return reg::ExpandPercentReferences(text, [this](const std::string& name) -> std::optional<std::string> {
        for (const auto& [known, value] : environment_)
            if (reg::SameName(known, name)) return value;
        return std::nullopt;
    });
}

}  // namespace kv::fakes
