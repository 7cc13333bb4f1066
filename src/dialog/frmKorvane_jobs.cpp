// The job list: the chosen customer's jobs under the status filter, job
// choice, sorting by column and the tooltip.
#include "catalog/customer_jobs.hpp"
#include "dialog/frmKorvane.hpp"
#include "dialog/frmKorvane_helpers.hpp"
#include "support/dropped_error.hpp"
#include "support/error_trap.hpp"

namespace kv {

void frmKorvane::FillJobList(std::int32_t& ressId) {
    const std::string sql = catalog::JobListQuery(ctx_.gUserRessId, ressId, c_.cboActive->ListIndex());

    ui::ListView& list = *c_.lstvJobs;
    list.Clear();
    std::unique_ptr<db::RecordSet> rs = Db().Execute(sql);
    while (!rs->EndOfFile()) {
        const std::int32_t id = rs->Field("JobID").ToInt();
        const std::string jobId = std::to_string(id);
        // A job without a name shows an empty name.
        const std::string name = rs->Field("JobNavn").ToText();
        ui::ListItem& item = list.Add("J" + jobId, jobId);
        item.SetSubItem(1, name);
        item.SetTag(Value(id));
        item.SetSmallIcon("job");
        item.SetToolTipText(jobId + " " + name);
        rs->MoveNext();
    }
    rs->Close();

    // A fill ends with no job chosen, so the customer's own folder is shown.
    IgnoreStepLogged(ctx_.gLog, "FillJobList", [&] { list.SetSelectedItem(nullptr); });
    DoEvents();
}

void frmKorvane::cboActive_Click() {
    if (mLoading) return;
    std::int32_t setting = c_.cboActive->ListIndex() + 1;
    SaveJobSetting(setting);
    c_.lstvJobs->Clear();
    if (!CustomerSelected()) return;
    ReportAndStop(
        [&] {
            std::int32_t ressId = dialog::KeyNumber(c_.lstvRess->SelectedItem()->Key());
            FillJobList(ressId);
        },
        [&](const Error& e) { ShowFailure(e); });
}

void frmKorvane::lstvJobs_ItemClick(ui::ListItem& item) {
    ctx_.gJobId = item.Tag().ToInt();
    BuildFolderView();
}

void frmKorvane::lstvJobs_ColumnClick(const ui::ColumnHeader& column) {
    ui::ListView& list = *c_.lstvJobs;
    const std::int16_t clicked = static_cast<std::int16_t>(column.index - 1);
    if (clicked == mSortColumn) {
        mSortDescending = !mSortDescending;
        list.SetSortOrder(mSortDescending ? ui::SortOrder::Descending : ui::SortOrder::Ascending);
    } else {
        mSortColumn = clicked;
        list.SetSortKey(clicked);
        list.SetSortOrder(ui::SortOrder::Ascending);
        mSortDescending = false;
    }
    list.SetSorted(true);
}

void frmKorvane::lstvJobs_MouseMove(int, int, double x, double y) {
    ui::ListView& list = *c_.lstvJobs;
    const ui::ListItem* item = list.HitTest(x, y);
    list.SetToolTipText(item != nullptr ? item->ToolTipText() : std::string());
}

}  // namespace kv
