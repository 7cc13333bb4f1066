#pragma once
// The COM class Outlook creates: `Connect`, implementing IDTExtensibility2.
// It keeps the host application while connected and hands every call over
// to the portable add-in (kv::AddinHost), which a factory makes per
// connection. Nothing here touches a database or a file.
#include <windows.h>
#include <unknwn.h>

#include <functional>
#include <memory>

#include "ports/addin_host.hpp"

namespace kv::win32 {

// Makes the add-in for one connection. application is the host's
// Application object, valid for the add-in's lifetime (the Connect object
// holds a reference of its own until disconnection); the add-in takes its own
// reference when it keeps it. An empty factory, or one that returns nullptr,
// leaves the connection with the application held and nothing else done.
using AddinHostFactory = std::function<std::unique_ptr<AddinHost>(IDispatch* application)>;

// Process-wide: the DLL entry sets it once before Outlook can create objects.
void SetAddinHostFactory(AddinHostFactory factory);

// A new Connect object, queried for iid.
HRESULT CreateConnect(IUnknown* outer, REFIID iid, void** object) noexcept;

// DllGetClassObject's work: the class factory of Connect.
HRESULT GetConnectClassObject(REFCLSID clsid, REFIID iid, void** object) noexcept;

}  // namespace kv::win32
