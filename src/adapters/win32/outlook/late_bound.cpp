#include "adapters/win32/outlook/late_bound.hpp"

#include <ocidl.h>

#include <atomic>
#include <cstdio>
#include <utility>

#include "adapters/win32/win32_clock.hpp"
#include "ports/outlook/constants.hpp"
#include "support/error.hpp"

namespace kv::win32::outlook {
namespace {

constexpr const char* kSource = "Outlook";

std::string HexCode(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::string Take(BSTR& s) {
    std::string text = s ? Narrow(s, ::SysStringLen(s)) : std::string();
    ::SysFreeString(std::exchange(s, nullptr));
    return text;
}

[[noreturn]] void TypeMismatch(const char* wanted, VARTYPE vt) {
    throw Error(errnum::TypeMismatch, kSource,
                std::string("Type mismatch: ") + wanted + " wanted, VARIANT type " + std::to_string(vt) + " given");
}

// The failures the core tells apart, as the numbers it knows them by,
// whether the host returns them or raises them as an exception: a refused
// argument (an older Outlook refuses the Unicode .msg format so) and an
// index out of range. Anything else keeps its own number, transient
// failures included.
std::int32_t CoreNumber(HRESULT hr) {
    switch (hr) {
    case DISP_E_TYPEMISMATCH: return errnum::TypeMismatch;
    case E_INVALIDARG: return errnum::InvalidArgument;
    case DISP_E_BADINDEX: return kv::outlook::hosterr::InvalidIndex;
    default: return static_cast<std::int32_t>(hr);
    }
}

Var Converted(const VARIANT& v, VARTYPE type, const char* wanted) {
    Var result;
    if (FAILED(::VariantChangeType(result.Put(), const_cast<VARIANT*>(&v), 0, type))) TypeMismatch(wanted, v.vt);
    return result;
}

}  // namespace

Var::Var(std::int32_t value) noexcept {
    ::VariantInit(&v_);
    v_.vt = VT_I4;
    v_.lVal = value;
}

Var::Var(bool value) noexcept {
    ::VariantInit(&v_);
    v_.vt = VT_BOOL;
    v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

Var::Var(const std::string& text) {
    ::VariantInit(&v_);
    const std::wstring wide = Widen(text);
    v_.bstrVal = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!v_.bstrVal) throw std::bad_alloc();
    v_.vt = VT_BSTR;
}

Var::Var(IDispatch* object) noexcept {
    ::VariantInit(&v_);
    v_.vt = VT_DISPATCH;
    v_.pdispVal = object;
    if (object) object->AddRef();
}

Var::Var(const VARIANT& other) {
    ::VariantInit(&v_);
    if (FAILED(::VariantCopy(&v_, const_cast<VARIANT*>(&other)))) throw std::bad_alloc();
}

Var::Var(const Var& other) : Var(other.v_) {}

Var& Var::operator=(const Var& other) {
    if (this != &other && FAILED(::VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)))) throw std::bad_alloc();
    return *this;
}

Var Var::Missing() noexcept {
    Var missing;
    missing.v_.vt = VT_ERROR;
    missing.v_.scode = DISP_E_PARAMNOTFOUND;
    return missing;
}

std::string Var::Text() const {
    if (v_.vt == VT_EMPTY) return {};
    const Var text = Converted(v_, VT_BSTR, "text");
    return Narrow(text.v_.bstrVal, text.v_.bstrVal ? ::SysStringLen(text.v_.bstrVal) : 0);
}

std::int32_t Var::Int() const { return Converted(v_, VT_I4, "a number").v_.lVal; }

bool Var::Bool() const { return Converted(v_, VT_BOOL, "a Boolean").v_.boolVal != VARIANT_FALSE; }

DateTime Var::Date() const { return FromVariantTime(Converted(v_, VT_DATE, "a date").v_.date); }

ComPtr<IDispatch> Var::Object() const {
    const VARIANT& v = (v_.vt == (VT_VARIANT | VT_BYREF) && v_.pvarVal) ? *v_.pvarVal : v_;
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL: return {};
    case VT_DISPATCH: return ComPtr<IDispatch>(v.pdispVal);
    case VT_DISPATCH | VT_BYREF: return ComPtr<IDispatch>(v.ppdispVal ? *v.ppdispVal : nullptr);
    case VT_UNKNOWN: {
        ComPtr<IDispatch> object;
        if (v.punkVal && SUCCEEDED(v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.Put()))))
            return object;
        break;
    }
    default: break;
    }
    TypeMismatch("an object", v.vt);
}

