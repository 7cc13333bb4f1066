#include "adapters/win32/connect.hpp"

#include <oaidl.h>
#include <olectl.h>

#include <atomic>
#include <cstdio>
#include <new>
#include <string>
#include <utility>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/dispatch.hpp"
#include "adapters/win32/extensibility.hpp"
#include "adapters/win32/module.hpp"
#include "adapters/win32/registration.hpp"
#include "adapters/win32/ribbon.hpp"
#include "support/error.hpp"

namespace kv::win32 {
namespace {

const char* const kSource = "KVOutlookAddin.Connect";

AddinHostFactory& HostFactory() {
    static AddinHostFactory factory;
    return factory;
}

// An error of the add-in as COM sees it: VB-style numbers live in
// FACILITY_CONTROL, as a scripting host expects.
HRESULT ToHresult(const Error& error) {
    const auto number = static_cast<std::uint32_t>(error.Number());
    if (number == 0) return E_FAIL;
    if (number & 0x80000000u) return static_cast<HRESULT>(number);
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number & 0xFFFFu);
}

// Why the add-in instance's ProgId could not be read, for the log.
std::string ProgIdFailure(HRESULT hr, const std::string& hostText) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    std::string reason = std::string("the add-in instance's ProgId could not be read (") + code + ")";
    return hostText.empty() ? reason : reason + ": " + hostText;
}

// Runs body; a thrown failure becomes an HRESULT with error information.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
    try {
        body();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        try {
            const Error error = CurrentError();
            SetComErrorInfo(error.Source().empty() ? kSource : error.Source(), error.Description());
            return ToHresult(error);
        } catch (...) {
            return E_FAIL;
        }
    }
}

// Common IUnknown bookkeeping: reference count and module object count.
class RefCounted {
protected:
    RefCounted() noexcept { ObjectCreated(); }
    virtual ~RefCounted() { ObjectDestroyed(); }
    ULONG AddRefImpl() noexcept { return ++refs_; }
    ULONG ReleaseImpl() noexcept {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<ULONG> refs_{1};
};

class Connect final : public IDTExtensibility2,
                      public IRibbonExtensibility,
                      public ISupportErrorInfo,
                      private RefCounted {
public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IDTExtensibility2) {
            *object = static_cast<IDTExtensibility2*>(this);
        } else if (iid == IID_IRibbonExtensibility) {
            *object = static_cast<IRibbonExtensibility*>(this);
        } else if (iid == IID_ISupportErrorInfo) {
            *object = static_cast<ISupportErrorInfo*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRefImpl();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == IID_IDTExtensibility2 || iid == IID_IDispatch || iid == IID_IRibbonExtensibility ? S_OK : S_FALSE;
    }

    // IDispatch, without a type library: the five methods by name and id,
    // and the ribbon's callbacks in a range of their own.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excepInfo, UINT* argError) override;

    // IDTExtensibility2
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode connectMode, IDispatch* addInInst,
                                           SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode removeMode, SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override {
        return Forward([](AddinHost& host) { host.OnAddInsUpdate(); });
    }
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override {
        return Forward([](AddinHost& host) { host.OnStartupComplete(); });
    }
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override {
        return Forward([](AddinHost& host) { host.OnBeginShutdown(); });
    }

    // IRibbonExtensibility
    HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbonId, BSTR* ribbonXml) override {
        return CustomUIFor(host_.get(), ribbonId, ribbonXml);
    }

private:
    ~Connect() override {
        // Outlook may release the object without disconnecting it first.
        host_.reset();
    }

    template <class Call>
    HRESULT Forward(Call&& call) noexcept {
        return Guarded([&] {
            if (host_) call(*host_);
        });
    }

    HRESULT InvokeMethod(DISPID id, DISPPARAMS& params, UINT* argError);

    // The application is the add-in's to hold: when it lets go (its last
    // window closed), nothing here keeps the host.
    bool connected_ = false;
    std::unique_ptr<AddinHost> host_;
};

HRESULT Connect::OnConnection(IDispatch* application, ext_ConnectMode, IDispatch* addInInst, SAFEARRAY**) {
    if (connected_) {
        SetComErrorInfo(kSource, "The add-in is already connected");
        return E_UNEXPECTED;
    }
    if (!application || !addInInst) {
        SetComErrorInfo(kSource, "OnConnection needs the application and the add-in instance");
        return E_INVALIDARG;
    }
    std::string progId, failure;
    const HRESULT read = GetTextProperty(addInInst, L"ProgId", progId, &failure);
    HRESULT hr = Guarded([&] {
        if (const AddinHostFactory& factory = HostFactory()) host_ = factory(application);
        if (!host_) return;
        // Nothing starts without the ProgId, but the add-in's log says why.
        if (FAILED(read)) host_->OnConnectionFailed(ProgIdFailure(read, failure));
        else host_->OnConnection(progId);
    });
    if (FAILED(read)) hr = read;
    // A failed connection leaves nothing behind: Outlook will not call
    // OnDisconnection for it.
    if (FAILED(hr)) host_.reset();
    connected_ = SUCCEEDED(hr);
    return hr;
}

HRESULT Connect::OnDisconnection(ext_DisconnectMode removeMode, SAFEARRAY**) {
    const HRESULT hr = Forward([&](AddinHost& host) { host.OnDisconnection(static_cast<int>(removeMode)); });
    host_.reset();
    connected_ = false;
    return hr;
}

