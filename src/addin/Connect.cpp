#include "addin/Connect.hpp"

#include "addin/command_bars.hpp"

namespace kv {

Connect::Connect(AddinContext& ctx, std::shared_ptr<outlook::Application> application)
    : ctx_(ctx), application_(std::move(application)) {}

Connect::~Connect() = default;

void Connect::OnConnection(const std::string& progId) {
    objAddIn = std::make_unique<OutAddIn>(ctx_);
    objAddIn->AttachToOutlook(application_, progId);
}

void Connect::OnDisconnection(int removeMode) {
    // At the host's shutdown the toolbar stays for the next start. The
    // toolbar is reached through gOutlookApp, so this comes before detaching.
    if (removeMode != 0) RemoveExplorerToolbar(ctx_);
    if (objAddIn) objAddIn->DetachFromOutlook();
    objAddIn.reset();
}

}  // namespace kv
