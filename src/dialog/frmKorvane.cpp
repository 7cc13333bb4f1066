#include "dialog/frmKorvane.hpp"

#include "catalog/document_folder.hpp"
#include "dialog/frmKorvane_helpers.hpp"
#include "settings/log_level.hpp"
#include "settings/settings_key.hpp"
#include "settings/user_name.hpp"
#include "support/dropped_error.hpp"
#include "support/error_trap.hpp"

namespace kv {

namespace {

// RessType values that name a single type in cboRessType; anything else
// shows "<Alle>" (the filter itself keeps the stored number).
constexpr std::int32_t kFirstSingleType = 1;
constexpr std::int32_t kLastSingleType = 8;

// Where the folder controls stand in the customer arrangement, and the tree's
// width there.
constexpr int kFolderLeft = 7920;
constexpr int kFolderNameLeft = 8880;
constexpr int kTreeWidth = 3135;
// The folder-name label stands this far right of the folder heading.
constexpr int kFolderNameOffset = 960;

}  // namespace

frmKorvane::frmKorvane(AddinContext& ctx) : ui::Form("frmKorvane"), ctx_(ctx) {
    Load.Subscribe([this] { Form_Load(); });
    UnloadEvent.Subscribe([this] { Form_Unload(); });
}

void frmKorvane::ShowModal() { ui::Form::ShowModal(ctx_.View()); }

void frmKorvane::Design() {
    c_ = dialog::BuildKorvaneLayout(*this);
    c_.chkDelete->Click.Subscribe([this] { chkDelete_Click(); });
    c_.cmdClose->Click.Subscribe([this] { cmdClose_Click(); });
    c_.cboRessType->Click.Subscribe([this] { cboRessType_Click(); });
    c_.lstvRess->ItemClick.Subscribe([this](ui::ListItem& item) { lstvRess_ItemClick(item); });
    c_.cboActive->Click.Subscribe([this] { cboActive_Click(); });
    c_.lstvJobs->ItemClick.Subscribe([this](ui::ListItem& item) { lstvJobs_ItemClick(item); });
    c_.lstvJobs->ColumnClick.Subscribe([this](const ui::ColumnHeader& column) { lstvJobs_ColumnClick(column); });
    c_.lstvJobs->MouseMove.Subscribe(
        [this](int button, int shift, double x, double y) { lstvJobs_MouseMove(button, shift, x, y); });
    c_.txtJobId->KeyPress.Subscribe([this](int& key) { txtJobId_KeyPress(key); });
    c_.txtJobId->LostFocus.Subscribe([this] { txtJobId_LostFocus(); });
    c_.txtJobNavn->KeyPress.Subscribe([this](int& key) { txtJobNavn_KeyPress(key); });
    c_.treeFolders->Expand.Subscribe([this](ui::TreeNode& node) { treeFolders_Expand(node); });
    c_.cmdNewFld->Click.Subscribe([this] { cmdNewFld_Click(); });
    c_.cmdImport->Click.Subscribe([this] { cmdImport_Click(); });
}

void frmKorvane::Form_Load() {
    mLoading = true;
    // A failed load leaves the dialog unshown; the flag must not outlive it.
    struct LoadingGuard {
        bool& flag;
        ~LoadingGuard() { flag = false; }
    } guard{mLoading};

    LoadFormSettings();

    if (ctx_.gImportFromInspector) {
        // An unsent mail has no sender (a draft's From account is none);
        // deleting it after the import would throw away the mail being
        // written, and the moved draft would never be sent.
        std::unique_ptr<outlook::MailWrapper> wrapper = ctx_.MailWrappers().CreateMailWrapper();
        wrapper->SetItem(ctx_.gImportMail);
        std::unique_ptr<outlook::AddressEntry> sender = outlook::SenderOfSentMail(*wrapper);
        if (!sender) c_.chkDelete->SetEnabled(false);
        else sender->Close();
    }

    // The remembered job's folder is shown expanded once the lists are
    // filled; it is read meanwhile.
    const std::unique_ptr<FileSystem::TreeReadAhead> jobFolderAhead = ReadRememberedJobFolderAhead();
    FillRessList();

    const bool lookupBegun = ctx_.gJobId != 0 && CustomerSelected();
    if (lookupBegun) {
        // From here on the dialog opens whatever fails.
        IgnoreStepLogged(ctx_.gLog, "Form_Load", [&] {
            ui::ListItem* job = c_.lstvJobs->Find("J" + std::to_string(ctx_.gJobId));
            if (job == nullptr) return;
            c_.lstvJobs->SetSelectedItem(job);
            job->EnsureVisible();
            lstvJobs_ItemClick(*job);
        });
    }

    auto setCaption = [this] {
        SetCaption(Caption() + ", " + GetUserName() + " (ver. " + ctx_.Module().VersionText() + ")");
    };
    if (lookupBegun) IgnoreStepLogged(ctx_.gLog, "Form_Load", setCaption);
    else setCaption();
}

std::unique_ptr<FileSystem::TreeReadAhead> frmKorvane::ReadRememberedJobFolderAhead() {
    std::unique_ptr<FileSystem::TreeReadAhead> ahead;
    if (ctx_.gJobId == 0) return ahead;
    // Only a head start: without it the folder is read when it is shown.
    IgnoreStepLogged(ctx_.gLog, "Form_Load", [&] {
        if (std::optional<std::string> path = catalog::JobFolderPath(Db(), ctx_.gJobId))
            ahead = ctx_.Files().ReadFolderTreeAhead(*path);
    });
    return ahead;
}

void frmKorvane::LoadFormSettings() {
    RegistryStore& store = ctx_.Registry();

    settings::ApplyStoredLogLevel(store, ctx_.gLog);

    // A status outside the three items would keep the dialog from ever
    // opening again; the first item stands in and is stored.
    std::optional<std::int32_t> jobSetting = settings::ReadNumber(store, "JobSetting");
    if (!jobSetting || *jobSetting < 1 || *jobSetting > c_.cboActive->ListCount()) {
        jobSetting = 1;
        settings::WriteNumber(store, "JobSetting", *jobSetting);
    }
    c_.cboActive->SetListIndex(*jobSetting - 1);

    std::optional<std::int32_t> mailDelete = settings::ReadNumber(store, "MailDelete");
    // A stored value the check box cannot take would stop the dialog from
    // ever opening again, without a word: it counts as unticked instead.
    if (!mailDelete || *mailDelete < ui::CheckBox::Unchecked || *mailDelete > ui::CheckBox::Grayed) {
        mailDelete = 0;
        settings::WriteNumber(store, "MailDelete", *mailDelete);
    }
    c_.chkDelete->SetValue(*mailDelete);

    mRessType = settings::ReadNumber(store, "RessType").value_or(0);
    const bool singleType = mRessType >= kFirstSingleType && mRessType <= kLastSingleType;
    c_.cboRessType->SetListIndex(singleType ? mRessType : 0);
}

void frmKorvane::SaveJobSetting(std::int32_t& value) {
    // A choice that cannot be stored is simply not remembered.
    IgnoreStepLogged(ctx_.gLog, "SaveJobSetting", [&] { settings::WriteNumber(ctx_.Registry(), "JobSetting", value); });
}

void frmKorvane::SaveRessType(std::int32_t& value) {
    IgnoreStepLogged(ctx_.gLog, "SaveRessType", [&] { settings::WriteNumber(ctx_.Registry(), "RessType", value); });
    mRessType = value;
}

void frmKorvane::ArrangeForRessType(const Value& ressType) {
    const bool customer = dialog::IsCustomer(ressType);
    IgnoreStepLogged(ctx_.gLog, "ArrangeForRessType", [&] {
        c_.treeFolders->SetWidth(customer ? kTreeWidth : kFolderLeft - c_.lstvJobs->Left() + kTreeWidth);
    });
    for (ui::Control* control : ui::Form::Controls()) {
        const std::string& tag = control->Tag();
        if (tag == "j") control->SetVisible(customer);
        else if (tag == "f") control->SetLeft(customer ? kFolderLeft : c_.lstvJobs->Left());
        else if (tag == "f1") control->SetLeft(customer ? kFolderNameLeft : c_.lstvJobs->Left() + kFolderNameOffset);
    }
}

db::Connection& frmKorvane::Db() {
    if (!ctx_.gConnection) throw Error(errnum::Unexpected, "frmKorvane", "Der er ingen forbindelse til databasen");
    return *ctx_.gConnection;
}

void frmKorvane::ShowFailure(const Error& error) { ctx_.Prompts().MsgBox(error.Description()); }

bool frmKorvane::CustomerSelected() const {
    const ui::ListItem* ress = c_.lstvRess->SelectedItem();
    return ress != nullptr && dialog::IsCustomer(ress->Tag());
}

std::string frmKorvane::GetUserName() { return settings::UserName(Db(), ctx_.gUserRessId); }

void frmKorvane::Form_Unload() { ctx_.gImportExplorer.reset(); }

void frmKorvane::chkDelete_Click() {
    IgnoreStepLogged(ctx_.gLog, "chkDelete_Click",
                     [&] { settings::WriteNumber(ctx_.Registry(), "MailDelete", c_.chkDelete->Value()); });
}

void frmKorvane::cmdClose_Click() {
    // The running import closes the dialog itself when it is done.
    if (!importRunning_) Unload();
}

}  // namespace kv