const std::pair<const wchar_t*, DISPID> kMethodIds[] = {
    {L"OnConnection", DispId_OnConnection},       {L"OnDisconnection", DispId_OnDisconnection},
    {L"OnAddInsUpdate", DispId_OnAddInsUpdate},   {L"OnStartupComplete", DispId_OnStartupComplete},
    {L"OnBeginShutdown", DispId_OnBeginShutdown},
};

HRESULT Connect::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_POINTER;
    if (count == 0) return S_OK;
    HRESULT hr = DISP_E_UNKNOWNNAME;
    ids[0] = DISPID_UNKNOWN;
    for (const auto& [name, id] : kMethodIds) {
        if (names[0] && ::CompareStringOrdinal(names[0], -1, name, -1, TRUE) == CSTR_EQUAL) {
            ids[0] = id;
            hr = S_OK;
        }
    }
    // The ribbon's callbacks are the connected add-in's to name.
    if (ids[0] == DISPID_UNKNOWN && host_) {
        ids[0] = RibbonCallbackId(*host_, names[0]);
        if (ids[0] != DISPID_UNKNOWN) hr = S_OK;
    }
    // Arguments are positional only.
    for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

// Argument i counted from the left; DISPPARAMS holds them right to left.
const VARIANT& Argument(const DISPPARAMS& params, UINT i) { return params.rgvarg[params.cArgs - 1 - i]; }

HRESULT IntArgument(const VARIANT& arg, int& out) {
    Variant converted;
    const HRESULT hr = ::VariantChangeType(converted.Put(), const_cast<VARIANT*>(&arg), 0, VT_I4);
    if (SUCCEEDED(hr)) out = converted.Get().lVal;
    return hr;
}

// The custom array argument is never used; any value is accepted.
SAFEARRAY** CustomArgument(const VARIANT& arg) {
    if ((arg.vt & VT_ARRAY) && (arg.vt & VT_BYREF)) return arg.pparray;
    return nullptr;
}

HRESULT Connect::InvokeMethod(DISPID id, DISPPARAMS& params, UINT* argError) {
    static constexpr UINT kArgCounts[] = {0, 4, 2, 1, 1, 1};
    if (id >= DispId_FirstRibbonCallback)
        return host_ ? InvokeRibbonCallback(*host_, id, params, argError) : DISP_E_MEMBERNOTFOUND;
    if (id < DispId_OnConnection || id > DispId_OnBeginShutdown) return DISP_E_MEMBERNOTFOUND;
    if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params.cArgs != kArgCounts[id]) return DISP_E_BADPARAMCOUNT;
    auto badArgument = [&](UINT i, HRESULT hr) {
        if (argError) *argError = params.cArgs - 1 - i;
        return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    };
    switch (id) {
    case DispId_OnConnection: {
        ComPtr<IDispatch> application, addInInst;
        int mode = 0;
        if (HRESULT hr = ObjectArgument(Argument(params, 0), application); FAILED(hr)) return badArgument(0, hr);
        if (HRESULT hr = IntArgument(Argument(params, 1), mode); FAILED(hr)) return badArgument(1, hr);
        if (HRESULT hr = ObjectArgument(Argument(params, 2), addInInst); FAILED(hr)) return badArgument(2, hr);
        return OnConnection(application.Get(), static_cast<ext_ConnectMode>(mode), addInInst.Get(),
                            CustomArgument(Argument(params, 3)));
    }
    case DispId_OnDisconnection: {
        int mode = 0;
        if (HRESULT hr = IntArgument(Argument(params, 0), mode); FAILED(hr)) return badArgument(0, hr);
        return OnDisconnection(static_cast<ext_DisconnectMode>(mode), CustomArgument(Argument(params, 1)));
    }
    case DispId_OnAddInsUpdate: return OnAddInsUpdate(CustomArgument(Argument(params, 0)));
    case DispId_OnStartupComplete: return OnStartupComplete(CustomArgument(Argument(params, 0)));
    default: return OnBeginShutdown(CustomArgument(Argument(params, 0)));
    }
}

HRESULT Connect::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argError) {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!params) return E_POINTER;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (result) ::VariantInit(result);
    ::SetErrorInfo(0, nullptr);
    const HRESULT hr = InvokeMethod(id, *params, argError);
    // Failures of the method itself reach a late-bound caller as an exception.
    if (FAILED(hr) && HRESULT_FACILITY(hr) != FACILITY_DISPATCH && excepInfo) {
        FillExcepInfo(hr, excepInfo);
        return DISP_E_EXCEPTION;
    }
    return hr;
}

class ConnectFactory final : public IClassFactory, private RefCounted {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid != IID_IUnknown && iid != IID_IClassFactory) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRefImpl();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        return CreateConnect(outer, iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        LockModule(lock != FALSE);
        return S_OK;
    }
};

// Hands out one reference of a fresh object, queried for iid.
template <class T>
HRESULT CreateQueried(REFIID iid, void** object) noexcept {
    T* created = new (std::nothrow) T();
    if (!created) return E_OUTOFMEMORY;
    const HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}

}  // namespace

void SetAddinHostFactory(AddinHostFactory factory) { HostFactory() = std::move(factory); }

HRESULT CreateConnect(IUnknown* outer, REFIID iid, void** object) noexcept {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateQueried<Connect>(iid, object);
}

HRESULT GetConnectClassObject(REFCLSID clsid, REFIID iid, void** object) noexcept {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_Connect) return CLASS_E_CLASSNOTAVAILABLE;
    return CreateQueried<ConnectFactory>(iid, object);
}

}  // namespace kv::win32
