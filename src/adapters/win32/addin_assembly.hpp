#pragma once
// The add-in as Outlook loads it: the platform services of Windows wired
// into one AddinContext, and the portable add-in (kv::Connect) over the
// Outlook binding. One assembly per connection; it goes, with every host
// reference it holds, when the connection ends.
#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "ports/addin_host.hpp"
#include "ports/module_info.hpp"

namespace kv::win32 {

// The add-in for one connection to application. module: the DLL's own
// folder and version (the log goes beside it, the caption shows it). Does
// no database or file work: everything heavier waits for the first click.
std::unique_ptr<AddinHost> AssembleAddin(IDispatch* application, ModuleInfo module);

// What DllMain's process sets up: the factory the COM object uses, reading
// module's information at each connection.
void InstallAddinAssembly(HMODULE module);

}  // namespace kv::win32
