// The host events OutAddIn follows: new inspectors and explorers get their
// toolbar, each explorer's toolbar shows only in mail folders, and the add-in
// lets go of the host when its last window closes.
#include <algorithm>

#include "addin/OutAddIn.hpp"
#include "support/dropped_error.hpp"

namespace kv {

namespace {

// Takes window out of the windows followed; empty when it is not one of them.
template <class Window>
std::unique_ptr<Window> TakeOut(std::vector<std::unique_ptr<Window>>& windows, const Window& window) {
    auto found = std::find_if(windows.begin(), windows.end(), [&](const auto& w) { return w.get() == &window; });
    if (found == windows.end()) return nullptr;
    std::unique_ptr<Window> taken = std::move(*found);
    windows.erase(found);
    return taken;
}

}  // namespace

void OutAddIn::colInsp_NewInspector(const std::shared_ptr<outlook::Inspector>& inspector) noexcept {
    const char* where = "colInsp_NewInspector";
    // Every inspector's Close is followed: the last window of any kind lets go of the host.
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
    // The host may go on with mail windows alone: their buttons keep
    // working, and a main window opened later gets its toolbar.
    auto& app = Need(objOutlook, "Application");
    if (app.GetExplorers()->Count() <= 1 && app.GetInspectors()->Count() == 0) {
        DetachFromOutlook();
        return;
    }
    // Other windows remain: only this one is let go of.
    const std::unique_ptr<ExplorerWindow> closing = TakeOut(explorerWindows_, window);
    if (closing && (closing->explorer == objExpl || closing->button == objCBButton)) ChooseMainExplorer();
}

void OutAddIn::objInsp_Close(InspectorWindow& window) {
    auto& app = Need(objOutlook, "Application");
    if (app.GetExplorers()->Count() == 0 && app.GetInspectors()->Count() <= 1) {
        DetachFromOutlook();
        return;
    }
    const std::unique_ptr<InspectorWindow> closing = TakeOut(inspectorWindows_, window);
    if (closing && closing->inspector == objInsp) objInsp.reset();
}

}  // namespace kv
