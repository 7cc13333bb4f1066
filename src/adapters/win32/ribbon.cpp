#include "adapters/win32/ribbon.hpp"

#include <new>
#include <string>
#include <vector>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/dispatch.hpp"
#include "adapters/win32/outlook/outlook_host.hpp"

namespace kv::win32 {

HRESULT CustomUIFor(AddinHost* host, BSTR ribbonId, BSTR* xml) noexcept {
    if (!xml) return E_POINTER;
    *xml = nullptr;
    if (!host) return S_OK;
    try {
        const std::string markup =
            host->GetCustomUI(Narrow(ribbonId ? ribbonId : L"", ribbonId ? ::SysStringLen(ribbonId) : 0));
        if (markup.empty()) return S_OK;
        const std::wstring wide = Widen(markup);
        *xml = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        return *xml ? S_OK : E_OUTOFMEMORY;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

DISPID RibbonCallbackId(const AddinHost& host, const wchar_t* name) noexcept {
    if (!name) return DISPID_UNKNOWN;
    try {
        const std::vector<std::string> callbacks = host.RibbonCallbacks();
        for (std::size_t i = 0; i < callbacks.size(); ++i) {
            if (::CompareStringOrdinal(name, -1, Widen(callbacks[i]).c_str(), -1, TRUE) == CSTR_EQUAL)
                return DispId_FirstRibbonCallback + static_cast<DISPID>(i);
        }
    } catch (...) {}
    return DISPID_UNKNOWN;
}

HRESULT InvokeRibbonCallback(AddinHost& host, DISPID id, const DISPPARAMS& params, UINT* argError) noexcept {
    if (id < DispId_FirstRibbonCallback) return DISP_E_MEMBERNOTFOUND;
    if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
    ComPtr<IDispatch> control;
    if (FAILED(ObjectArgument(params.rgvarg[0], control)) || !control) {
        if (argError) *argError = 0;
        return DISP_E_TYPEMISMATCH;
    }
    try {
        kv::outlook::RibbonControl pressed;
        // A property the control cannot tell stays empty; the action then
        // fails as a click without its window does.
        GetTextProperty(control.Get(), L"Id", pressed.id);
        GetTextProperty(control.Get(), L"Tag", pressed.tag);
        Variant context;
        if (SUCCEEDED(GetProperty(control.Get(), L"Context", context))) {
            ComPtr<IDispatch> window;
            if (SUCCEEDED(ObjectArgument(context.Get(), window)) && window)
                pressed.context = outlook::WrapWindowObject(std::move(window));
        }
        control.Reset();
        host.OnRibbonCallback(static_cast<std::size_t>(id - DispId_FirstRibbonCallback), pressed);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace kv::win32
