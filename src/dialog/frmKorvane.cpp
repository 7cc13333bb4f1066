#include "dialog/frmKorvane.hpp"

namespace kv {

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

}  // namespace kv
