// PLACEHOLDERS while the routines are written; this file goes once they all exist.
#include "dialog/frmKorvane.hpp"

namespace kv {

void frmKorvane::LoadFormSettings() {}
void frmKorvane::SaveJobSetting(std::int32_t&) {}
void frmKorvane::SaveRessType(std::int32_t&) {}
void frmKorvane::ArrangeForRessType(const Value&) {}
std::string frmKorvane::GetUserName() { return {}; }
void frmKorvane::FillRessList() {}
void frmKorvane::FillJobList(std::int32_t&) {}
void frmKorvane::FindJobByNumber() {}
void frmKorvane::FindJobByName() {}
void frmKorvane::BuildFolderView() {}
std::optional<Folder> frmKorvane::GetDocumentFolder() { return std::nullopt; }
void frmKorvane::AddSubFolders(const Folder&, ui::TreeNode&) {}
ui::TreeNode* frmKorvane::FindChildNode(ui::TreeNode&, const std::string&) { return nullptr; }
void frmKorvane::UpdateTreeLines() {}
void frmKorvane::Form_Load() {}
void frmKorvane::Form_Unload() {}
void frmKorvane::chkDelete_Click() {}
void frmKorvane::cmdClose_Click() {}
void frmKorvane::cboRessType_Click() {}
void frmKorvane::lstvRess_ItemClick(ui::ListItem&) {}
void frmKorvane::cboActive_Click() {}
void frmKorvane::lstvJobs_ItemClick(ui::ListItem&) {}
void frmKorvane::lstvJobs_ColumnClick(const ui::ColumnHeader&) {}
void frmKorvane::lstvJobs_MouseMove(int, int, double, double) {}
void frmKorvane::txtJobId_KeyPress(int&) {}
void frmKorvane::txtJobId_LostFocus() {}
void frmKorvane::txtJobNavn_KeyPress(int&) {}
void frmKorvane::treeFolders_Expand(ui::TreeNode&) {}
void frmKorvane::cmdNewFld_Click() {}

}  // namespace kv
