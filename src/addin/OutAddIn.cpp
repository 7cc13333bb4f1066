#include "addin/OutAddIn.hpp"

#include "addin/addin_log.hpp"
#include "addin/command_bars.hpp"
#include "support/dropped_error.hpp"
#include "settings/toolbars.hpp"

namespace kv {

OutAddIn::OutAddIn(AddinContext& ctx) : ctx_(ctx) {
    OpenAddinLog(ctx_);
    // An unreadable value keeps the toolbars, as an absent one does.
    IgnoreStepLogged(ctx_.gLog, "OutAddIn: Toolbars", [&] { toolbars_ = settings::ToolbarsWanted(ctx_.Registry()); });
}

OutAddIn::~OutAddIn() {
    ctx_.gImportExplorer.reset();
    ctx_.gConnection.reset();
}

void OutAddIn::AttachToOutlook(std::shared_ptr<outlook::Application> application, const std::string& progId) {
    objOutlook = std::move(application);
    ctx_.gOutlookApp = objOutlook;
    strProgId = progId;
    objNS = Need(objOutlook, "Application").GetNamespace("MAPI");
    colExpl = objOutlook->GetExplorers();
    colInsp = objOutlook->GetInspectors();
    colInspNewInspector_ =
        Need(colInsp, "Inspectors").OnNewInspector([this](std::shared_ptr<outlook::Inspector> inspector) {
            colInsp_NewInspector(inspector);
        });
    colExplNewExplorer_ = Need(colExpl, "Explorers").OnNewExplorer([this](std::shared_ptr<outlook::Explorer> explorer) {
        colExpl_NewExplorer(explorer);
    });
    // Every main window open now is followed as one opened later is (the
    // add-in may be loaded from the options with several open). Started
    // for one mail window only (Send to, /c ipm.note, automation), the host
    // has no explorer yet: its toolbar comes with NewExplorer.
    FollowOpenExplorers();
}

void OutAddIn::FollowOpenExplorers() noexcept {
    std::int32_t count = 0;
    IgnoreStepLogged(ctx_.gLog, "OutAddIn: explorers", [&] { count = colExpl->Count(); });
    for (std::int32_t i = 1; i <= count; ++i)
        IgnoreStepLogged(ctx_.gLog, "OutAddIn: explorer " + std::to_string(i),
                         [&] { FollowExplorer(colExpl->Item(i)); });
    // A host that cannot list its windows still names the active one.
    if (explorerWindows_.empty())
        IgnoreStepLogged(ctx_.gLog, "OutAddIn: active explorer", [&] { FollowExplorer(objOutlook->ActiveExplorer()); });
}

void OutAddIn::FollowExplorer(const std::shared_ptr<outlook::Explorer>& explorer) noexcept {
    if (!explorer) return;
    auto window = std::make_unique<ExplorerWindow>();
    ExplorerWindow& w = *window;
    w.explorer = explorer;
    if (toolbars_) {
        CreateExplorerToolbar(explorer, w.bar, w.button);
    } else {
        // Off now, the toolbar an earlier run left in the window goes.
        RemoveKeptToolbar(ctx_.gLog, explorer.get(), kExplorerButton.toolbar);
    }
    IgnoreStepLogged(ctx_.gLog, "OutAddIn: explorer events", [&] {
        if (toolbars_)
            w.beforeFolderSwitch =
                explorer->OnBeforeFolderSwitch([this, &w](std::shared_ptr<outlook::Folder> folder, bool& cancel) {
                    objExpl_BeforeFolderSwitch(w, folder, cancel);
                });
        // Followed either way: the last window closing lets go of the host.
        w.close = explorer->OnClose([this, &w] { objExpl_Close(w); });
    });
    // The toolbar shows on mail folders only; one that cannot be set is no
    // reason to fail the connection.
    if (toolbars_)
        IgnoreStepLogged(ctx_.gLog, "OutAddIn: explorer toolbar", [&] {
            Need(w.bar, "Korvane toolbar")
                .SetVisible(Need(explorer->GetCurrentFolder(), "CurrentFolder").DefaultMessageClass() ==
                            outlook::MailMessageClass);
        });
    explorerWindows_.push_back(std::move(window));
    if (!objExpl || !objCBButton) ChooseMainExplorer();
}

void OutAddIn::ChooseMainExplorer() noexcept {
    objExpl = explorerWindows_.empty() ? nullptr : explorerWindows_.front()->explorer;
    objExplBar = explorerWindows_.empty() ? nullptr : explorerWindows_.front()->bar;
    std::shared_ptr<outlook::CommandBarButton> button;
    for (const auto& w : explorerWindows_)
        if (!button) button = w->button;
    if (button != objCBButton) BindButton(objCBButton, objCBButtonClick_, button, &OutAddIn::objCBButton_Click);
}

void OutAddIn::ReleaseWindows() noexcept {
    objCBButtonClick_.Reset();
    objCBButtonMailClick_.Reset();
    objCBNewButtonMailClick_.Reset();
    objCBButton.reset();
    objCBButtonMail.reset();
    objCBNewButtonMail.reset();
    objExplBar.reset();
    objSMailBar.reset();
    objNMailBar.reset();
    objExpl.reset();
    explorerWindows_.clear();
}

void OutAddIn::DetachFromOutlook() noexcept {
    inspectorWindows_.clear();
    objInsp.reset();
    colExplNewExplorer_.Reset();
    // Toolbars and buttons are host objects too: holding one keeps the host.
    ReleaseWindows();
    ctx_.gImportExplorer.reset();
    colInspNewInspector_.Reset();
    colInsp.reset();
    colExpl.reset();
    objNS.reset();
    ctx_.gOutlookApp.reset();
    objOutlook.reset();
}

void OutAddIn::BindButton(std::shared_ptr<outlook::CommandBarButton>& member, outlook::Subscription& token,
                          std::shared_ptr<outlook::CommandBarButton> button,
                          void (OutAddIn::*handler)(const std::shared_ptr<outlook::CommandBarButton>&,
                                                    bool&) noexcept) {
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
    auto window = std::make_unique<InspectorWindow>();
    InspectorWindow& w = *window;
    w.inspector = inspector;
    w.close = Need(inspector, "Inspector").OnClose([this, &w] { objInsp_Close(w); });
    inspectorWindows_.push_back(std::move(window));
    objInsp = inspector;
}

}  // namespace kv
