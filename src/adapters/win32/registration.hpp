#pragma once
// Per-user registration of the add-in: the COM class, its ProgId and the
// Outlook add-in entry, all under HKEY_CURRENT_USER so no administrator
// rights are needed.
#include <windows.h>

#include <string>

namespace kv::win32 {

// {DC7933BD-EBD4-41DF-915E-D2671E23E8B5}
inline constexpr CLSID CLSID_Connect = {0xDC7933BD, 0xEBD4, 0x41DF, {0x91, 0x5E, 0xD2, 0x67, 0x1E, 0x23, 0xE8, 0xB5}};

inline constexpr const wchar_t* kConnectClsid = L"{DC7933BD-EBD4-41DF-915E-D2671E23E8B5}";
inline constexpr const wchar_t* kConnectProgId = L"KVOutlookAddin.Connect";
inline constexpr const wchar_t* kAddinDisplayName = L"Korvane Outlook Addin";
inline constexpr DWORD kLoadAtStartup = 3;

// Key paths below HKEY_CURRENT_USER.
std::wstring ClassKeyPath();         // Software\Classes\CLSID\{...}
std::wstring ProgIdKeyPath();        // Software\Classes\KVOutlookAddin.Connect
std::wstring OutlookAddinKeyPath();  // Software\Microsoft\Office\Outlook\Addins\KVOutlookAddin.Connect

// Writes the three keys for the server at modulePath. On failure nothing
// stays half-written; the result is the failing call's HRESULT.
HRESULT RegisterServer(const std::wstring& modulePath) noexcept;
// Removes exactly those three keys (with their sub-keys); keys that are
// already gone are no error.
HRESULT UnregisterServer() noexcept;

}  // namespace kv::win32
