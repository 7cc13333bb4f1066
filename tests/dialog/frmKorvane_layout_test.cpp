#include "dialog/frmKorvane_layout.hpp"

#include <gtest/gtest.h>

#include <tuple>

using namespace kv::ui;

namespace {

struct Placement {
    const char* name;
    int left, top, width, height;
    const char* tag;
};

// The dialog's design, control by control.
const Placement kDesign[] = {
    {"Label1", 120, 120, 2295, 255, ""},       {"cboRessType", 120, 360, 2295, 315, ""},
    {"lstvRess", 120, 720, 2655, 5295, ""},    {"lblJob", 2880, 120, 975, 255, "j"},
    {"picSearch", 2880, 360, 255, 255, "j"},   {"txtJobId", 3240, 360, 735, 285, "j"},
    {"txtJobNavn", 4080, 360, 1695, 285, "j"}, {"Label3", 5760, 360, 495, 255, "j"},
    {"cboActive", 6360, 360, 1455, 315, "j"},  {"lstvJobs", 2880, 720, 4935, 5295, "j"},
    {"Label4", 7920, 120, 735, 255, "f"},      {"lblFolder", 8880, 120, 2175, 255, "f1"},
    {"cmdNewFld", 7920, 360, 375, 315, "f"},   {"treeFolders", 7920, 720, 3135, 5295, "f"},
    {"Line1", 120, 6135, 10935, 0, ""},        {"chkDelete", 120, 6240, 2055, 255, ""},
    {"cmdImport", 8520, 6240, 1215, 255, ""},  {"cmdClose", 9840, 6240, 1215, 255, ""},
};

}  // namespace

TEST(KorvaneLayout, PlacesEveryControlAsDesigned) {
    Form form("frmKorvane");
    kv::dialog::BuildKorvaneLayout(form);
    EXPECT_EQ(form.Caption(), "Import af mails til Korvane");
    EXPECT_EQ(form.ClientWidth(), 11160);
    EXPECT_EQ(form.ClientHeight(), 6660);
    for (const Placement& p : kDesign) {
        const Control* c = form.Find(p.name);
        ASSERT_NE(c, nullptr) << p.name;
        EXPECT_EQ(std::make_tuple(c->Left(), c->Top(), c->Width(), c->Height()),
                  std::make_tuple(p.left, p.top, p.width, p.height))
            << p.name;
        EXPECT_EQ(c->Tag(), p.tag) << p.name;
    }
    EXPECT_EQ(form.Controls().size(), std::size(kDesign) + 1);  // and kvImages
    EXPECT_EQ(form.Get<Line>("Line1").X2(), 11055);
}

TEST(KorvaneLayout, CaptionsItemsAndColumns) {
    Form form("frmKorvane");
    const kv::dialog::KorvaneControls k = kv::dialog::BuildKorvaneLayout(form);
    EXPECT_EQ(k.cboRessType->ListCount(), 9);
    EXPECT_EQ(k.cboRessType->List(0), "<Alle>");
    EXPECT_EQ(k.cboRessType->List(4), "Leverandører");
    EXPECT_EQ(k.cboRessType->List(8), "Medievirksomheder");
    EXPECT_EQ(k.cboActive->Items(), (std::vector<std::string>{"Aktive jobs", "Lukkede jobs", "Alle jobs"}));
    EXPECT_EQ(k.cboActive->ListIndex(), -1);
    ASSERT_EQ(k.lstvRess->ColumnCount(), 1);
    EXPECT_EQ(k.lstvRess->Column(1).text, "Navn");
    EXPECT_EQ(k.lstvRess->Column(1).width, 2600);
    ASSERT_EQ(k.lstvJobs->ColumnCount(), 2);
    EXPECT_EQ(k.lstvJobs->Column(1).text, "JobNr");
    EXPECT_EQ(k.lstvJobs->Column(1).width, 900);
    EXPECT_EQ(k.lstvJobs->Column(2).text, "Jobnavn");
    EXPECT_EQ(k.lstvJobs->Column(2).width, 3800);
    EXPECT_EQ(k.lstvJobs->SmallIcons(), k.kvImages);
    EXPECT_EQ(k.treeFolders->Images(), k.kvImages);
    EXPECT_EQ(k.treeFolders->PathSeparator(), "\\");
    EXPECT_EQ(k.kvImages->Keys(), (std::vector<std::string>{"job", "folc", "folo"}));
    EXPECT_EQ(form.Find("kvImages"), k.kvImages);
    EXPECT_EQ(std::make_pair(k.kvImages->ImageWidth(), k.kvImages->ImageHeight()), std::make_pair(16, 16));
    EXPECT_EQ(k.chkDelete->Caption(), "Slet mail efter import");
    EXPECT_EQ(k.chkDelete->Value(), 0);
    EXPECT_EQ(k.cmdImport->Caption(), "Import");
    EXPECT_EQ(k.cmdClose->Caption(), "&Luk");
    EXPECT_EQ(k.Label1->Caption(), "Ressourcetype");
    EXPECT_EQ(k.lblJob->Caption(), "Job");
    EXPECT_EQ(k.Label3->Caption(), "Status");
    EXPECT_EQ(k.Label4->Caption(), "Placering");
    EXPECT_EQ(k.lblFolder->Caption(), "");
    // Import first, so it has the focus at opening; then reading order.
    std::vector<std::string> tabOrder;
    for (const Control* c : form.TabOrder()) tabOrder.push_back(c->Name());
    EXPECT_EQ(tabOrder,
              (std::vector<std::string>{"cmdImport", "cboRessType", "lstvRess", "txtJobId", "txtJobNavn", "cboActive",
                                        "lstvJobs", "cmdNewFld", "treeFolders", "chkDelete", "cmdClose"}));
}
