// KVOutlookAddin.dll as Windows uses it: loaded by path, registered through
// its exports, and its version and icon resources (COM creating it from its
// ProgId is the fake Outlook's start).
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/dialog/dialog_icon.h"
#include "adapters/win32/module.hpp"
#include "adapters/win32/registration.hpp"
#include "addin_dll_fixture.hpp"
#include "registry_probe.hpp"
#include "support/error.hpp"

namespace kv::win32 {
namespace {

using test::AddinDll;
using test::KeyExists;
using test::ReadNumber;
using test::ReadText;

using test::kUser;

TEST_F(AddinDll, RegistersClassProgIdAndOutlookEntryForTheUser) {
    // Stale values of an earlier install are replaced.
    test::WriteText(kUser, ClassKeyPath() + L"\\InprocServer32", nullptr, L"C:\\old\\KVOutlookAddin.dll");
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);

    const std::wstring classKey = L"Software\\Classes\\CLSID\\{DC7933BD-EBD4-41DF-915E-D2671E23E8B5}";
    EXPECT_EQ(ReadText(kUser, classKey + L"\\InprocServer32", nullptr), ModulePath(dll_));
    EXPECT_EQ(ReadText(kUser, classKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(ReadText(kUser, classKey + L"\\ProgID", nullptr), L"KVOutlookAddin.Connect");
    EXPECT_EQ(ReadText(kUser, L"Software\\Classes\\KVOutlookAddin.Connect\\CLSID", nullptr),
              L"{DC7933BD-EBD4-41DF-915E-D2671E23E8B5}");

    const std::wstring addinKey = L"Software\\Microsoft\\Office\\Outlook\\Addins\\KVOutlookAddin.Connect";
    EXPECT_EQ(ReadText(kUser, addinKey, L"FriendlyName"), L"Korvane Outlook Addin");
    EXPECT_EQ(ReadText(kUser, addinKey, L"Description"), L"Korvane Outlook Addin");
    EXPECT_EQ(ReadNumber(kUser, addinKey, L"LoadBehavior"), 3u);
    // Registering twice is the same as once.
    EXPECT_EQ(Call("DllRegisterServer"), S_OK);
    EXPECT_EQ(ReadNumber(kUser, addinKey, L"LoadBehavior"), 3u);
}

TEST_F(AddinDll, UnregisteringRemovesExactlyItsOwnKeys) {
    const std::wstring otherAddin = L"Software\\Microsoft\\Office\\Outlook\\Addins\\Other.Connect";
    const std::wstring otherClass = L"Software\\Classes\\CLSID\\{0E1B2C3D-4E5F-4071-8293-A4B5C6D7E8F9}";
    const std::wstring otherProgId = L"Software\\Classes\\KVOutlookAddin.Other";
    for (const auto& key : {otherAddin, otherClass, otherProgId}) test::WriteText(kUser, key, nullptr, L"keep");

    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
    EXPECT_FALSE(KeyExists(kUser, ClassKeyPath()));
    EXPECT_FALSE(KeyExists(kUser, ProgIdKeyPath()));
    EXPECT_FALSE(KeyExists(kUser, OutlookAddinKeyPath()));
    for (const auto& key : {otherAddin, otherClass, otherProgId}) {
        EXPECT_EQ(ReadText(kUser, key, nullptr), L"keep") << Narrow(key);
        test::DeleteTree(kUser, key);
    }
    EXPECT_TRUE(KeyExists(kUser, L"Software\\Microsoft\\Office\\Outlook\\Addins"));
    EXPECT_TRUE(KeyExists(kUser, L"Software\\Classes\\CLSID"));
    // Nothing left to remove is no failure.
    EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
}

TEST_F(AddinDll, CarriesItsVersionAndTellsItsFolder) {
    // (The version as the dialog's caption shows it is the import test's.)
    const ModuleInfo info = ReadModuleInfo(dll_);
    EXPECT_EQ(info.fileName, "KVOutlookAddin.dll");
    EXPECT_EQ(info.folder + "\\" + info.fileName, Narrow(ModulePath(dll_)));

    const std::wstring path = ModulePath(dll_);
    DWORD ignored = 0;
    std::vector<BYTE> data(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
    wchar_t* text = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\FileVersion",
                                 reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::wstring(text), L"1.00.0150");

    // The dialog's icon, which the dialog shows from the module's resources.
    HANDLE icon = ::LoadImageW(dll_, MAKEINTRESOURCEW(KV_DIALOG_ICON), IMAGE_ICON, 32, 32, 0);
    EXPECT_NE(icon, nullptr);
    if (icon) ::DestroyIcon(static_cast<HICON>(icon));

    // The test program itself has no version resource: a clear error.
    EXPECT_THROW(ReadModuleInfo(::GetModuleHandleW(nullptr)), Error);
}

}  // namespace
}  // namespace kv::win32
