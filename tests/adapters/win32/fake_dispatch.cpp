#include "fake_dispatch.hpp"

#include <iterator>

namespace kv::win32::test {

HRESULT FakeDispatch::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT FakeDispatch::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT FakeDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    *info = nullptr;
    return DISP_E_BADINDEX;
}

// Property ids are 1 + the position in name order.
HRESULT FakeDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        const auto found = properties_.find(names[i]);
        ids[i] = found == properties_.end() ? DISPID_UNKNOWN
                                            : static_cast<DISPID>(1 + std::distance(properties_.begin(), found));
        if (found == properties_.end()) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT FakeDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                             UINT*) {
    if (id < 1 || id > static_cast<DISPID>(properties_.size())) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_PROPERTYGET) || !params || params->cArgs != 0) return DISP_E_MEMBERNOTFOUND;
    if (!result) return E_POINTER;
    const std::wstring& text = std::next(properties_.begin(), id - 1)->second;
    ::VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return S_OK;
}

}  // namespace kv::win32::test
