// Entry points of KVOutlookAddin.dll, the in-process COM server Outlook loads.
#include <windows.h>
#include <olectl.h>
#include <unknwn.h>

#include "adapters/win32/addin_assembly.hpp"
#include "adapters/win32/connect.hpp"
#include "adapters/win32/module.hpp"
#include "adapters/win32/registration.hpp"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        kv::win32::SetModuleHandle(instance);
        ::DisableThreadLibraryCalls(instance);
        // Only the wiring: nothing is read or opened until Outlook connects.
        kv::win32::InstallAddinAssembly(instance);
    }
    return TRUE;
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
    try {
        return kv::win32::RegisterServer(kv::win32::ModulePath(kv::win32::ModuleHandle()));
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

HRESULT STDAPICALLTYPE DllUnregisterServer() { return kv::win32::UnregisterServer(); }

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return kv::win32::GetConnectClassObject(clsid, iid, object);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return kv::win32::CanUnloadModule() ? S_OK : S_FALSE; }

}  // extern "C"
