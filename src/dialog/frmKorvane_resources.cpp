// The resource list: resources of the chosen type, the remembered one chosen
// again, and what choosing a resource does to the rest of the dialog.
#include "catalog/column_values.hpp"
#include "catalog/resource_list.hpp"
#include "dialog/frmKorvane.hpp"
#include "dialog/frmKorvane_helpers.hpp"
#include "support/dropped_error.hpp"
#include "support/error_trap.hpp"

namespace kv {

void frmKorvane::FillRessList() {
    ui::ListView& list = *c_.lstvRess;
    list.Clear();
    std::unique_ptr<db::RecordSet> rs = Db().Execute(catalog::ResourceListQuery(mRessType, ctx_.gUserRessId));
    while (!rs->EndOfFile()) {
        ui::ListItem& item = list.Add("R" + catalog::DecimalText(rs->Field("RessID")), rs->Field("RessNavn").ToText());
        item.SetTag(rs->Field("RessTypeID"));
        rs->MoveNext();
    }
    rs->Close();

    auto chooseFirst = [&] {
        if (list.Count() > 0) {
            ui::ListItem& first = list.Item(1);
            list.SetSelectedItem(&first);
            lstvRess_ItemClick(first);
        } else {
            ArrangeForRessType(Value(mRessType));
            c_.treeFolders->Clear();
        }
    };
    if (ctx_.gRessId < 1) {
        chooseFirst();
        return;
    }
    IgnoreStepLogged(ctx_.gLog, "FillRessList", [&] {
        ui::ListItem* remembered = list.Find("R" + std::to_string(ctx_.gRessId));
        if (remembered == nullptr) {
            chooseFirst();
            return;
        }
        list.SetSelectedItem(remembered);
        lstvRess_ItemClick(*remembered);
    });
}

void frmKorvane::cboRessType_Click() {
    if (mLoading) return;
    std::int32_t position = c_.cboRessType->ListIndex();
    if (position < 0) {
        mRessType = 0;
        return;
    }
    SaveRessType(position);
    ReportAndStop([&] { FillRessList(); }, [&](const Error& e) { ShowFailure(e); });
}

void frmKorvane::lstvRess_ItemClick(ui::ListItem& item) {
    // The item may not outlive what follows; keep what is needed of it.
    const std::string key = item.Key();
    const Value ressType = item.Tag();

    SetMousePointer(ui::pointer::Hourglass);
    IgnoreStepLogged(ctx_.gLog, "lstvRess_ItemClick", [&] { ArrangeForRessType(ressType); });
    if (dialog::IsCustomer(ressType)) {
        IgnoreStepLogged(ctx_.gLog, "lstvRess_ItemClick", [&] { c_.treeFolders->Clear(); });
        IgnoreStepLogged(ctx_.gLog, "lstvRess_ItemClick", [&] {
            std::int32_t ressId = dialog::KeyNumber(key);
            FillJobList(ressId);
        });
        IgnoreStepLogged(ctx_.gLog, "lstvRess_ItemClick", [&] { BuildFolderView(); });
    } else {
        IgnoreStepLogged(ctx_.gLog, "lstvRess_ItemClick", [&] { c_.lstvJobs->Clear(); });
        IgnoreStepLogged(ctx_.gLog, "lstvRess_ItemClick", [&] { BuildFolderView(); });
    }
    IgnoreStepLogged(ctx_.gLog, "lstvRess_ItemClick", [&] { ctx_.gRessId = dialog::KeyNumber(key); });
    SetMousePointer(ui::pointer::Default);
}

}  // namespace kv
