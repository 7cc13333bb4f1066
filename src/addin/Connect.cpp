#include "addin/Connect.hpp"

#include "addin/command_bars.hpp"

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

void Connect::OnDisconnection(int removeMode) {
    // At the host's shutdown the toolbar stays for the next start. The
    // toolbar is reached through gOutlookApp, so this comes before detaching.
    // Every explorer followed has the toolbar; without one, the host's
    // active explorer may still have it.
    if (removeMode != 0 && !(objAddIn && objAddIn->RemoveExplorerToolbars())) RemoveExplorerToolbar(ctx_);
    if (objAddIn) objAddIn->DetachFromOutlook();
    objAddIn.reset();
}

}  // namespace kv
