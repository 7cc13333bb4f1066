#pragma once
// The import dialog: the user picks a resource, for a customer one of its
// jobs, and a folder in the job's or resource's document folder, and
// imports the chosen mails there. A presenter over the ui control models;
// a view (Win32 window, or headless) shows it.
//
// Its routines are split by concern over several files:
//   frmKorvane.cpp            loading, remembered settings, layout switch
//   frmKorvane_resources.cpp  resource list
//   frmKorvane_jobs.cpp       job list, sorting, tooltip
//   frmKorvane_lookup.cpp     job lookup by number and name
//   frmKorvane_folders.cpp    document folder and folder tree, new folder
//   frmKorvane_helpers.cpp    list keys and tags, typed numbers, shared SQL
//   frmKorvane_import.cpp     cmdImport_Click: the choice handed to the import
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "context/addin_context.hpp"
#include "dialog/frmKorvane_layout.hpp"
#include "ports/file_system.hpp"
#include "ports/outlook.hpp"
#include "ports/ui/controls.hpp"
#include "context/import_dialog.hpp"

namespace kv {

class frmKorvane final : public ui::Form, public ImportDialog {
public:
    explicit frmKorvane(AddinContext& ctx);

    // Shows the dialog modally on the context's view.
    void ShowModal() override;

    // The controls of the current showing (tests and front ends drive them).
    const dialog::KorvaneControls& Controls() const { return c_; }

    // Members that outlive a showing.
    std::int32_t mRessType = 0;
    std::int16_t mSortColumn = 0;
    bool mSortDescending = false;
    bool mLoading = false;

    // Routines other parts of the dialog call.
    void LoadFormSettings();
    // The remembered job's folder read ahead while the lists fill; nothing
    // without a remembered job, or when its folder cannot be looked up.
    std::unique_ptr<FileSystem::TreeReadAhead> ReadRememberedJobFolderAhead();
    void SaveJobSetting(std::int32_t& value);
    void SaveRessType(std::int32_t& value);
    void ArrangeForRessType(const Value& ressType);
    std::string GetUserName();

    void FillRessList();
    void FillJobList(std::int32_t& ressId);
    void FindJobByNumber();
    void FindJobByName();

    void BuildFolderView();
    std::optional<Folder> GetDocumentFolder();
    void AddSubFolders(std::vector<Folder> subFolders, ui::TreeNode& parent);
    ui::TreeNode* FindChildNode(ui::TreeNode& parent, const std::string& name);
    void UpdateTreeLines();

    // Event handlers.
    void Form_Load();
    void Form_Unload();
    void chkDelete_Click();
    void cmdClose_Click();
    void cboRessType_Click();
    void lstvRess_ItemClick(ui::ListItem& item);
    void cboActive_Click();
    void lstvJobs_ItemClick(ui::ListItem& item);
    void lstvJobs_ColumnClick(const ui::ColumnHeader& column);
    void lstvJobs_MouseMove(int button, int shift, double x, double y);
    void txtJobId_KeyPress(int& keyAscii);
    void txtJobId_LostFocus();
    void txtJobNavn_KeyPress(int& keyAscii);
    void treeFolders_Expand(ui::TreeNode& node);
    void cmdNewFld_Click();
    void cmdImport_Click();

protected:
    // Builds the controls of one showing and subscribes the handlers.
    void Design() override;

private:
    // The open connection every query runs on; fails when there is none.
    db::Connection& Db();
    // Shows a failure's description in a message box with the default title.
    void ShowFailure(const Error& error);
    // Whether the resource list's chosen item is a customer.
    bool CustomerSelected() const;

    AddinContext& ctx_;
    dialog::KorvaneControls c_;

    // Job lookup values held between a key press and the lookup.
    std::int32_t pendingJobId_ = 0;
    std::string pendingJobName_;

    // The texts of the children of the node AddSubFolders is filling, so that
    // FindChildNode need not walk thousands of siblings for every sub-folder.
    struct ChildTexts;
    ChildTexts* childTexts_ = nullptr;

    // Set while cmdImport_Click runs: neither Import nor Luk may cut into it.
    bool importRunning_ = false;
};

}  // namespace kv
