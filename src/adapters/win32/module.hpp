#pragma once
// What the in-process server knows about itself: its module handle, how many
// of its objects and locks are alive (for DllCanUnloadNow), and its file's
// folder and version.
#include <windows.h>

#include <string>

#include "ports/module_info.hpp"

namespace kv::win32 {

// Set once by DllMain; test programs that link the library directly get the
// handle of their own executable.
void SetModuleHandle(HMODULE module) noexcept;
HMODULE ModuleHandle() noexcept;

// Live COM objects and IClassFactory::LockServer locks.
void ObjectCreated() noexcept;
void ObjectDestroyed() noexcept;
void LockModule(bool lock) noexcept;
long LiveObjectCount() noexcept;
bool CanUnloadModule() noexcept;

// Full path of the module file; throws kv::Error when Windows cannot tell.
std::wstring ModulePath(HMODULE module);

// Folder, file name and version resource of the module; throws kv::Error when
// the module has no version resource.
ModuleInfo ReadModuleInfo(HMODULE module);

// A reader the core can be given; it reads this module's own information.
ModuleInfoReader OwnModuleInfoReader();

}  // namespace kv::win32
