#pragma once
// The built KVOutlookAddin.dll loaded by path, with what a test needs to
// create its Connect object through COM.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/registration.hpp"
#include "registry_probe.hpp"

#ifndef KV_ADDIN_DLL
#error KV_ADDIN_DLL must name the built add-in
#endif

namespace kv::win32::test {

// The build names the DLL by its host path; under Wine a host path is on Z:.
inline std::wstring DllPath() {
    std::wstring path = Widen(KV_ADDIN_DLL);
    if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

// KV_ADDIN_INSTALLED names the DLL an installer put in place: the tests then
// take the add-in as that installer registered it, neither loading the built
// DLL nor touching the registration. Empty when not set.
inline std::wstring InstalledDllPath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"KV_ADDIN_INSTALLED", path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

using EntryPoint = HRESULT(STDAPICALLTYPE*)();

class AddinDll : public ::testing::Test {
protected:
    static bool Installed() { return !InstalledDllPath().empty(); }
    static void SetUpTestSuite() {
        if (!Installed()) dll_ = ::LoadLibraryW(DllPath().c_str());
    }
    static void TearDownTestSuite() {
        if (dll_) ::FreeLibrary(dll_);
        dll_ = nullptr;
    }
    void SetUp() override {
        if (Installed()) return;
        ASSERT_NE(dll_, nullptr) << "cannot load " << Narrow(DllPath());
        ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
    }
    void TearDown() override {
        if (!Installed()) Call("DllUnregisterServer");
    }

    static HRESULT Call(const char* name) {
        const auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(::GetProcAddress(dll_, name)));
        return entry ? entry() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }

    static inline HMODULE dll_ = nullptr;
};

inline const HKEY kUser = HKEY_CURRENT_USER;

// Wine does not show HKCU\Software\Classes through HKEY_CLASSES_ROOT as
// Windows does; the machine-wide classes stand in for it in this test.
class ClassesMirror {
public:
    ClassesMirror() {
        CLSID clsid;
        if (SUCCEEDED(::CLSIDFromProgID(kConnectProgId, &clsid))) return;
        for (const std::wstring& path : {ClassKeyPath(), ProgIdKeyPath()}) {
            if (CopyTree(kUser, path, HKEY_LOCAL_MACHINE, path)) copied_.push_back(path);
        }
    }
    ~ClassesMirror() {
        for (const auto& path : copied_) DeleteTree(HKEY_LOCAL_MACHINE, path);
    }
    ClassesMirror(const ClassesMirror&) = delete;
    ClassesMirror& operator=(const ClassesMirror&) = delete;

private:
    std::vector<std::wstring> copied_;
};

class ComApartment {
public:
    ComApartment() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }
    HRESULT Result() const { return hr_; }

private:
    HRESULT hr_;
};

}  // namespace kv::win32::test
