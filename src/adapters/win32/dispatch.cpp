#include "adapters/win32/dispatch.hpp"

namespace kv::win32 {

HRESULT GetProperty(IDispatch* object, const wchar_t* name, Variant& value, std::string* failure) noexcept {
    if (!object || !name) return E_POINTER;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXCEPINFO info{};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.Put(), &info, nullptr);
    if (hr == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    if (failure && FAILED(hr) && info.bstrDescription) {
        try {
            *failure = Narrow(info.bstrDescription, ::SysStringLen(info.bstrDescription));
        } catch (...) {
            // The number still tells the failure.
        }
    }
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
    return hr;
}

HRESULT GetTextProperty(IDispatch* object, const wchar_t* name, std::string& text, std::string* failure) noexcept {
    Variant value;
    HRESULT hr = GetProperty(object, name, value, failure);
    if (FAILED(hr)) return hr;
    Variant asText;
    hr = ::VariantChangeType(asText.Put(), const_cast<VARIANT*>(&value.Get()), 0, VT_BSTR);
    if (FAILED(hr)) return hr;
    try {
        const BSTR s = asText.Get().bstrVal;
        text = Narrow(s, s ? ::SysStringLen(s) : 0);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ObjectArgument(const VARIANT& arg, ComPtr<IDispatch>& out) noexcept {
    const VARIANT& v = (arg.vt == (VT_VARIANT | VT_BYREF) && arg.pvarVal) ? *arg.pvarVal : arg;
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL: out.Reset(); return S_OK;
    case VT_DISPATCH: out = ComPtr<IDispatch>(v.pdispVal); return S_OK;
    case VT_DISPATCH | VT_BYREF: out = ComPtr<IDispatch>(v.ppdispVal ? *v.ppdispVal : nullptr); return S_OK;
    case VT_UNKNOWN:
        out.Reset();
        return v.punkVal ? v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out.Put())) : S_OK;
    default: return DISP_E_TYPEMISMATCH;
    }
}

void FillExcepInfo(HRESULT hr, EXCEPINFO* excepInfo) noexcept {
    if (!excepInfo) return;
    *excepInfo = EXCEPINFO{};
    excepInfo->scode = hr;
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.Put()) == S_OK && info) {
        info->GetSource(&excepInfo->bstrSource);
        info->GetDescription(&excepInfo->bstrDescription);
    }
}

void SetComErrorInfo(const std::string& source, const std::string& description) noexcept {
    try {
        ComPtr<ICreateErrorInfo> create;
        if (FAILED(::CreateErrorInfo(create.Put()))) return;
        create->SetSource(const_cast<LPOLESTR>(Widen(source).c_str()));
        create->SetDescription(const_cast<LPOLESTR>(Widen(description).c_str()));
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create.As(IID_IErrorInfo, info))) ::SetErrorInfo(0, info.Get());
    } catch (...) {
        // Error information is a courtesy; the HRESULT still tells the failure.
    }
}

}  // namespace kv::win32
