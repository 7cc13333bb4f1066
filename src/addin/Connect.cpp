#include "addin/Connect.hpp"

#include "addin/addin_log.hpp"
#include "addin/command_bars.hpp"
#include "addin/ribbon.hpp"

namespace kv {

Connect::Connect(AddinContext& ctx, std::shared_ptr<outlook::Application> application)
    : ctx_(ctx), application_(std::move(application)) {}

Connect::~Connect() = default;

void Connect::OnConnection(const std::string& progId) {
    objAddIn = std::make_unique<OutAddIn>(ctx_);
    // The add-in object holds the application from now on, so that letting
    // go of it there (the last window closed) lets go of the host.
    objAddIn->AttachToOutlook(std::move(application_), progId);
}

void Connect::OnConnectionFailed(const std::string& reason) noexcept {
    OpenAddinLog(ctx_);
    ctx_.gLog.WriteToLog("OnConnection: " + reason, 0, static_cast<std::int32_t>(LogType::Error));
}

void Connect::OnDisconnection(int removeMode) {
    // At the host's shutdown the toolbar stays for the next start. The
    // toolbar is reached through gOutlookApp, so this comes before detaching.
    // Every explorer followed has the toolbar; without one, the host's
    // active explorer may still have it.
    if (removeMode != 0 && !(objAddIn && objAddIn->RemoveExplorerToolbars())) RemoveExplorerToolbar(ctx_);
    if (objAddIn) objAddIn->DetachFromOutlook();
    objAddIn.reset();
}

std::string Connect::GetCustomUI(const std::string& ribbonId) { return ribbon::CustomUI(ribbonId); }

std::vector<std::string> Connect::RibbonCallbacks() const {
    std::vector<std::string> names;
    for (const ribbon::Callback& callback : ribbon::kCallbacks) names.emplace_back(callback.name);
    return names;
}

void Connect::OnRibbonCallback(std::size_t callback, const outlook::RibbonControl& control) noexcept {
    const std::optional<ribbon::Action> action = ribbon::ActionAt(callback);
    if (objAddIn && action) objAddIn->Ribbon_OnAction(*action, control);
}

}  // namespace kv
