#pragma once
// Office's ribbon interface as the add-in object answers it: Office 2007
// and later ask the connected add-in for IRibbonExtensibility, read its
// markup per ribbon id, and call a pressed button's onAction back by name
// through the object's IDispatch, with the IRibbonControl pressed.
#include <windows.h>
#include <oaidl.h>

#include "ports/addin_host.hpp"

namespace kv::win32 {

// {000C0396-0000-0000-C000-000000000046}
inline constexpr IID IID_IRibbonExtensibility = {
    0x000C0396, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Declared here rather than imported from Office's type library: a dual
// interface with this one method.
struct IRibbonExtensibility : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) = 0;
};

// Dispatch ids of the ribbon's callbacks: this one plus the callback's
// position in the host's list, clear of IDTExtensibility2's own ids.
inline constexpr DISPID DispId_FirstRibbonCallback = 0x4B56;

// GetCustomUI's work: host's markup for ribbonId as a new string in *xml,
// NULL where the add-in adds nothing (or no add-in is connected).
HRESULT CustomUIFor(AddinHost* host, BSTR ribbonId, BSTR* xml) noexcept;

// The dispatch id of a callback name the host knows, compared as COM
// compares member names (case ignored); DISPID_UNKNOWN otherwise.
DISPID RibbonCallbackId(const AddinHost& host, const wchar_t* name) noexcept;

// Invoke's work for a ribbon callback id: reads the IRibbonControl argument
// (Id, Tag and the window in Context) and hands it to the host.
HRESULT InvokeRibbonCallback(AddinHost& host, DISPID id, const DISPPARAMS& params, UINT* argError) noexcept;

}  // namespace kv::win32
