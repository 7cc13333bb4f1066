#pragma once
// The registry as cRegistry sees it: predefined roots, keys opened and created
// by path, typed values as raw bytes. The calls mirror the Win32 registry
// functions one to one (RegOpenKeyExW, RegCreateKeyExW, RegQueryValueExW,
// RegSetValueExW, RegEnumValueW, RegEnumKeyExW, RegDeleteKeyW, RegDeleteValueW,
// ExpandEnvironmentStringsW) and answer with the same status codes, so a store
// over the real registry needs no translation.
//
// Names and texts are UTF-8 here. Value data is raw bytes exactly as Windows
// keeps them: REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ as UTF-16LE with the
// terminating NUL, REG_DWORD as four little-endian bytes.
//
// Key and value names compare case-insensitively and keep the case they were
// created with. A store whose backing storage is unusable (a corrupt file, a
// failed disk write) throws kv::Error saying so instead of answering a status.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "support/value.hpp"

namespace kv {

using RegStatus = std::int32_t;
using RegRoot = std::uint32_t;
using RegType = std::uint32_t;
using RegAccess = std::uint32_t;

namespace regstatus {
inline constexpr RegStatus Success = 0;
inline constexpr RegStatus FileNotFound = 2;
inline constexpr RegStatus AccessDenied = 5;
inline constexpr RegStatus InvalidHandle = 6;
inline constexpr RegStatus InvalidParameter = 87;
inline constexpr RegStatus MoreData = 234;
inline constexpr RegStatus NoMoreItems = 259;
inline constexpr RegStatus KeyDeleted = 1018;
}  // namespace regstatus

namespace regroot {
inline constexpr RegRoot ClassesRoot = 0x80000000u;
inline constexpr RegRoot CurrentUser = 0x80000001u;
inline constexpr RegRoot LocalMachine = 0x80000002u;
}  // namespace regroot

namespace regtype {
inline constexpr RegType None = 0;
inline constexpr RegType Sz = 1;
inline constexpr RegType ExpandSz = 2;
inline constexpr RegType Binary = 3;
inline constexpr RegType Dword = 4;
inline constexpr RegType DwordBigEndian = 5;
inline constexpr RegType Link = 6;
inline constexpr RegType MultiSz = 7;
inline constexpr RegType Qword = 11;
}  // namespace regtype

namespace regaccess {
inline constexpr RegAccess QueryValue = 0x0001;
inline constexpr RegAccess SetValue = 0x0002;
inline constexpr RegAccess CreateSubKey = 0x0004;
inline constexpr RegAccess EnumerateSubKeys = 0x0008;
inline constexpr RegAccess Notify = 0x0010;
inline constexpr RegAccess CreateLink = 0x0020;
// What cRegistry asks for when it writes: all of the above.
inline constexpr RegAccess Write = 0x003F;
inline constexpr RegAccess Read = 0x20019;
}  // namespace regaccess

// Longest key name part Windows allows, in UTF-16 code units.
inline constexpr std::size_t kMaxKeyNameUnits = 255;
// Longest value name Windows allows, in UTF-16 code units.
inline constexpr std::size_t kMaxValueNameUnits = 16383;

class RegistryStore {
public:
    using HandleId = std::uintptr_t;

    // An open key; closed when it goes out of scope, like an HKEY that
    // RegCloseKey is always called on.
    class Key {
    public:
        Key() = default;
        Key(RegistryStore& store, HandleId id) : store_(&store), id_(id) {}
        Key(Key&& other) noexcept : store_(std::exchange(other.store_, nullptr)), id_(std::exchange(other.id_, 0)) {}
        Key& operator=(Key&& other) noexcept {
            if (this != &other) {
                Close();
                store_ = std::exchange(other.store_, nullptr);
                id_ = std::exchange(other.id_, 0);
            }
            return *this;
        }
        Key(const Key&) = delete;
        Key& operator=(const Key&) = delete;
        ~Key() { Close(); }

        bool IsOpen() const { return store_ != nullptr; }
        HandleId Id() const { return id_; }
        void Close() noexcept {
            if (store_ != nullptr) std::exchange(store_, nullptr)->CloseKey(id_);
            id_ = 0;
        }

    private:
        RegistryStore* store_ = nullptr;
        HandleId id_ = 0;
    };

    virtual ~RegistryStore() = default;

    // Opens root\subKey (an empty subKey opens the root itself). 2 when the key
    // is missing, 6 for an unknown root.
    virtual RegStatus OpenKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) = 0;
    // Opens root\subKey, creating it and any missing keys on the path.
    virtual RegStatus CreateKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) = 0;

    // Type and data of a value ("" names the key's unnamed value); either
    // output may be null. 2 when the value is missing. The whole data comes
    // back in one call: a store over the Win32 registry asks again with a
    // bigger buffer on 234 itself.
    virtual RegStatus QueryValue(const Key& key, std::string_view name, RegType* type, Bytes* data) = 0;
    virtual RegStatus SetValue(const Key& key, std::string_view name, RegType type, const Bytes& data) = 0;
    virtual RegStatus DeleteValue(const Key& key, std::string_view name) = 0;

    // The index-th value name / sub-key name in store order; 259 past the end.
    virtual RegStatus EnumValue(const Key& key, std::uint32_t index, std::string& name) = 0;
    virtual RegStatus EnumKey(const Key& key, std::uint32_t index, std::string& name) = 0;

    // Deletes root\subKey, which must have no sub-keys (5 otherwise, as Windows).
    virtual RegStatus DeleteKey(RegRoot root, std::string_view subKey) = 0;

    // %NAME% references replaced from the environment; unknown names stay as
    // written. (Not called ExpandEnvironmentStrings: <windows.h> makes that
    // name a macro.)
    virtual std::string ExpandEnvironment(std::string_view text) = 0;

protected:
    virtual void CloseKey(HandleId id) noexcept = 0;
};

}  // namespace kv
