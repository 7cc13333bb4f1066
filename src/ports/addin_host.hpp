#pragma once
// The add-in as the platform's entry object sees it. The COM class that the
// host creates does nothing itself: it hands every add-in call over to this.
// The host application is given when the object is made (the platform wraps
// it for the core), so the calls carry only what the host passes besides.
#include <cstddef>
#include <string>
#include <vector>

#include "ports/outlook/ribbon_control.hpp"

namespace kv {

class AddinHost {
public:
    virtual ~AddinHost() = default;

    // progId: the add-in instance's ProgId as the host reports it.
    virtual void OnConnection(const std::string& progId) = 0;
    // The connection failed before OnConnection (the host would not tell the
    // ProgId): reason goes to the add-in's log, and nothing starts.
    virtual void OnConnectionFailed(const std::string& /*reason*/) noexcept {}
    // removeMode 0: the host is shutting down; any other value: the user
    // unloaded the add-in.
    virtual void OnDisconnection(int removeMode) = 0;
    virtual void OnAddInsUpdate() {}
    virtual void OnStartupComplete() {}
    virtual void OnBeginShutdown() {}

    // The ribbon (Office 2010 and later). The markup for one of the host's
    // ribbon ids, empty where the add-in adds nothing.
    virtual std::string GetCustomUI(const std::string& /*ribbonId*/) { return {}; }
    // The callback names the markup uses, in a fixed order: the host resolves
    // a name to its position and calls OnRibbonCallback with it.
    virtual std::vector<std::string> RibbonCallbacks() const { return {}; }
    // A ribbon button pressed; callback is a position in RibbonCallbacks().
    // Never raises: failures are shown or logged as the toolbar buttons' are.
    virtual void OnRibbonCallback(std::size_t /*callback*/, const outlook::RibbonControl& /*control*/) noexcept {}
};

}  // namespace kv