DateTime FromVariantTime(double time) {
    SYSTEMTIME st{};
    if (!::VariantTimeToSystemTime(time, &st))
        throw Error(errnum::InvalidArgument, kSource, "The date lies outside the range of dates");
    return DateTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

double ToVariantTime(const DateTime& time) {
    SYSTEMTIME st = ToSystemTime(time);
    double result = 0;
    if (!time.IsValid() || !::SystemTimeToVariantTime(&st, &result))
        throw Error(errnum::InvalidArgument, kSource, "Not a valid date: " + time.ToIso());
    return result;
}

void ThrowCallFailed(HRESULT hr, const std::wstring& name, EXCEPINFO* info) {
    const std::string member = Narrow(name);
    if (hr == DISP_E_EXCEPTION && info) {
        if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
        std::string source = Take(info->bstrSource);
        std::string description = Take(info->bstrDescription);
        ::SysFreeString(std::exchange(info->bstrHelpFile, nullptr));
        const std::int32_t code = info->scode != 0 ? static_cast<std::int32_t>(info->scode) : info->wCode;
        if (description.empty()) description = "'" + member + "' failed (" + HexCode(code) + ")";
        throw Error(CoreNumber(code), source.empty() ? kSource : source, description);
    }
    switch (hr) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
        throw Error(kv::outlook::hosterr::NotSupported, kSource,
                    "Object doesn't support this property or method: " + member);
    case DISP_E_BADINDEX:
        throw Error(kv::outlook::hosterr::InvalidIndex, kSource, "Array index out of bounds: " + member);
    case DISP_E_TYPEMISMATCH: throw Error(errnum::TypeMismatch, kSource, "Type mismatch: " + member);
    default: break;
    }
    throw Error(CoreNumber(hr), kSource, "'" + member + "' failed (" + HexCode(hr) + ")");
}

bool Dispatch::Has(const wchar_t* name) const noexcept {
    if (!object_) return false;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    return SUCCEEDED(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
}

Var Dispatch::Invoke(const wchar_t* name, WORD flags, std::initializer_list<Var> args) const {
    if (!object_) throw Error(91, kSource, std::string("Object variable not set: ") + Narrow(name));
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) ThrowCallFailed(hr, name, nullptr);

    // DISPPARAMS carries the arguments last first.
    std::vector<VARIANT> reversed;
    reversed.reserve(args.size());
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) reversed.push_back(it->Get());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID namedPut = DISPID_PROPERTYPUT;
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &namedPut;
        params.cNamedArgs = 1;
    }
    Var result;
    EXCEPINFO info{};
    UINT badArgument = 0;
    hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                         flags == DISPATCH_PROPERTYPUT ? nullptr : result.Put(), &info, &badArgument);
    if (FAILED(hr)) ThrowCallFailed(hr, name, &info);
    // A host may fill EXCEPINFO texts on success too; they are not ours to keep.
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
    return result;
}

Var Dispatch::Call(const wchar_t* name, std::initializer_list<Var> args) const {
    return Invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

Var Dispatch::Get(const wchar_t* name, std::initializer_list<Var> args) const {
    return Invoke(name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args);
}

void Dispatch::Put(const wchar_t* name, const Var& value) const { Invoke(name, DISPATCH_PROPERTYPUT, {value}); }

Dispatch Dispatch::Object(const wchar_t* name, std::initializer_list<Var> args) const {
    ComPtr<IDispatch> object = Get(name, args).Object();
    if (!object) throw Error(91, kSource, "Object variable not set: " + Narrow(name) + " is Nothing");
    return Dispatch(std::move(object));
}

// ---- events --------------------------------------------------------------

namespace {

class Sink final : public IDispatch {
public:
    Sink(IID iid, EventHandler handler) : iid_(iid), handler_(std::move(handler)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == iid_) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        // Released by the token while connected: no more calls reach the handler.
        if (!handler_) return S_OK;
        try {
            std::vector<VARIANT*> args;
            if (params)
                for (UINT i = params->cArgs; i > 0; --i) args.push_back(&params->rgvarg[i - 1]);
            EventHandler handler = handler_;  // the handler may cancel itself
            handler(id, args);
        } catch (...) {
            // A failing handler must not fail the host's own event.
        }
        return S_OK;
    }

    void Disconnect() { handler_ = nullptr; }

private:
    std::atomic<ULONG> refs_{1};
    IID iid_;
    EventHandler handler_;
};

}  // namespace

std::function<void()> Advise(const Dispatch& source, REFIID iid, EventHandler handler) {
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = source.Ptr().As(IID_IConnectionPointContainer, container);
    if (FAILED(hr)) ThrowCallFailed(hr, L"IConnectionPointContainer", nullptr);
    ComPtr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(iid, point.Put());
    if (FAILED(hr)) ThrowCallFailed(hr, L"FindConnectionPoint", nullptr);
    ComPtr<Sink> sink = ComPtr<Sink>::Attach(new Sink(iid, std::move(handler)));
    DWORD cookie = 0;
    hr = point->Advise(sink.Get(), &cookie);
    if (FAILED(hr)) ThrowCallFailed(hr, L"Advise", nullptr);
    return [point, sink, cookie]() {
        sink->Disconnect();
        point->Unadvise(cookie);
    };
}

}  // namespace kv::win32::outlook
