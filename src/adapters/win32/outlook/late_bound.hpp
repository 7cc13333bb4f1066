#pragma once
// Calls on host objects by name (GetIDsOfNames, then Invoke). A failed call
// throws kv::Error carrying the host's own EXCEPINFO description; every
// reference and VARIANT is owned and released on every path.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "adapters/win32/com_ptr.hpp"
#include "support/value.hpp"

namespace kv::win32::outlook {

// An owning VARIANT that can be copied, for arguments and results.
class Var {
public:
    Var() noexcept { ::VariantInit(&v_); }
    Var(std::int32_t value) noexcept;
    Var(bool value) noexcept;
    Var(const std::string& text);
    Var(const char* text) : Var(std::string(text)) {}
    Var(IDispatch* object) noexcept;
    // A copy of a VARIANT someone else owns (an event or method argument).
    explicit Var(const VARIANT& other);
    Var(const Var& other);
    Var& operator=(const Var& other);
    ~Var() { ::VariantClear(&v_); }

    // An optional argument left out.
    static Var Missing() noexcept;

    VARIANT* Put() noexcept {
        ::VariantClear(&v_);
        return &v_;
    }
    const VARIANT& Get() const noexcept { return v_; }
    VARIANT& Raw() noexcept { return v_; }

    // Conversions as the host's automation does them; kv::Error (type
    // mismatch) when the value cannot be one.
    std::string Text() const;
    std::int32_t Int() const;
    bool Bool() const;
    DateTime Date() const;
    // Empty for Nothing (a null object or VT_EMPTY).
    ComPtr<IDispatch> Object() const;

private:
    VARIANT v_;
};

DateTime FromVariantTime(double time);
double ToVariantTime(const DateTime& time);

// kv::Error for a failed call on member `name`: number and description from
// the EXCEPINFO when the host filled one, otherwise from the HRESULT.
[[noreturn]] void ThrowCallFailed(HRESULT hr, const std::wstring& name, EXCEPINFO* info);

class Dispatch {
public:
    Dispatch() = default;
    explicit Dispatch(ComPtr<IDispatch> object) : object_(std::move(object)) {}

    explicit operator bool() const noexcept { return static_cast<bool>(object_); }
    IDispatch* Get() const noexcept { return object_.Get(); }
    const ComPtr<IDispatch>& Ptr() const noexcept { return object_; }

    // Whether the object knows a member of that name.
    bool Has(const wchar_t* name) const noexcept;

    Var Call(const wchar_t* name, std::initializer_list<Var> args = {}) const;
    Var Get(const wchar_t* name, std::initializer_list<Var> args = {}) const;
    void Put(const wchar_t* name, const Var& value) const;

    std::string Text(const wchar_t* name) const { return Get(name).Text(); }
    std::int32_t Int(const wchar_t* name) const { return Get(name).Int(); }
    bool Bool(const wchar_t* name) const { return Get(name).Bool(); }
    DateTime Date(const wchar_t* name) const { return Get(name).Date(); }
    // A property holding an object; kv::Error when it is Nothing.
    Dispatch Object(const wchar_t* name, std::initializer_list<Var> args = {}) const;

private:
    Var Invoke(const wchar_t* name, WORD flags, std::initializer_list<Var> args) const;
    ComPtr<IDispatch> object_;
};

// A connection-point sink for one dispinterface: the host calls Invoke with
// the event's DISPID, and the handler gets the arguments in declaration
// order (the first argument first). Exceptions never cross into the host.
using EventHandler = std::function<void(DISPID id, std::vector<VARIANT*>& args)>;

// Advises a sink for events iid on source. The sink stays connected while
// the returned cancel function has not run; running it unadvises.
std::function<void()> Advise(const Dispatch& source, REFIID iid, EventHandler handler);

}  // namespace kv::win32::outlook
