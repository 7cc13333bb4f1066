// cmdImport_Click: saves the chosen mails as .msg files into the chosen
// folder, records each through UpdateDB, then moves them to Deleted Items
// when asked to and closes the dialog. The step number names where a
// failure happened in the one general message.
#include <memory>
#include <string>
#include <vector>

#include "dialog/frmKorvane.hpp"
#include "support/clean_file_name.hpp"
#include "import/duplicate_check.hpp"
#include "import/import_support.hpp"
#include "import/msg_file_name.hpp"
#include "support/error_trap.hpp"
#include "support/scoped_flag.hpp"

namespace kv {

namespace {

constexpr const char* kAlreadyImported = " findes allerede i databasen, Vil du alligevel importerer det";
constexpr const char* kUpdateFailed = "Der skete en fejl under importen til Korvane";
constexpr const char* kGeneralFailure = "Der opstod en fejl under importen til Korvane";
constexpr std::int32_t kLogError = static_cast<std::int32_t>(LogType::Error);

// One press of "Import": the choices read from the dialog and what the run
// holds, released when it ends.
class ImportRun {
public:
    // The window and mail to import from are taken now and held to the end:
    // what the dialog or the add-in lets go of meanwhile is not this run's.
    ImportRun(frmKorvane& form, AddinContext& ctx, const dialog::KorvaneControls& controls)
        : form_(form),
          ctx_(ctx),
          c_(controls),
          fromInspector_(ctx.gImportFromInspector),
          explorer_(ctx.gImportExplorer),
          mail_(ctx.gImportMail) {}

    // Runs the import through to closing the dialog; returns early, the
    // dialog left open, when nothing is chosen or a mail could not be
    // recorded (already told). Failures pass on with step naming where.
    void Run(int& step);

private:
    // Each false when the run ended at a recording failure.
    bool ImportFromInspector(int& step);
    bool ImportFromExplorer(int& step);
    void MoveImported(int& step);

    // Whether the mail is to be imported: yes unless Korvane already holds
    // it and the user declines.
    bool ConfirmImport(const std::string& subject, const DateTime& received, const std::string& question);
    struct SaveSteps {
        int name, save, record;
    };
    // Saves the mail under a free name and records it; false when UpdateDB failed.
    bool SaveAndRecord(int& step, SaveSteps steps, const std::string& subject);
    void ReportRecordFailure(const char* logText);

    frmKorvane& form_;
    AddinContext& ctx_;
    const dialog::KorvaneControls& c_;
    const bool fromInspector_;
    const std::shared_ptr<outlook::Explorer> explorer_;
    const std::shared_ptr<outlook::Item> mail_;

