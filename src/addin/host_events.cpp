// The host events OutAddIn follows: new inspectors and explorers get their
// toolbar, each explorer's toolbar shows only in mail folders, and the add-in
// lets go of the host when its last window closes.
#include <algorithm>

#include "addin/OutAddIn.hpp"
#include "addin/dropped_error.hpp"

namespace kv {

void OutAddIn::colInsp_NewInspector(const std::shared_ptr<outlook::Inspector>& inspector) noexcept {
    const char* where = "colInsp_NewInspector";
    // From now on only this inspector's Close is followed.
    IgnoreStepLogged(ctx_.gLog, where, [&] { BindInspector(inspector); });
    if (!toolbars_) return;
    std::int32_t itemClass = 0;
    IgnoreStepLogged(ctx_.gLog, where, [&] { itemClass = Need(objInsp, "Inspector").GetCurrentItem()->Class(); });
    if (itemClass != outlook::itemclass::Mail) return;
    // A mail whose Sent flag cannot be read gets no toolbar: the call fails as a whole.
    IgnoreStepLogged(ctx_.gLog, where, [&] { CreateInspectorToolbar(objInsp, !objInsp->GetCurrentItem()->Sent()); });
}

void OutAddIn::colExpl_NewExplorer(const std::shared_ptr<outlook::Explorer>& explorer) noexcept {
    FollowExplorer(explorer);
}

void OutAddIn::objExpl_BeforeFolderSwitch(ExplorerWindow& window, const std::shared_ptr<outlook::Folder>& newFolder,
                                          bool& /*cancel*/) {
    // No trap: a folder that cannot be read goes back to the host and the
    // toolbar keeps its visibility.
    bool mailFolder = Need(newFolder, "NewFolder").DefaultMessageClass() == outlook::MailMessageClass;
    Need(window.bar, "Korvane toolbar").SetVisible(mailFolder);
}

void OutAddIn::objExpl_Close(ExplorerWindow& window) {
    if (Need(objOutlook, "Application").GetExplorers()->Count() <= 1) {
        DetachFromOutlook();
        return;
    }
    // Other explorers remain: only this window is let go of.
    auto found = std::find_if(explorerWindows_.begin(), explorerWindows_.end(),
                              [&](const auto& w) { return w.get() == &window; });
    if (found == explorerWindows_.end()) return;
    std::unique_ptr<ExplorerWindow> closing = std::move(*found);
    explorerWindows_.erase(found);
    if (closing->explorer == objExpl || closing->button == objCBButton) ChooseMainExplorer();
}

void OutAddIn::objInsp_Close() {
    auto& app = Need(objOutlook, "Application");
    if (app.GetExplorers()->Count() == 0 && app.GetInspectors()->Count() <= 1) DetachFromOutlook();
}

}  // namespace kv
