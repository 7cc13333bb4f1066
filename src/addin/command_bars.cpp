#include "addin/command_bars.hpp"

#include "addin/OutAddIn.hpp"
#include "support/dropped_error.hpp"

namespace kv {
namespace {

std::shared_ptr<outlook::CommandBarButton> CreateRowButton(FileLog& log, const std::string& progId,
                                                           const std::shared_ptr<outlook::CommandBar>& toolbar,
                                                           const ToolbarButtonRow& row) {
    return CreateToolbarButton(log, progId + row.actionSuffix, toolbar, row.caption, row.tag, row.tooltip, row.faceId,
                               row.beginGroup, row.style);
}

}  // namespace

std::shared_ptr<outlook::CommandBarButton> CreateToolbarButton(FileLog& log, const std::string& action,
                                                               const std::shared_ptr<outlook::CommandBar>& toolbar,
                                                               const std::string& caption, const std::string& tag,
                                                               const std::string& tooltip, std::int16_t faceId,
                                                               bool beginGroup, std::int16_t style) noexcept {
    const char* where = "CreateToolbarButton";
    std::shared_ptr<outlook::CommandBarButton> found;
    IgnoreStepLogged(log, where, [&] { found = Need(toolbar, "toolbar").FindControl(tag); });
    if (found) return found;

    std::shared_ptr<outlook::CommandBarButton> button;
    IgnoreStepLogged(log, where,
                     [&] { button = Need(toolbar, "toolbar").GetControls()->Add(outlook::ControlButton, tag); });
    IgnoreStepLogged(log, where, [&] { Need(button, "button").SetCaption(caption); });
    IgnoreStepLogged(log, where, [&] { Need(button, "button").SetTag(tag); });
    if (style != outlook::buttonstyle::Caption)
        IgnoreStepLogged(log, where, [&] { Need(button, "button").SetFaceId(faceId); });
    IgnoreStepLogged(log, where, [&] { Need(button, "button").SetStyle(style); });
    IgnoreStepLogged(log, where, [&] { Need(button, "button").SetTooltipText(tooltip); });
    IgnoreStepLogged(log, where, [&] { Need(button, "button").SetBeginGroup(beginGroup); });
    IgnoreStepLogged(log, where, [&] { Need(button, "button").SetOnAction("<!" + action + ">"); });
    return button;
}

std::shared_ptr<outlook::CommandBar> FindOrAddToolbar(FileLog& log, outlook::Window* window, const std::string& name,
                                                      bool temporary) noexcept {
    const std::string where = "Toolbar " + name;
    std::shared_ptr<outlook::CommandBar> bar;
    bool missing = false;
    try {
        if (!window) throw Error(91, "KVOutlookAddin", "Object variable not set: window");
        bar = window->GetCommandBars()->Item(name);
    } catch (...) {
        // The usual answer on a first start: the toolbar does not exist yet.
        missing = true;
    }
    if (missing) {
        IgnoreStepLogged(log, where, [&] {
            if (!window) throw Error(91, "KVOutlookAddin", "Object variable not set: window");
            bar = window->GetCommandBars()->Add(name, outlook::BarTop, temporary);
        });
    } else {
        // A control without a tag means the toolbar was left half built: start it over.
        IgnoreStepLogged(log, where, [&] {
            if (!Need(bar, "toolbar").FindControl("")) return;
            auto controls = bar->GetControls();
            while (controls->Count() > 0) controls->Item(1)->Delete();
        });
    }
    return bar;
}

void RemoveKeptToolbar(FileLog& log, outlook::Window* window, const std::string& name) noexcept {
    if (!window) return;
    std::shared_ptr<outlook::CommandBar> bar;
    try {
        bar = window->GetCommandBars()->Item(name);
    } catch (...) {
        // Not there: the usual answer.
        return;
    }
    IgnoreStepLogged(log, "Toolbar " + name, [&] { Need(bar, "toolbar").Delete(); });
}

void OutAddIn::CreateExplorerToolbar(const std::shared_ptr<outlook::Explorer>& explorer,
                                     std::shared_ptr<outlook::CommandBar>& bar,
                                     std::shared_ptr<outlook::CommandBarButton>& button) noexcept {
    bar = FindOrAddToolbar(ctx_.gLog, explorer.get(), kExplorerButton.toolbar, false);
    button = CreateRowButton(ctx_.gLog, strProgId, bar, kExplorerButton);
}

void OutAddIn::CreateInspectorToolbar(const std::shared_ptr<outlook::Inspector>& inspector, bool notSent) noexcept {
    const ToolbarButtonRow& row = notSent ? kNewMailButton : kReadMailButton;
    auto bar = FindOrAddToolbar(ctx_.gLog, inspector.get(), row.toolbar, true);
    auto button = CreateRowButton(ctx_.gLog, strProgId, bar, row);
    if (notSent) {
        objSMailBar = bar;
        BindButton(objCBNewButtonMail, objCBNewButtonMailClick_, button, &OutAddIn::objCBNewButtonMail_Click);
    } else {
        objNMailBar = bar;
        BindButton(objCBButtonMail, objCBButtonMailClick_, button, &OutAddIn::objCBButtonMail_Click);
    }
    IgnoreStepLogged(ctx_.gLog, "CreateInspectorToolbar", [&] { Need(bar, "toolbar").SetVisible(true); });
}

bool OutAddIn::RemoveExplorerToolbars() noexcept {
    for (const auto& w : explorerWindows_)
        if (w->bar) IgnoreStepLogged(ctx_.gLog, "RemoveExplorerToolbars", [&] { w->bar->Delete(); });
    return !explorerWindows_.empty();
}

void RemoveExplorerToolbar(AddinContext& ctx) noexcept {
    if (!ctx.gOutlookApp) return;
    IgnoreStepLogged(ctx.gLog, "RemoveExplorerToolbar", [&] {
        Need(ctx.gOutlookApp->ActiveExplorer(), "ActiveExplorer").GetCommandBars()->Item("Korvane")->Delete();
    });
}

}  // namespace kv
