#include "addin/OutAddIn.hpp"

#include <filesystem>

#include "addin/command_bars.hpp"
#include "addin/dropped_error.hpp"

namespace kv {

OutAddIn::OutAddIn(AddinContext& ctx) : ctx_(ctx) {
    ctx_.gLog = FileLog(ctx_.Time());
    // An unknown module folder would put the log at the file-system root; the lines are lost instead.
    const std::string& folder = ctx_.Module().folder;
    ctx_.gLog.LogFile(folder.empty() ? std::string()
                                     : folder + static_cast<char>(std::filesystem::path::preferred_separator) +
                                           "KVOutlookAddin.log");
    ctx_.gLog.LogLevel(1);
}

OutAddIn::~OutAddIn() {
    ctx_.gImportExplorer.reset();
    ctx_.gConnection.reset();
}

void OutAddIn::AttachToOutlook(std::shared_ptr<outlook::Application> application, const std::string& progId) {
    objOutlook = application;
    ctx_.gOutlookApp = application;
    strProgId = progId;
    objNS = Need(objOutlook, "Application").GetNamespace("MAPI");
    colExpl = objOutlook->GetExplorers();
    colInsp = objOutlook->GetInspectors();
    colInspNewInspector_ =
        Need(colInsp, "Inspectors").OnNewInspector([this](std::shared_ptr<outlook::Inspector> inspector) {
            colInsp_NewInspector(inspector);
        });
    objExpl = objOutlook->ActiveExplorer();
    if (objExpl) {
        objExplBeforeFolderSwitch_ = objExpl->OnBeforeFolderSwitch(
            [this](std::shared_ptr<outlook::Folder> folder, bool& cancel) { objExpl_BeforeFolderSwitch(folder, cancel); });
        objExplClose_ = objExpl->OnClose([this] { objExpl_Close(); });
    }
    CreateExplorerToolbar(progId);
    Need(objExplBar, "Korvane toolbar")
        .SetVisible(Need(Need(objExpl, "ActiveExplorer").GetCurrentFolder(), "CurrentFolder").DefaultMessageClass() ==
                    outlook::MailMessageClass);
}

void OutAddIn::DetachFromOutlook() noexcept {
    objInspClose_.Reset();
    objInsp.reset();
    objExplBeforeFolderSwitch_.Reset();
    objExplClose_.Reset();
    objExpl.reset();
    colInspNewInspector_.Reset();
    colInsp.reset();
    colExpl.reset();
    objNS.reset();
    ctx_.gOutlookApp.reset();
    objOutlook.reset();
}

void OutAddIn::BindButton(std::shared_ptr<outlook::CommandBarButton>& member, outlook::Subscription& token,
                          std::shared_ptr<outlook::CommandBarButton> button,
                          void (OutAddIn::*handler)(const std::shared_ptr<outlook::CommandBarButton>&, bool&) noexcept) {
    token.Reset();
    member = std::move(button);
    if (!member) return;
    IgnoreStepLogged(ctx_.gLog, "OutAddIn: button events", [&] {
        token = member->OnClick([this, handler](std::shared_ptr<outlook::CommandBarButton> ctrl, bool& cancelDefault) {
            (this->*handler)(ctrl, cancelDefault);
        });
    });
}

void OutAddIn::BindInspector(const std::shared_ptr<outlook::Inspector>& inspector) {
    objInspClose_.Reset();
    objInsp = inspector;
    objInspClose_ = Need(objInsp, "Inspector").OnClose([this] { objInsp_Close(); });
}

}  // namespace kv
