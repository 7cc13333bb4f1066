#include "adapters/win32/win32_registry_store.hpp"

#include <windows.h>

#include <limits>
#include <optional>
#include <string>

#include "adapters/win32/com_ptr.hpp"
#include "support/error.hpp"

namespace kv::win32 {
namespace {

// Only the roots the add-in knows; anything else is refused before Windows
// sees it, so a stray number never reaches another predefined key.
std::optional<HKEY> RootKey(RegRoot root) {
    switch (root) {
    case regroot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case regroot::CurrentUser: return HKEY_CURRENT_USER;
    case regroot::LocalMachine: return HKEY_LOCAL_MACHINE;
    default: return std::nullopt;
    }
}

HKEY Handle(const RegistryStore::Key& key) { return reinterpret_cast<HKEY>(key.Id()); }

// A registry name in UTF-16; empty when it cannot be one (an embedded NUL
// would silently cut the name short).
std::optional<std::wstring> WideName(std::string_view name) {
    if (name.find('\0') != std::string_view::npos) return std::nullopt;
    return Widen(std::string(name));
}

}  // namespace

RegStatus Win32RegistryStore::OpenKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) {
    out.Close();
    const auto rootKey = RootKey(root);
    if (!rootKey) return regstatus::InvalidHandle;
    const auto path = WideName(subKey);
    if (!path) return regstatus::InvalidParameter;
    HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyExW(*rootKey, path->c_str(), 0, access, &opened);
    if (status == ERROR_SUCCESS) out = Key(*this, reinterpret_cast<HandleId>(opened));
    return status;
}

RegStatus Win32RegistryStore::CreateKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) {
    out.Close();
    const auto rootKey = RootKey(root);
    if (!rootKey) return regstatus::InvalidHandle;
    const auto path = WideName(subKey);
    if (!path) return regstatus::InvalidParameter;
    HKEY created = nullptr;
    const LONG status = ::RegCreateKeyExW(*rootKey, path->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                          &created, nullptr);
    if (status == ERROR_SUCCESS) out = Key(*this, reinterpret_cast<HandleId>(created));
    return status;
}

RegStatus Win32RegistryStore::QueryValue(const Key& key, std::string_view name, RegType* type, Bytes* data) {
    if (!key.IsOpen()) return regstatus::InvalidHandle;
    const auto wide = WideName(name);
    if (!wide) return regstatus::InvalidParameter;
    DWORD storedType = 0;
    DWORD size = 0;
    LONG status = ::RegQueryValueExW(Handle(key), wide->c_str(), nullptr, &storedType, nullptr, &size);
    if (status != ERROR_SUCCESS) return status;
    Bytes buffer;
    if (data) {
        // The value may grow between the two calls (another process writing);
        // ask again with the size the registry reports until it fits.
        for (;;) {
            buffer.resize(size);
            DWORD got = size;
            status = ::RegQueryValueExW(Handle(key), wide->c_str(), nullptr, &storedType,
                                        buffer.empty() ? nullptr : buffer.data(), &got);
            if (status == ERROR_MORE_DATA) {
                size = got > size ? got : size * 2 + 16;
                continue;
            }
            if (status != ERROR_SUCCESS) return status;
            buffer.resize(got);
            break;
        }
        *data = std::move(buffer);
    }
    if (type) *type = storedType;
    return regstatus::Success;
}

RegStatus Win32RegistryStore::SetValue(const Key& key, std::string_view name, RegType type, const Bytes& data) {
    if (!key.IsOpen()) return regstatus::InvalidHandle;
    const auto wide = WideName(name);
    if (!wide) return regstatus::InvalidParameter;
    if (data.size() > std::numeric_limits<DWORD>::max()) return regstatus::InvalidParameter;
    // Windows wants a non-null pointer even for no data.
    static const BYTE kNothing = 0;
    return ::RegSetValueExW(Handle(key), wide->c_str(), 0, type, data.empty() ? &kNothing : data.data(),
                            static_cast<DWORD>(data.size()));
}

RegStatus Win32RegistryStore::DeleteValue(const Key& key, std::string_view name) {
    if (!key.IsOpen()) return regstatus::InvalidHandle;
    const auto wide = WideName(name);
    if (!wide) return regstatus::InvalidParameter;
    return ::RegDeleteValueW(Handle(key), wide->c_str());
}

RegStatus Win32RegistryStore::EnumValue(const Key& key, std::uint32_t index, std::string& name) {
    if (!key.IsOpen()) return regstatus::InvalidHandle;
    std::wstring buffer(kMaxValueNameUnits + 1, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    const LONG status = ::RegEnumValueW(Handle(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) name = Narrow(buffer.data(), length);
    return status;
}

RegStatus Win32RegistryStore::EnumKey(const Key& key, std::uint32_t index, std::string& name) {
    if (!key.IsOpen()) return regstatus::InvalidHandle;
    std::wstring buffer(kMaxKeyNameUnits + 1, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    const LONG status = ::RegEnumKeyExW(Handle(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) name = Narrow(buffer.data(), length);
    return status;
}

RegStatus Win32RegistryStore::DeleteKey(RegRoot root, std::string_view subKey) {
    const auto rootKey = RootKey(root);
    if (!rootKey) return regstatus::InvalidHandle;
    const auto path = WideName(subKey);
    // An empty path would name the root itself, which is never deleted.
    if (!path || path->empty()) return regstatus::InvalidParameter;
    return ::RegDeleteKeyW(*rootKey, path->c_str());
}

std::string Win32RegistryStore::ExpandEnvironment(std::string_view text) {
    if (text.empty()) return {};
    const std::wstring source = Widen(std::string(text));
    // The needed size includes the terminating NUL; it may change between
    // the calls when the environment does, so ask until it fits.
    DWORD needed = ::ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
    for (int attempt = 0; needed != 0 && attempt < 4; ++attempt) {
        std::wstring expanded(needed, L'\0');
        const DWORD got = ::ExpandEnvironmentStringsW(source.c_str(), expanded.data(), needed);
        if (got == 0) break;
        if (got <= needed) return Narrow(expanded.data(), got - 1);
        needed = got;
    }
    throw Error(static_cast<std::int32_t>(::GetLastError()), "Win32RegistryStore",
                "Environment references could not be expanded in: " + std::string(text));
}

void Win32RegistryStore::CloseKey(HandleId id) noexcept { ::RegCloseKey(reinterpret_cast<HKEY>(id)); }

}  // namespace kv::win32
