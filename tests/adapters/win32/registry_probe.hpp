#pragma once
// Reads and writes of the test's own registry keys, for checking what the
// add-in registered.
#include <windows.h>

#include <optional>
#include <string>

namespace kv::win32::test {

std::optional<std::wstring> ReadText(HKEY root, const std::wstring& path, const wchar_t* name);
std::optional<DWORD> ReadNumber(HKEY root, const std::wstring& path, const wchar_t* name);
bool KeyExists(HKEY root, const std::wstring& path);
void WriteText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value);
void DeleteTree(HKEY root, const std::wstring& path);
// Copies root\from to root2\to, sub-keys and values included.
bool CopyTree(HKEY fromRoot, const std::wstring& from, HKEY toRoot, const std::wstring& to);

}  // namespace kv::win32::test
