#pragma once
// The host port over the real Outlook, late-bound through IDispatch: every
// object holds one counted reference to its host object and lets go of it
// when the last shared_ptr goes, so nothing the add-in dropped keeps
// Outlook running.
#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "adapters/win32/com_ptr.hpp"
#include "ports/outlook.hpp"

namespace kv::win32::outlook {

// The Application object Outlook hands the add-in at connection.
std::shared_ptr<kv::outlook::Application> WrapApplication(ComPtr<IDispatch> application);

// The explorer or inspector a ribbon control's Context names; an object
// that shows an item is an inspector.
std::shared_ptr<kv::outlook::Window> WrapWindowObject(ComPtr<IDispatch> window);

// Mail wrappers that work on the MailItem's own methods and properties.
std::unique_ptr<kv::outlook::MailWrapperFactory> MakeMailWrapperFactory();

}  // namespace kv::win32::outlook