    std::string folderPath_;
    std::string subFolder_;
    std::int32_t jobId_ = 0;
    std::unique_ptr<outlook::MailWrapper> reader_;
    std::vector<std::string> imported_;  // EntryIDs by selection position, "" for the rest
};

void ImportRun::Run(int& step) {
    step = 1;
    ui::TreeNode* selected = c_.treeFolders->SelectedItem();
    if (selected == nullptr) return;
    step = 2;
    folderPath_ = selected->Tag();
    step = 3;
    if (folderPath_.empty()) return;
    step = 4;
    const std::string rootPath = c_.treeFolders->Node(1).Tag();
    if (rootPath != folderPath_) subFolder_ = SubFolderText(folderPath_, rootPath);
    step = 5;
    form_.SetMousePointer(ui::pointer::Hourglass);
    if (!IsPathSeparator(folderPath_.back())) folderPath_ += kPathSeparator;
    step = 6;
    if (const ui::ListItem* job = c_.lstvJobs->SelectedItem()) jobId_ = job->Tag().ToInt();
    step = 7;
    const bool recorded = fromInspector_ ? ImportFromInspector(step) : ImportFromExplorer(step);
    if (!recorded) return;
    MoveImported(step);
    step = 31;
    ctx_.gJobId = jobId_;
    form_.Unload();
}

bool ImportRun::ImportFromInspector(int& step) {
    step = 8;
    const std::shared_ptr<outlook::Item>& item = mail_;
    if (!item) throw ObjectNotSet("no mail to import");
    if (item->Class() != outlook::itemclass::Mail) return true;
    step = 9;
    reader_ = ctx_.MailWrappers().CreateMailWrapper();
    reader_->SetItem(item);
    const std::string subject = reader_->GetItem()->Subject();
    step = 10;
    const bool import =
        ConfirmImport(subject, reader_->GetItem()->ReceivedTime(), std::string("Mail") + kAlreadyImported);
    step = 11;
    if (!import) return true;
    if (SaveAndRecord(step, {11, 12, 12}, subject)) {
        ctx_.gImportDone = true;
        return true;
    }
    step = 13;
    ReportRecordFailure("cmdImport_Click: Single after PutInDB");
    return false;
}

bool ImportRun::ImportFromExplorer(int& step) {
    step = 14;
    if (!explorer_) throw ObjectNotSet("no explorer to import from");
    const std::shared_ptr<outlook::Selection> selection = explorer_->GetSelection();
    const std::int32_t count = selection->Count();
    imported_.assign(static_cast<std::size_t>(count > 0 ? count : 0), std::string());
    // Down on every way out: the end of the selection, a mail that could not
    // be recorded, a failure.
    ui::ProgressScope progress(ctx_.Prompts());
    for (std::int32_t i = 0; i < count; ++i) {
        // The step number stays where the previous mail left it.
        const std::shared_ptr<outlook::Item> item = selection->Item(i + 1);
        if (item->Class() != outlook::itemclass::Mail) continue;
        step = 15;
        reader_ = ctx_.MailWrappers().CreateMailWrapper();
        step = 16;
        reader_->SetItem(item);
        const std::string subject = reader_->Subject();
        if (count > 1) progress.Show(i + 1, count, subject);
        step = 17;
        if (!ConfirmImport(subject, reader_->ReceivedTime(), "Mail " + subject + kAlreadyImported)) continue;
        step = 18;
        imported_[static_cast<std::size_t>(i)] = item->EntryID();
        if (SaveAndRecord(step, {19, 20, 21}, subject)) {
            ctx_.gImportDone = true;
            continue;
        }
        step = 22;
        progress.End();  // the message is not to be hidden behind it
        ReportRecordFailure("cmdImport_Click: Multi after PutInDB");
        return false;
    }
    return true;
}

bool ImportRun::ConfirmImport(const std::string& subject, const DateTime& received, const std::string& question) {
    const std::string sender = form_.GetSenderName(*reader_);
    const std::int32_t ressId = SelectedRessId(c_);
    const bool isJob = jobId_ > 0;
    if (!IsMailImported(RequireConnection(ctx_), subject, sender, received, jobId_ == 0 ? ressId : jobId_, isJob))
        return true;
    return ctx_.Prompts().MsgBox(question, ui::Buttons::YesNo, ui::Icon::None) == ui::Answer::Yes;
}

bool ImportRun::SaveAndRecord(int& step, SaveSteps steps, const std::string& subject) {
    step = steps.name;
    const std::string base = SafeFileBase(CleanFileName(subject.empty() ? std::string("Ingen emne") : subject));
    const FileNameLimits limits = PlatformNameLimits();
    const MsgFileName free = FirstFreeMsgFile(ctx_.Files(), folderPath_, base, limits);
    step = steps.save;
    std::unique_ptr<outlook::MailWrapper> saver = ctx_.MailWrappers().CreateMailWrapper();
    saver->SetItem(reader_->GetItem());
    const std::string file = SaveMsgWithoutReplacing(ctx_.Files(), *saver, folderPath_, base, free.number, limits);
    saver.reset();
    step = steps.record;
    return form_.UpdateDB(file, *reader_, subFolder_, jobId_);
}

void ImportRun::ReportRecordFailure(const char* logText) {
    form_.SetMousePointer(ui::pointer::Default);
    ctx_.gLog.WriteToLog(logText, 1, kLogError);
    ctx_.Prompts().MsgBox(kUpdateFailed, ui::Buttons::OK, ui::Icon::None);
}

void ImportRun::MoveImported(int& step) {
    step = 23;
    reader_.reset();
    if (c_.chkDelete->Value() != ui::CheckBox::Checked || !c_.chkDelete->Enabled()) return;
    if (fromInspector_) {
        const auto deleted =
            mail_->GetApplication()->GetNamespace("MAPI")->GetDefaultFolder(outlook::defaultfolder::DeletedItems);
        step = 24;
        mail_->Move(*deleted);
        step = 25;
        return;
    }
    step = 26;
    const auto deleted =
        explorer_->GetApplication()->GetNamespace("MAPI")->GetDefaultFolder(outlook::defaultfolder::DeletedItems);
    step = 27;
    for (const std::string& entryId : imported_) {
        step = 28;
        // Looked up again: the selection may have changed under the moves.
        if (!entryId.empty())
            explorer_->GetApplication()->GetNamespace("MAPI")->GetItemFromID(entryId)->Move(*deleted);
        step = 29;
    }
    step = 30;
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
    int step = 1;
    {
        ImportRun run(*this, ctx_, c_);
        ReportAndStop([&] { run.Run(step); },
                      [&](const Error&) {
                          ctx_.Prompts().MsgBox(kGeneralFailure, ui::Buttons::OK, ui::Icon::None,
                                                "Korvane Mailimport (" + std::to_string(step) + ")");
                      });
    }
    if (IsLoaded()) SetMousePointer(ui::pointer::Default);
}

}  // namespace kv
