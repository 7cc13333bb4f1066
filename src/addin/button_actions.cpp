// What the three buttons do: record what is to be imported and open the
// import dialog; import-and-send also saves, checks the recipients and sends.
// The toolbar buttons' Click handlers find their window here; the actions
// themselves serve the ribbon's buttons too.
#include "addin/OutAddIn.hpp"
#include "support/dropped_error.hpp"
#include "settings/load_settings.hpp"
#include "support/scoped_flag.hpp"
#include "support/error_trap.hpp"

namespace kv {
namespace {

// A click meant for another of the add-in's buttons is not ours; an
// unreadable tag counts as another.
bool IsTagged(const std::shared_ptr<outlook::CommandBarButton>& ctrl, const char* tag) noexcept {
    try {
        return ctrl && ctrl->Tag() == tag;
    } catch (...) {
        return false;
    }
}

// The inspector the clicked button sits in.
std::shared_ptr<outlook::Inspector> InspectorOfButton(const std::shared_ptr<outlook::CommandBarButton>& ctrl) {
    auto bar = Need(ctrl, "Ctrl").GetParent();
    return outlook::AsInspector(Need(bar, "toolbar").GetParent());
}

}  // namespace

void OutAddIn::objCBButton_Click(const std::shared_ptr<outlook::CommandBarButton>& ctrl,
                                 bool& /*cancelDefault*/) noexcept {
    if (!IsTagged(ctrl, "CBButton")) return;
    // The button pressed sits in the explorer the host has active at the
    // click; the host raises the click on this one whichever it was.
    ImportSelection([&] { return Need(objOutlook, "Application").ActiveExplorer(); }, "objCBButton_Click");
}

void OutAddIn::objCBButtonMail_Click(const std::shared_ptr<outlook::CommandBarButton>& ctrl,
                                     bool& /*cancelDefault*/) noexcept {
    if (!IsTagged(ctrl, "CBButtonMail")) return;
    ImportInspectorMail([&] { return InspectorOfButton(ctrl); }, "objCBButtonMail_Click");
}

void OutAddIn::objCBNewButtonMail_Click(const std::shared_ptr<outlook::CommandBarButton>& ctrl,
                                        bool& /*cancelDefault*/) noexcept {
    if (!IsTagged(ctrl, "CBNewButtonMail")) return;
    ImportAndSend([&] { return InspectorOfButton(ctrl); }, "objCBNewButtonMail_Click");
}

bool OutAddIn::RefuseWhileImporting(const char* where) noexcept {
    if (!importOpen_) return false;
    // The press belongs to no import: the open one stays as it is, and the
    // user is shown where it is.
    IgnoreStepLogged(ctx_.gLog, where, [&] { ctx_.View().BringToFront(); });
    ctx_.gLog.WriteToLog(std::string(where) + ": an import is open already; this press is ignored", 0,
                         static_cast<std::int32_t>(LogType::Warning));
    return true;
}

void OutAddIn::OwnBoxesBy(const outlook::Window& window) noexcept {
    NativeWindow handle = 0;
    IgnoreStepLogged(ctx_.gLog, "OutAddIn: window handle", [&] { handle = window.Handle(); });
    ctx_.View().SetOwner(handle);
}

void OutAddIn::ImportSelection(const ExplorerOf& window, const char* where) noexcept {
    if (RefuseWhileImporting(where)) return;
    const ScopedFlag open(importOpen_);
    ctx_.View().SetOwner(0);
    ReportAndStop(
        [&] {
            auto explorer = window();
            OwnBoxesBy(Need(explorer, "ActiveExplorer"));
            if (explorer->GetSelection()->Count() >= 1) {
                ctx_.gImportExplorer = explorer;
                ctx_.gImportFromInspector = false;
                ctx_.gImportMail.reset();
                ShowImportDialog(ctx_);
            } else {
                ctx_.Prompts().MsgBox("Du skal vælge en e-mail først.");
            }
        },
        [&](const Error& e) {
            try {
                ctx_.Prompts().MsgBox(e.Description());
            } catch (...) {
                LogDroppedError(ctx_.gLog, where, e);
            }
        });
}

void OutAddIn::ImportInspectorMail(const InspectorOf& window, const char* where) noexcept {
    if (RefuseWhileImporting(where)) return;
    const ScopedFlag open(importOpen_);
    ctx_.View().SetOwner(0);
    IgnoreStepLogged(ctx_.gLog, where, [&] {
        auto inspector = window();
        OwnBoxesBy(Need(inspector, "Inspector"));
        ctx_.gImportFromInspector = true;
        ctx_.gImportMail = outlook::AsMailItem(inspector->GetCurrentItem());
        ShowImportDialog(ctx_);
    });
    ctx_.gImportMail.reset();
}

void OutAddIn::ImportAndSend(const InspectorOf& window, const char* where) noexcept {
    if (RefuseWhileImporting(where)) return;
    const ScopedFlag open(importOpen_);
    ctx_.View().SetOwner(0);
    std::unique_ptr<outlook::MailWrapper> wrapper;
    IgnoreStepLogged(ctx_.gLog, where, [&] {
        auto inspector = window();
        OwnBoxesBy(Need(inspector, "Inspector"));
        ctx_.gImportDone = false;
        ctx_.gImportFromInspector = true;
        ctx_.gImportMail = outlook::AsMailItem(inspector->GetCurrentItem());
        wrapper = ctx_.MailWrappers().CreateMailWrapper();
        wrapper->SetItem(ctx_.gImportMail);
        wrapper->Save();
        if (!wrapper->ResolveAll()) {
            // The mail stays open and saved; nothing is imported or sent.
            ctx_.Prompts().MsgBox(
                "Alle modtagere kunne ikke genkendes af Outlook\r\nRet modtagere inden import til Korvane",
                ui::Buttons::OK, ui::Icon::Information);
            return;
        }
        ShowImportDialog(ctx_);
        // Sent, the item is gone from the host (its window closes by
        // itself): it is not touched again.
        if (ctx_.gImportDone) wrapper->Send();
    });
    ctx_.gImportMail.reset();
    wrapper.reset();
}

}  // namespace kv
