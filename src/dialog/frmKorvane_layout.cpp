#include "dialog/frmKorvane_layout.hpp"

#include "catalog/customer_jobs.hpp"
#include "catalog/resource_list.hpp"

namespace kv::dialog {

namespace {

template <class T>
T* Place(ui::Form& form, const char* name, int left, int top, int width, int height, const char* tag = "") {
    T& c = form.Add<T>(name);
    c.Move(left, top, width, height);
    c.SetTag(tag);
    return &c;
}

ui::Label* PlaceLabel(ui::Form& form, const char* name, const char* caption, int left, int top, int width,
                      const char* tag = "") {
    ui::Label* l = Place<ui::Label>(form, name, left, top, width, 255, tag);
    l->SetCaption(caption);
    return l;
}

}  // namespace

KorvaneControls BuildKorvaneLayout(ui::Form& form) {
    using namespace ui;
    form.SetCaption(kKorvaneDesignCaption);
    form.SetClientSize(kKorvaneClientWidth, kKorvaneClientHeight);

    KorvaneControls k;
    k.kvImages = &form.Add<ImageList>("kvImages");
    k.kvImages->SetImageSize(16, 16);
    for (const char* key : {"job", "folc", "folo"}) k.kvImages->Add(key);

    k.Label1 = PlaceLabel(form, "Label1", "Ressourcetype", 120, 120, 2295);
    k.cboRessType = Place<ComboBox>(form, "cboRessType", 120, 360, 2295, 315);
    for (const char* item : catalog::kResourceTypeNames) k.cboRessType->AddItem(item);
    k.lstvRess = Place<ListView>(form, "lstvRess", 120, 720, 2655, 5295);
    k.lstvRess->AddColumn("Navn", 2600);

    k.lblJob = PlaceLabel(form, "lblJob", "Job", 2880, 120, 975, "j");
    k.picSearch = Place<Picture>(form, "picSearch", 2880, 360, 255, 255, "j");
    k.txtJobId = Place<TextBox>(form, "txtJobId", 3240, 360, 735, 285, "j");
    k.txtJobNavn = Place<TextBox>(form, "txtJobNavn", 4080, 360, 1695, 285, "j");
    k.Label3 = PlaceLabel(form, "Label3", "Status", 5760, 360, 495, "j");
    k.cboActive = Place<ComboBox>(form, "cboActive", 6360, 360, 1455, 315, "j");
    for (const char* item : catalog::kJobStatusNames) k.cboActive->AddItem(item);
    k.lstvJobs = Place<ListView>(form, "lstvJobs", 2880, 720, 4935, 5295, "j");
    k.lstvJobs->AddColumn("JobNr", 900);
    k.lstvJobs->AddColumn("Jobnavn", 3800);
    k.lstvJobs->SetSmallIcons(k.kvImages);

    k.Label4 = PlaceLabel(form, "Label4", "Placering", 7920, 120, 735, "f");
    k.lblFolder = PlaceLabel(form, "lblFolder", "", 8880, 120, 2175, "f1");
    k.cmdNewFld = Place<Button>(form, "cmdNewFld", 7920, 360, 375, 315, "f");
    k.cmdNewFld->SetPicture("folc");
    k.treeFolders = Place<TreeView>(form, "treeFolders", 7920, 720, 3135, 5295, "f");
    k.treeFolders->SetImages(k.kvImages);
    k.treeFolders->SetPathSeparator("\\");

    k.Line1 = Place<Line>(form, "Line1", 120, 6135, 10935, 0);
    k.chkDelete = Place<CheckBox>(form, "chkDelete", 120, 6240, 2055, 255);
    k.chkDelete->SetCaption("Slet mail efter import");
    k.cmdImport = Place<Button>(form, "cmdImport", 8520, 6240, 1215, 255);
    k.cmdImport->SetCaption("Import");
    k.cmdClose = Place<Button>(form, "cmdClose", 9840, 6240, 1215, 255);
    k.cmdClose->SetCaption("&Luk");

    // cmdImport first, so it has the focus when the dialog opens; the rest
    // in reading order.
    int tab = 0;
    for (Control* c :
         std::initializer_list<Control*>{k.cmdImport, k.cboRessType, k.lstvRess, k.txtJobId, k.txtJobNavn, k.cboActive,
                                         k.lstvJobs, k.cmdNewFld, k.treeFolders, k.chkDelete, k.cmdClose}) {
        c->SetTabIndex(tab++);
    }
    return k;
}

}  // namespace kv::dialog
