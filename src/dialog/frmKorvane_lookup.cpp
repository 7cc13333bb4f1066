// Job lookup: a job number typed into txtJobId finds the job among all
// customers the user may see; a name typed into txtJobNavn finds it among
// the chosen customer's jobs.
#include "catalog/column_values.hpp"
#include "catalog/customer_jobs.hpp"
#include "dialog/frmKorvane.hpp"
#include "dialog/frmKorvane_helpers.hpp"
#include "ports/ui/text_box.hpp"
#include "support/dropped_error.hpp"
#include "support/error_trap.hpp"

namespace kv {

namespace {

// Codes up to here are control keys (backspace, Enter, copy, paste) and pass.
constexpr int kLastControlKey = 22;

bool IsDigitKey(int code) { return code >= '0' && code <= '9'; }

}  // namespace

void frmKorvane::txtJobId_KeyPress(int& keyAscii) {
    if (keyAscii > kLastControlKey && !IsDigitKey(keyAscii)) keyAscii = 0;
    if (keyAscii > kLastControlKey) {
        // A digit that would take the number past 32 bits is refused.
        const std::string text = c_.txtJobId->Text() + static_cast<char>(keyAscii);
        try {
            pendingJobId_ = dialog::ToLong(text);
        } catch (const Error&) {
            keyAscii = 0;
        }
    }
    if (keyAscii == ui::keys::Enter) {
        ReportAndStop(
            [&] {
                const std::string text = c_.txtJobId->Text();
                if (!dialog::IsNumeric(text)) {
                    ctx_.Prompts().MsgBox("Du har ikke indtastet et jobid.");
                    return;
                }
                pendingJobId_ = dialog::ToLong(text);
                FindJobByNumber();
            },
            [&](const Error& e) { ShowFailure(e); });
    }
}

void frmKorvane::txtJobId_LostFocus() {}

void frmKorvane::FindJobByNumber() {
    if (pendingJobId_ <= 0) return;
    const std::int32_t jobId = pendingJobId_;
    pendingJobId_ = 0;
    const std::string notFound = "Job nr " + std::to_string(jobId) + " blev ikke fundet ";

    ui::ListView& ressList = *c_.lstvRess;
    // Kept by key: the job-list fill below lets window messages through, and
    // a type change among them refills the resource list under us.
    const std::string previousKey = ressList.SelectedItem() != nullptr ? ressList.SelectedItem()->Key() : std::string();

    std::unique_ptr<db::RecordSet> rs = Db().Execute(catalog::JobCustomerQuery(ctx_.gUserRessId, jobId));
    if (rs->EndOfFile()) {
        rs->Close();
        ctx_.Prompts().MsgBox(notFound);
        return;
    }

    // From here on a failing step is skipped; only the two look-ups decide.
    std::string customerKey;
    IgnoreStepLogged(ctx_.gLog, "FindJobByNumber",
                     [&] { customerKey = "R" + catalog::DecimalText(rs->Field("KundeRessID")); });
    IgnoreStepLogged(ctx_.gLog, "FindJobByNumber", [&] { rs->Close(); });
    ui::ListItem* customer = ressList.Find(customerKey);
    if (customer == nullptr) {
        ctx_.Prompts().MsgBox(notFound);
        return;
    }
    IgnoreStepLogged(ctx_.gLog, "FindJobByNumber", [&] {
        ressList.SetSelectedItem(customer);
        customer->EnsureVisible();
    });
    IgnoreStepLogged(ctx_.gLog, "FindJobByNumber", [&] { lstvRess_ItemClick(*customer); });

    ui::ListItem* job = c_.lstvJobs->Find("J" + std::to_string(jobId));
    if (job == nullptr) {
        // Back to the resource chosen before, if it is still listed. With none
        // the customer stays, showing its jobs as just loaded.
        if (ui::ListItem* previous = previousKey.empty() ? nullptr : ressList.Find(previousKey)) {
            IgnoreStepLogged(ctx_.gLog, "FindJobByNumber", [&] { ressList.SetSelectedItem(previous); });
            IgnoreStepLogged(ctx_.gLog, "FindJobByNumber", [&] { lstvRess_ItemClick(*previous); });
        }
        ctx_.Prompts().MsgBox(notFound);
        return;
    }
    IgnoreStepLogged(ctx_.gLog, "FindJobByNumber", [&] {
        c_.lstvJobs->SetSelectedItem(job);
        job->EnsureVisible();
    });
    IgnoreStepLogged(ctx_.gLog, "FindJobByNumber", [&] { lstvJobs_ItemClick(*job); });
}

void frmKorvane::txtJobNavn_KeyPress(int& keyAscii) {
    if (keyAscii != ui::keys::Enter) return;
    pendingJobName_ = c_.txtJobNavn->Text();
    ReportAndStop([&] { FindJobByName(); }, [&](const Error& e) { ShowFailure(e); });
}

void frmKorvane::FindJobByName() {
    ui::ListView& jobs = *c_.lstvJobs;
    if (jobs.Count() == 0) return;
    const std::string text = std::move(pendingJobName_);
    pendingJobName_.clear();
    const ui::ListItem* ress = c_.lstvRess->SelectedItem();
    if (ress == nullptr) throw Error(ui::uierr::ElementNotFound, "frmKorvane", "Vælg først en kunde");
    const std::int32_t ressId = dialog::KeyNumber(ress->Key());

    const std::optional<std::int32_t> found =
        catalog::FindJobByName(Db(), ctx_.gUserRessId, ressId, c_.cboActive->ListIndex(), text);
    if (!found) {
        ctx_.Prompts().MsgBox("Job blev ikke fundet");
        return;
    }
    const std::int32_t jobId = *found;

    // The containment search ignores the status filter, so the job may not
    // be in the list.
    ui::ListItem* job = jobs.Find("J" + std::to_string(jobId));
    if (job == nullptr) {
        ctx_.Prompts().MsgBox("Job blev ikke fundet");
        return;
    }
    jobs.SetSelectedItem(job);
    job->EnsureVisible();
    lstvJobs_ItemClick(*job);
}

}  // namespace kv
