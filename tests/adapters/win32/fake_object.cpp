#include "fake_object.hpp"

#include <olectl.h>

#include <cwctype>

namespace kv::win32::test {

class FakeConnectionPoint final : public IConnectionPoint {
public:
    FakeConnectionPoint(IID iid, IConnectionPointContainer* owner) : iid_(iid), owner_(owner) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
            *object = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs_); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        *iid = iid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** owner) override {
        *owner = owner_;
        owner_->AddRef();
        return S_OK;
    }
    // Like a real source, the sink is asked for the event interface itself.
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (!sink || !cookie) return E_POINTER;
        IDispatch* events = nullptr;
        if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&events)))) return CONNECT_E_CANNOTCONNECT;
        *cookie = ++lastCookie_;
        sinks_[*cookie] = events;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        const auto found = sinks_.find(cookie);
        if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
        IDispatch* events = found->second;
        sinks_.erase(found);
        events->Release();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** e) override {
        *e = nullptr;
        return E_NOTIMPL;
    }

    const IID& Iid() const { return iid_; }
    std::size_t Count() const { return sinks_.size(); }
    long Refs() const { return refs_; }
    void Fire(DISPID id, std::vector<VARIANT>& args) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        // A handler may unadvise itself or another sink while this runs.
        std::vector<DWORD> cookies;
        for (const auto& [cookie, sink] : sinks_) cookies.push_back(cookie);
        for (DWORD cookie : cookies) {
            const auto found = sinks_.find(cookie);
            if (found == sinks_.end()) continue;
            IDispatch* sink = found->second;
            sink->AddRef();
            sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
            sink->Release();
        }
    }

private:
    IID iid_;
    IConnectionPointContainer* owner_;
    std::map<DWORD, IDispatch*> sinks_;
    DWORD lastCookie_ = 0;
    long refs_ = 0;
};

namespace {
std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}
}  // namespace

FakeObject::FakeObject() = default;

FakeObject::~FakeObject() {
    // Sinks the code under test never unadvised belong to it; not ours to free.
}

DISPID FakeObject::IdOf(const std::wstring& name) {
    const auto [it, added] = ids_.emplace(Lower(name), static_cast<DISPID>(ids_.size() + 1));
    (void)added;
    return it->second;
}

FakeObject& FakeObject::Set(const std::wstring& name, Var value) {
    members_[IdOf(name)] = {name, std::move(value)};
    return *this;
}

FakeObject& FakeObject::SetObject(const std::wstring& name, FakeObject* object) {
    members_[IdOf(name)] = {name, object};
    return *this;
}

FakeObject& FakeObject::SetMethod(const std::wstring& name, Method method) {
    members_[IdOf(name)] = {name, std::move(method)};
    return *this;
}

FakeObject& FakeObject::SetFailure(const std::wstring& name, const std::wstring& description, HRESULT scode) {
    members_[IdOf(name)] = {name, Failure{description, scode}};
    return *this;
}

FakeObject& FakeObject::AddEvents(REFIID iid) {
    points_.push_back(std::make_unique<FakeConnectionPoint>(iid, this));
    return *this;
}

FakeObject& FakeObject::SetWindow(HWND window) {
    window_ = window;
    return *this;
}

void FakeObject::Fire(REFIID iid, DISPID id, std::vector<VARIANT> args) {
    for (auto& point : points_)
        if (point->Iid() == iid) point->Fire(id, args);
}

std::size_t FakeObject::Sinks(REFIID iid) const {
    for (const auto& point : points_)
        if (point->Iid() == iid) return point->Count();
    return 0;
}

const Var& FakeObject::Value(const std::wstring& name) const {
    static const Var empty;
    const auto id = ids_.find(Lower(name));
    if (id == ids_.end()) return empty;
    const auto& member = members_.at(id->second).second;
    const Var* value = std::get_if<Var>(&member);
    return value ? *value : empty;
}

long FakeObject::Refs() const {
    long refs = refs_;
    for (const auto& point : points_) refs += point->Refs();
    return refs;
}

HRESULT FakeObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
    } else if (iid == IID_IConnectionPointContainer && !points_.empty()) {
        *object = static_cast<IConnectionPointContainer*>(this);
    } else if (iid == IID_IOleWindow && window_) {
        *object = static_cast<IOleWindow*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT FakeObject::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT FakeObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT FakeObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        const auto found = ids_.find(Lower(names[i]));
        ids[i] = found == ids_.end() ? DISPID_UNKNOWN : found->second;
        if (found == ids_.end()) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT FakeObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                           UINT*) {
    const auto found = members_.find(id);
    if (found == members_.end()) return DISP_E_MEMBERNOTFOUND;
    if (!params) return E_POINTER;
    auto& [name, member] = found->second;
    std::vector<VARIANT*> args;
    for (UINT i = params->cArgs; i > 0; --i) args.push_back(&params->rgvarg[i - 1]);
    Call call{name, {}, {}};
    for (VARIANT* arg : args) {
        Var copy;
        if (arg->vt == VT_DISPATCH) {
            call.objects.push_back(arg->pdispVal);
        } else {
            ::VariantCopy(copy.Put(), arg);
            call.objects.push_back(nullptr);
        }
        call.args.push_back(copy);
    }
    calls_.push_back(std::move(call));

    const auto fail = [info](const std::wstring& description, HRESULT scode) {
        if (!info) return scode;
        *info = EXCEPINFO{};
        info->bstrSource = ::SysAllocString(L"Microsoft Outlook");
        info->bstrDescription = ::SysAllocString(description.c_str());
        info->scode = scode;
        return static_cast<HRESULT>(DISP_E_EXCEPTION);
    };
    if (auto* failure = std::get_if<Failure>(&member)) return fail(failure->description, failure->scode);
    if (flags & DISPATCH_PROPERTYPUT) {
        if (args.empty() || !std::holds_alternative<Var>(member)) return DISP_E_MEMBERNOTFOUND;
        Var value;
        ::VariantCopy(value.Put(), args.back());
        member = std::move(value);
        return S_OK;
    }
    Var answer;
    if (auto* method = std::get_if<Method>(&member)) {
        const Method run = *method;  // the method may replace members, itself too
        try {
            run(args, answer);
        } catch (const Refusal& refusal) {
            return fail(refusal.description, refusal.scode);
        }
    } else if (auto* object = std::get_if<FakeObject*>(&member)) {
        answer = Var(*object ? static_cast<IDispatch*>(*object) : nullptr);
    } else {
        answer = std::get<Var>(member);
    }
    if (result) ::VariantCopy(result, &answer.Raw());
    return S_OK;
}

HRESULT FakeObject::EnumConnectionPoints(IEnumConnectionPoints** points) {
    *points = nullptr;
    return E_NOTIMPL;
}

HRESULT FakeObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    for (auto& p : points_)
        if (p->Iid() == iid) {
            *point = p.get();
            p->AddRef();
            return S_OK;
        }
    *point = nullptr;
    return CONNECT_E_NOCONNECTION;
}

HRESULT FakeObject::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
}

bool FakeWorld::AllReleased(std::wstring* first) const {
    for (const auto& object : objects_)
        if (object->Refs() != 0) {
            if (first) *first = object->Calls().empty() ? L"?" : object->Calls().front().name;
            return false;
        }
    return true;
}

}  // namespace kv::win32::test
