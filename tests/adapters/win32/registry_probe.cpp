#include "registry_probe.hpp"

#include <vector>

namespace kv::win32::test {
namespace {

struct OpenKey {
    HKEY h = nullptr;
    OpenKey(HKEY root, const std::wstring& path, REGSAM access) {
        if (::RegOpenKeyExW(root, path.c_str(), 0, access, &h) != ERROR_SUCCESS) h = nullptr;
    }
    ~OpenKey() {
        if (h) ::RegCloseKey(h);
    }
};

// The raw value and its type, or nothing when the key or value is missing.
std::optional<std::vector<BYTE>> ReadRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD& type) {
    OpenKey key(root, path, KEY_READ);
    if (!key.h) return std::nullopt;
    DWORD size = 0;
    if (::RegQueryValueExW(key.h, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> data(size);
    if (::RegQueryValueExW(key.h, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    data.resize(size);
    return data;
}

}  // namespace

std::optional<std::wstring> ReadText(HKEY root, const std::wstring& path, const wchar_t* name) {
    DWORD type = 0;
    const auto data = ReadRaw(root, path, name, type);
    if (!data || type != REG_SZ) return std::nullopt;
    std::wstring text(reinterpret_cast<const wchar_t*>(data->data()), data->size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

std::optional<DWORD> ReadNumber(HKEY root, const std::wstring& path, const wchar_t* name) {
    DWORD type = 0;
    const auto data = ReadRaw(root, path, name, type);
    if (!data || type != REG_DWORD || data->size() != sizeof(DWORD)) return std::nullopt;
    return *reinterpret_cast<const DWORD*>(data->data());
}

bool KeyExists(HKEY root, const std::wstring& path) { return OpenKey(root, path, KEY_READ).h != nullptr; }

void WriteText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

void DeleteTree(HKEY root, const std::wstring& path) { ::RegDeleteTreeW(root, path.c_str()); }

bool CopyTree(HKEY fromRoot, const std::wstring& from, HKEY toRoot, const std::wstring& to) {
    OpenKey source(fromRoot, from, KEY_READ);
    if (!source.h) return false;
    HKEY target = nullptr;
    if (::RegCreateKeyExW(toRoot, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const bool copied = ::RegCopyTreeW(source.h, nullptr, target) == ERROR_SUCCESS;
    ::RegCloseKey(target);
    return copied;
}

}  // namespace kv::win32::test
