#pragma once
// The design of the import dialog: its controls at their positions (twips
// from the client area), with captions, items, columns and the group tags
// the layout switch reads ("j" job controls, "f" folder controls, "f1" the
// folder-name label). Each showing of the dialog builds it afresh.
#include "ports/ui/controls.hpp"

namespace kv::dialog {

inline constexpr const char* kKorvaneDesignCaption = "Import af mails til Korvane";
inline constexpr int kKorvaneClientWidth = 11160;
inline constexpr int kKorvaneClientHeight = 6660;

// The controls of frmKorvane, valid until the form's next showing.
struct KorvaneControls {
    ui::Label* Label1 = nullptr;
    ui::ComboBox* cboRessType = nullptr;
    ui::ListView* lstvRess = nullptr;
    ui::Label* lblJob = nullptr;
    ui::Picture* picSearch = nullptr;
    ui::TextBox* txtJobId = nullptr;
    ui::TextBox* txtJobNavn = nullptr;
    ui::Label* Label3 = nullptr;
    ui::ComboBox* cboActive = nullptr;
    ui::ListView* lstvJobs = nullptr;
    ui::Label* Label4 = nullptr;
    ui::Label* lblFolder = nullptr;
    ui::Button* cmdNewFld = nullptr;
    ui::TreeView* treeFolders = nullptr;
    ui::Line* Line1 = nullptr;
    ui::CheckBox* chkDelete = nullptr;
    ui::Button* cmdImport = nullptr;
    ui::Button* cmdClose = nullptr;
    ui::ImageList* kvImages = nullptr;
};

// Creates the controls on form (which must have none of these names yet),
// sets the design caption and client size, and returns them. Combo boxes
// start with no item chosen, the check box clear, all controls visible.
KorvaneControls BuildKorvaneLayout(ui::Form& form);

}  // namespace kv::dialog
