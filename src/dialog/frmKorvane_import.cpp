// cmdImport_Click: the choice read from the dialog's controls and handed to
// the import; the dialog closes once every mail went through. The step
// number names where a failure happened in the one general message.
#include "dialog/frmKorvane.hpp"
#include "import/import_command.hpp"
#include "import/import_support.hpp"
#include "support/dropped_error.hpp"
#include "support/error_trap.hpp"
#include "support/scoped_flag.hpp"
#include "support/utf.hpp"

namespace kv {

namespace {

constexpr const char* kUpdateFailed = "Der skete en fejl under importen til Korvane";
constexpr const char* kGeneralFailure = "Der opstod en fejl under importen til Korvane";

// The resource list's selected item's number: its key from the second
// character on, at most 15 characters; none when no item is selected.
// kv::Error when the key holds no number.
std::optional<std::int32_t> SelectedRessId(const dialog::KorvaneControls& controls) {
    const ui::ListItem* item = controls.lstvRess ? controls.lstvRess->SelectedItem() : nullptr;
    if (item == nullptr) return std::nullopt;
    const std::u16string key = utf::ToUtf16(item->Key());
    const std::u16string number = key.size() > 1 ? key.substr(1, 15) : std::u16string();
    return Value(utf::ToUtf8(number)).ToInt();
}

}  // namespace

void frmKorvane::cmdImport_Click() {
    // A press that reaches the dialog while its import runs (from a box's
    // message loop, say) is not a second import.
    if (importRunning_) {
        ctx_.gLog.WriteToLog("cmdImport_Click: the import runs already; this press is ignored", 0,
                             static_cast<std::int32_t>(LogType::Warning));
        return;
    }
    const ScopedFlag running(importRunning_);
    ImportProgress progress;
    int& step = progress.step;
    step = 1;
    // What to import is taken now: the add-in may let go of its window
    // while the run goes on.
    const ImportSource source{ctx_.gImportFromInspector, ctx_.gImportMail, ctx_.gImportExplorer};
    ReportAndStop(
        [&] {
            ui::TreeNode* selected = c_.treeFolders->SelectedItem();
            if (selected == nullptr) return;
            step = 2;
            ImportChoice choice;
            choice.folderPath = selected->Tag();
            step = 3;
            if (choice.folderPath.empty()) return;
            step = 4;
            const std::string rootPath = c_.treeFolders->Node(1).Tag();
            const PathStyle& paths = ctx_.Files().Paths();
            if (rootPath != choice.folderPath) choice.subFolder = SubFolderText(choice.folderPath, rootPath, paths);
            step = 5;
            SetMousePointer(ui::pointer::Hourglass);
            if (!paths.IsSeparator(choice.folderPath.back())) choice.folderPath += paths.separator;
            step = 6;
            if (const ui::ListItem* job = c_.lstvJobs->SelectedItem()) choice.jobId = job->Tag().ToInt();
            choice.ressId = SelectedRessId(c_);
            choice.deleteAfter = c_.chkDelete->Value() == ui::CheckBox::Checked && c_.chkDelete->Enabled();
            if (!RunImport(ctx_, choice, source, progress)) {
                SetMousePointer(ui::pointer::Default);
                ctx_.gLog.WriteToLog(
                    source.oneMail ? "cmdImport_Click: Single after PutInDB" : "cmdImport_Click: Multi after PutInDB",
                    1, static_cast<std::int32_t>(LogType::Error));
                ctx_.Prompts().MsgBox(kUpdateFailed, ui::Buttons::OK, ui::Icon::None);
                return;
            }
            step = 31;
            ctx_.gJobId = choice.jobId;
            Unload();
        },
        [&](const Error& error) {
            // The message names only the step; the log keeps the cause.
            LogDroppedError(ctx_.gLog, "cmdImport_Click (" + std::to_string(step) + ")", error);
            ctx_.Prompts().MsgBox(kGeneralFailure, ui::Buttons::OK, ui::Icon::None,
                                  "Korvane Mailimport (" + std::to_string(step) + ")");
        });
    if (progress.filed > 0) ctx_.gImportDone = true;
    if (IsLoaded()) SetMousePointer(ui::pointer::Default);
}

}  // namespace kv
