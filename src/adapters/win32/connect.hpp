#pragma once
// The COM class Outlook creates: `Connect`, implementing IDTExtensibility2.
// It hands every call over to the portable add-in (kv::AddinHost), which a
// factory makes per connection, and keeps no host object itself. Nothing
// here touches a database or a file.
#include <windows.h>
#include <unknwn.h>

#include <functional>
#include <memory>

#include "ports/addin_host.hpp"

namespace kv::win32 {

// Makes the add-in for one connection. application is the host's
// Application object, borrowed for the call: the add-in takes its own
// reference when it keeps it, and the Connect object holds none, so the add-in
// letting go lets go of the host. An empty factory, or one that returns
// nullptr, leaves a connection that does nothing.
using AddinHostFactory = std::function<std::unique_ptr<AddinHost>(IDispatch* application)>;

// Process-wide: the DLL entry sets it once before Outlook can create objects.
void SetAddinHostFactory(AddinHostFactory factory);

// A new Connect object, queried for iid.
HRESULT CreateConnect(IUnknown* outer, REFIID iid, void** object) noexcept;

// DllGetClassObject's work: the class factory of Connect.
HRESULT GetConnectClassObject(REFCLSID clsid, REFIID iid, void** object) noexcept;

}  // namespace kv::win32
