#pragma once
// The add-in class the host loads. It does nothing itself: connection creates
// the one OutAddIn and attaches it to the host, disconnection ends it.
#include <memory>
#include <string>
#include <vector>

#include "addin/OutAddIn.hpp"
#include "context/addin_context.hpp"
#include "ports/addin_host.hpp"
#include "ports/outlook.hpp"

namespace kv {

class Connect final : public AddinHost {
public:
    // application: the host application the platform wrapped for the core;
    // it is handed on to the add-in object at connection (one connection per
    // Connect).
    Connect(AddinContext& ctx, std::shared_ptr<outlook::Application> application);
    ~Connect() override;

    // Raises when attaching fails (the host's application refuses its basic
    // objects): the host then sees a failed connection.
    void OnConnection(const std::string& progId) override;
    void OnConnectionFailed(const std::string& reason) noexcept override;
    void OnDisconnection(int removeMode) override;

    // The ribbon's markup and callbacks; a callback that arrives while no
    // add-in object is connected does nothing.
    std::string GetCustomUI(const std::string& ribbonId) override;
    std::vector<std::string> RibbonCallbacks() const override;
    void OnRibbonCallback(std::size_t callback, const outlook::RibbonControl& control) noexcept override;

    std::unique_ptr<OutAddIn> objAddIn;

private:
    AddinContext& ctx_;
    std::shared_ptr<outlook::Application> application_;
};

}  // namespace kv
