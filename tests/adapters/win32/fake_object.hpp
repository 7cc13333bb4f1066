#pragma once
// A stand-in for one object of the host's object model, reached by name
// through IDispatch like the real one: properties (read and written),
// methods, members that fail with an EXCEPINFO, connection points that the
// test fires events through, and for a window object (explorer, inspector)
// the frame window it tells through IOleWindow. Objects belong to the test (a FakeWorld)
// and are never deleted through Release, so the test can check that the
// code under test gave every reference back (Refs() == 0).
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <oleidl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "adapters/win32/outlook/late_bound.hpp"

namespace kv::win32::test {

using outlook::Var;

class FakeConnectionPoint;

class FakeObject : public IDispatch, public IConnectionPointContainer, public IOleWindow {
public:
    // args in declaration order; the result may stay empty. A method that
    // throws a Refusal fails as the host fails (DISP_E_EXCEPTION).
    using Method = std::function<void(std::vector<VARIANT*>& args, Var& result)>;
    struct Refusal {
        std::wstring description;
        HRESULT scode = E_FAIL;
    };
    // An object argument is kept as its bare pointer in objects (args holds
    // empty there), so the record keeps no reference alive.
    struct Call {
        std::wstring name;
        std::vector<Var> args;
        std::vector<IDispatch*> objects;
    };

    FakeObject();
    ~FakeObject();
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;

    FakeObject& Set(const std::wstring& name, Var value);
    // A property holding another fake; each read hands out a new reference.
    FakeObject& SetObject(const std::wstring& name, FakeObject* object);
    FakeObject& SetMethod(const std::wstring& name, Method method);
    // Any call of name fails as the host fails: DISP_E_EXCEPTION with this text.
    FakeObject& SetFailure(const std::wstring& name, const std::wstring& description, HRESULT scode = E_FAIL);
    FakeObject& AddEvents(REFIID iid);
    // The object answers IOleWindow with window (nullptr: it has none).
    FakeObject& SetWindow(HWND window);

    // Raises event id on every sink advised for iid; args in declaration order.
    void Fire(REFIID iid, DISPID id, std::vector<VARIANT> args = {});
    std::size_t Sinks(REFIID iid) const;

    // The value a property holds now (after the code under test wrote it).
    const Var& Value(const std::wstring& name) const;
    const std::vector<Call>& Calls() const { return calls_; }
    HWND Window() const { return window_; }
    // References held on the object and on its connection points.
    long Refs() const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs_); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override;
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    struct Failure {
        std::wstring description;
        HRESULT scode;
    };
    using Member = std::variant<Var, FakeObject*, Method, Failure>;
    DISPID IdOf(const std::wstring& name);

    std::map<std::wstring, DISPID> ids_;  // lower-case names
    std::map<DISPID, std::pair<std::wstring, Member>> members_;
    std::vector<std::unique_ptr<FakeConnectionPoint>> points_;
    std::vector<Call> calls_;
    HWND window_ = nullptr;
    long refs_ = 0;
};

// The add-in instance object the host passes at connection.
struct FakeAddInInst : FakeObject {
    explicit FakeAddInInst(const char* progId) { Set(L"ProgId", Var(progId)); }
};

// Owns the fakes of one test.
class FakeWorld {
public:
    FakeObject& Make() { return *objects_.emplace_back(std::make_unique<FakeObject>()); }
    // Every fake is free of references from the code under test.
    bool AllReleased(std::wstring* first = nullptr) const;

private:
    std::vector<std::unique_ptr<FakeObject>> objects_;
};

// The host's event interfaces, and the events of them the tests raise.
constexpr IID kExplorersEvents = {0x00063078, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kInspectorsEvents = {0x00063079, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kExplorerEvents10 = {0x0006300F, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kInspectorEvents10 = {0x0006302A, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kButtonEvents = {0x000C0351, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr DISPID kNewWindow = 0xF001;  // NewExplorer, NewInspector
constexpr DISPID kBeforeFolderSwitch = 0xF003;
constexpr DISPID kClose = 0xF008;
constexpr DISPID kClick = 1;

// Event arguments as a host passes them: an object, and a Boolean by
// reference (Cancel, CancelDefault). The variants do not own what they point at.
inline VARIANT Object(FakeObject& object) {
    VARIANT v;
    v.vt = VT_DISPATCH;
    v.pdispVal = &object;
    return v;
}

inline VARIANT BoolRef(VARIANT_BOOL* value) {
    VARIANT v;
    v.vt = VT_BOOL | VT_BYREF;
    v.pboolVal = value;
    return v;
}

}  // namespace kv::win32::test
