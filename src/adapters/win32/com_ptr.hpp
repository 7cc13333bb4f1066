#pragma once
// Owning holders for COM references, BSTRs and VARIANTs: every reference the
// add-in takes is released on every path, exceptions included.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstddef>
#include <string>
#include <utility>

namespace kv::win32 {

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Shares p: takes a reference of its own.
    explicit ComPtr(T* p) noexcept : p_(p) { AddRefIfAny(); }
    ComPtr(const ComPtr& other) noexcept : p_(other.p_) { AddRefIfAny(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { Reset(); }

    // Copy and swap: assigning a holder to itself takes and drops one reference.
    ComPtr& operator=(const ComPtr& other) noexcept {  // NOLINT(bugprone-unhandled-self-assignment)
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }

    // Takes over a reference the caller already owns (a COM out-parameter).
    static ComPtr Attach(T* p) noexcept {
        ComPtr result;
        result.p_ = p;
        return result;
    }
    // Gives the reference to the caller, who must release it.
    T* Detach() noexcept { return std::exchange(p_, nullptr); }

    void Reset() noexcept {
        if (T* old = std::exchange(p_, nullptr)) old->Release();
    }
    // For COM out-parameters: releases what is held, then lends the slot.
    T** Put() noexcept {
        Reset();
        return &p_;
    }
    void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // QueryInterface for the interface iid; empty result on failure.
    template <class U>
    HRESULT As(REFIID iid, ComPtr<U>& out) const noexcept {
        U** slot = out.Put();
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, reinterpret_cast<void**>(slot));
    }

private:
    void AddRefIfAny() noexcept {
        if (p_) p_->AddRef();
    }
    T* p_ = nullptr;
};

class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(const std::wstring& text);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { ::SysFreeString(s_); }

    BSTR Get() const noexcept { return s_; }

private:
    BSTR s_ = nullptr;
};

class Variant {
public:
    Variant() noexcept { ::VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { ::VariantClear(&v_); }

    VARIANT* Put() noexcept {
        ::VariantClear(&v_);
        return &v_;
    }
    const VARIANT& Get() const noexcept { return v_; }

private:
    VARIANT v_;
};

// UTF-16 (Windows) <-> UTF-8 (the core), through support/utf.hpp.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const wchar_t* utf16, std::size_t length);
std::string Narrow(const std::wstring& utf16);

}  // namespace kv::win32
