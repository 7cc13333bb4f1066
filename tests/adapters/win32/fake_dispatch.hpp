#pragma once
// A host object for tests: an IDispatch with named text properties and a
// visible reference count. It lives on the test's stack and is never
// deleted through Release, so a test can check that every reference taken
// was given back (Refs() == 0).
#include <windows.h>
#include <oaidl.h>

#include <map>
#include <string>

namespace kv::win32::test {

class FakeDispatch final : public IDispatch {
public:
    FakeDispatch() = default;
    explicit FakeDispatch(std::map<std::wstring, std::wstring> properties) : properties_(std::move(properties)) {}
    FakeDispatch(const FakeDispatch&) = delete;
    FakeDispatch& operator=(const FakeDispatch&) = delete;

    long Refs() const { return refs_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs_); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

private:
    std::map<std::wstring, std::wstring> properties_;
    long refs_ = 0;
};

// The add-in instance object the host passes at connection.
inline std::map<std::wstring, std::wstring> AddInInstProperties(const std::wstring& progId) {
    return {{L"ProgId", progId}};
}

}  // namespace kv::win32::test
