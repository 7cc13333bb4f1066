#pragma once
// Late-bound calls on host objects through IDispatch, the way the host's
// object model is reached without its type library.
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "adapters/win32/com_ptr.hpp"

namespace kv::win32 {

// Reads the property `name` of object into value. failure, when given,
// receives the host's own words for a failure (empty when it gave none).
HRESULT GetProperty(IDispatch* object, const wchar_t* name, Variant& value, std::string* failure = nullptr) noexcept;

// Reads a property as text (numbers and the like converted the way COM
// converts them). On failure text is left unchanged.
HRESULT GetTextProperty(IDispatch* object, const wchar_t* name, std::string& text,
                        std::string* failure = nullptr) noexcept;

// An object argument of a call: a dispatch pointer (by value, by reference
// or in a VARIANT by reference), an unknown one asked for IDispatch, or
// nothing (out empty). DISP_E_TYPEMISMATCH for anything else.
HRESULT ObjectArgument(const VARIANT& arg, ComPtr<IDispatch>& out) noexcept;

// Fills excepInfo from the calling thread's COM error information, or from
// hr alone when there is none.
void FillExcepInfo(HRESULT hr, EXCEPINFO* excepInfo) noexcept;

// Hands description to the calling thread's COM error information, for the
// caller of a method that failed with it.
void SetComErrorInfo(const std::string& source, const std::string& description) noexcept;

}  // namespace kv::win32
