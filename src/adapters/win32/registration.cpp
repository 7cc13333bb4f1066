#include "adapters/win32/registration.hpp"

namespace kv::win32 {
namespace {

class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (h_) ::RegCloseKey(h_);
    }
    HKEY* Put() { return &h_; }
    HKEY Get() const { return h_; }

private:
    HKEY h_ = nullptr;
};

LSTATUS SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
}

LSTATUS SetNumber(HKEY key, const wchar_t* name, DWORD value) {
    return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// Creates (or opens) HKCU\path and sets its values through fill.
template <class Fill>
LSTATUS WriteKey(const std::wstring& path, Fill&& fill) {
    Key key;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                       nullptr, key.Put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    return fill(key.Get());
}

LSTATUS DeleteTree(const std::wstring& path) {
    // Deletes the key itself with everything below it.
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

LSTATUS WriteAll(const std::wstring& modulePath) {
    const std::wstring classKey = ClassKeyPath();
    LSTATUS status = WriteKey(classKey, [](HKEY key) { return SetText(key, nullptr, kAddinDisplayName); });
    if (status == ERROR_SUCCESS) {
        status = WriteKey(classKey + L"\\InprocServer32", [&](HKEY key) {
            LSTATUS s = SetText(key, nullptr, modulePath);
            return s == ERROR_SUCCESS ? SetText(key, L"ThreadingModel", L"Apartment") : s;
        });
    }
    if (status == ERROR_SUCCESS) {
        status = WriteKey(classKey + L"\\ProgID", [](HKEY key) { return SetText(key, nullptr, kConnectProgId); });
    }
    if (status == ERROR_SUCCESS) {
        status = WriteKey(ProgIdKeyPath(), [](HKEY key) { return SetText(key, nullptr, kAddinDisplayName); });
    }
    if (status == ERROR_SUCCESS) {
        status = WriteKey(ProgIdKeyPath() + L"\\CLSID", [](HKEY key) { return SetText(key, nullptr, kConnectClsid); });
    }
    if (status == ERROR_SUCCESS) {
        status = WriteKey(OutlookAddinKeyPath(), [](HKEY key) {
            LSTATUS s = SetText(key, L"FriendlyName", kAddinDisplayName);
            if (s == ERROR_SUCCESS) s = SetText(key, L"Description", kAddinDisplayName);
            return s == ERROR_SUCCESS ? SetNumber(key, L"LoadBehavior", kLoadAtStartup) : s;
        });
    }
    return status;
}

}  // namespace

std::wstring ClassKeyPath() { return std::wstring(L"Software\\Classes\\CLSID\\") + kConnectClsid; }
std::wstring ProgIdKeyPath() { return std::wstring(L"Software\\Classes\\") + kConnectProgId; }
std::wstring OutlookAddinKeyPath() {
    return std::wstring(L"Software\\Microsoft\\Office\\Outlook\\Addins\\") + kConnectProgId;
}

HRESULT RegisterServer(const std::wstring& modulePath) noexcept {
    if (modulePath.empty()) return E_INVALIDARG;
    try {
        const LSTATUS status = WriteAll(modulePath);
        if (status == ERROR_SUCCESS) return S_OK;
        UnregisterServer();
        return HRESULT_FROM_WIN32(status);
    } catch (...) {
        UnregisterServer();
        return E_OUTOFMEMORY;
    }
}

HRESULT UnregisterServer() noexcept {
    try {
        LSTATUS status = ERROR_SUCCESS;
        for (const std::wstring& path : {OutlookAddinKeyPath(), ProgIdKeyPath(), ClassKeyPath()}) {
            const LSTATUS one = DeleteTree(path);
            if (status == ERROR_SUCCESS) status = one;
        }
        return HRESULT_FROM_WIN32(status);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace kv::win32
