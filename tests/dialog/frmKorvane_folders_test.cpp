// The folder tree over real temporary document folders (and, for faults a
// test run as root cannot provoke, the fault-injecting file system), and
// new folders made from the dialog.
#include <fstream>

#include "dialog_fixture.hpp"
#include "fakes/fake_file_system.hpp"

namespace kv::dialogtest {
namespace {

namespace fs = std::filesystem;
using FoldersTest = DialogTest;

const std::vector<std::string> kShownSubFolders = {"Korrespondance", "Tegninger og billeder", "Tilbud"};

ui::TreeNode* Child(const ui::TreeNode& parent, const std::string& text) {
    for (ui::TreeNode* c = parent.Child(); c != nullptr; c = c->Next()) {
        if (c->Text() == text) return c;
    }
    return nullptr;
}

TEST_F(FoldersTest, JobFolderOpensExpandedOneLevelAhead) {
    Open([&](frmKorvane& d) {
        ChooseJob417(d);
        const ui::TreeView& tree = *d.Controls().treeFolders;
        ui::TreeNode& root = tree.Node(1);
        EXPECT_EQ(root.Text(), "Dokumenter");
        EXPECT_EQ(root.Tag(), JobFolder(417).string());
        EXPECT_EQ(root.Image(), "folc");
        EXPECT_EQ(root.SelectedImage(), "folo");
        EXPECT_EQ(tree.SelectedItem(), &root);
        EXPECT_TRUE(root.Expanded());
        EXPECT_EQ(tree.LineStyle(), ui::TreeLineStyle::RootLines);
        EXPECT_EQ(ChildTexts(root), kShownSubFolders);
        ui::TreeNode* mail = Child(root, "Korrespondance");
        ASSERT_NE(mail, nullptr);
        EXPECT_EQ(mail->Tag(), (JobFolder(417) / "Korrespondance").string());
        EXPECT_EQ(mail->Image(), "folc");
        EXPECT_EQ(ChildTexts(*mail), std::vector<std::string>{"2024"}) << "read ahead by the root's expansion";
        EXPECT_EQ(d.Controls().lblFolder->Caption(), "417");
        EXPECT_EQ(d.MousePointer(), ui::pointer::Default);
    });
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_F(FoldersTest, ResourceFolderStaysCollapsed) {
    h.ctx->gRessId = demo::Supplier;
    Open([&](frmKorvane& d) {
        ui::TreeNode& root = d.Controls().treeFolders->Node(1);
        EXPECT_FALSE(root.Expanded());
        EXPECT_EQ(ChildTexts(root), kShownSubFolders);
        EXPECT_EQ(Child(root, "Korrespondance")->Children(), 0);
        user::ExpandNode(d, "treeFolders", 1);
        EXPECT_EQ(Child(root, "Korrespondance")->Children(), 1);
    });
}

TEST_F(FoldersTest, HiddenFolderNamesAtAnyDepthInAnyCase) {
    fs::create_directories(JobFolder(417) / "Korrespondance" / "JOBMAPPE");
    fs::create_directories(JobFolder(417) / "Korrespondance" / "arkiv" / "dybt");
    fs::create_directories(JobFolder(417) / "Korrespondance" / "2024" / "Arkiv");
    fs::create_directories(JobFolder(417) / "Korrespondance" / "2024" / "Marts");
    fs::create_directories(JobFolder(417) / "Tilbud" / "æblemost");
    Open([&](frmKorvane& d) {
        h.ctx->gJobFolderNameArkiv = "ÆBLEMOST";  // non-ASCII letters compare upper-cased too
        ChooseJob417(d);
        ui::TreeNode& root = d.Controls().treeFolders->Node(1);
        ui::TreeNode* mail = Child(root, "Korrespondance");
        EXPECT_EQ(ChildTexts(*mail), (std::vector<std::string>{"2024", "arkiv"}));
        EXPECT_EQ(Child(root, "Tilbud")->Children(), 0);
        h.ctx->gJobFolderNameArkiv = "Arkiv";
        user::ExpandNode(d, "treeFolders", mail->Index());
        EXPECT_EQ(ChildTexts(*Child(*mail, "2024")), std::vector<std::string>{"Marts"});
    });
}

TEST_F(FoldersTest, ReExpandingAddsNothingTwice) {
    Open([&](frmKorvane& d) {
        ChooseJob417(d);
        const ui::TreeView& tree = *d.Controls().treeFolders;
        const int nodes = tree.Count();
        user::CollapseNode(d, "treeFolders", 1);
        user::ExpandNode(d, "treeFolders", 1);
        EXPECT_EQ(tree.Count(), nodes);
        // A folder made on disk meanwhile appears one level ahead, once.
        fs::create_directories(JobFolder(417) / "Tilbud" / "Nyt");
        user::CollapseNode(d, "treeFolders", 1);
        user::ExpandNode(d, "treeFolders", 1);
        user::CollapseNode(d, "treeFolders", 1);
        user::ExpandNode(d, "treeFolders", 1);
        EXPECT_EQ(tree.Count(), nodes + 1);
    });
}

// A job without a usable folder (none on disk, a file in its place, a NULL,
// empty or missing path) is chosen all the same, and the user is told.
TEST_F(FoldersTest, AJobWithoutAUsableFolderIsChosenAndTheUserTold) {
    fs::remove_all(JobFolder(418));
    fs::remove_all(JobFolder(419));
    std::ofstream(JobFolder(419)) << "not a folder";
    Open([&](frmKorvane& d) {
        ChooseJob417(d);
        for (const char* job : {"J418", "J419"}) {
            user::ClickItem(d, "lstvJobs", job);
            EXPECT_EQ(d.Controls().treeFolders->Count(), 0);
            EXPECT_EQ(d.Controls().lblFolder->Caption(), "417");
        }
        EXPECT_EQ(d.MousePointer(), ui::pointer::Default);
        Sql("UPDATE JobFldPath SET FldPri = NULL WHERE JobID = 418");
        Sql("UPDATE JobFldPath SET FldPri = '' WHERE JobID = 419");
        Sql("DELETE FROM JobFldPath WHERE JobID = 417");
        for (const std::int32_t job : {418, 419, 417}) {
            user::ClickItem(d, "lstvJobs", "J" + std::to_string(job));
            EXPECT_EQ(h.ctx->gJobId, job);
        }
    });
    EXPECT_EQ(h.MessageTexts(),
              (std::vector<std::string>{kNoJobFolder, kNoJobFolder, "Invalid use of Null\r\n(BuildFolderView)",
                                        kNoJobFolder, kNoJobFolder}));
    EXPECT_EQ(h.prompts.Messages()[0].request.title, ui::kAppTitle);
}

TEST_F(FoldersTest, ChildRemovedFromDiskIsReportedAndTheTreeStaysUsable) {
    Open([&](frmKorvane& d) {
        ChooseJob417(d);
        const ui::TreeView& tree = *d.Controls().treeFolders;
        const int nodes = tree.Count();
        fs::remove_all(JobFolder(417) / "Korrespondance");
        user::CollapseNode(d, "treeFolders", 1);
        user::ExpandNode(d, "treeFolders", 1);
        ASSERT_EQ(h.prompts.Messages().size(), 1u);
        EXPECT_FALSE(h.prompts.Messages()[0].request.text.empty());
        EXPECT_EQ(h.prompts.Messages()[0].request.title, ui::kAppTitle);
        EXPECT_EQ(tree.Count(), nodes);
        EXPECT_TRUE(d.IsLoaded());
        EXPECT_EQ(d.MousePointer(), ui::pointer::Default);
        user::ClickNode(d, "treeFolders", Child(tree.Node(1), "Tilbud")->Index());
        EXPECT_EQ(tree.SelectedItem()->Text(), "Tilbud");
    });
}

// ---- new folder

// Each name as typed and the folder made of it: cleaned, cut to 32
// characters, a blank left at the cut dropped, nothing left becoming "Ingen".
TEST_F(FoldersTest, NewFolderIsCleanedCutMadeAndChosen) {
    const std::pair<const char*, const char*> names[] = {
        {"Referat: møde, 12/5 med \"Bøgh\" og en meget lang titel", "Referat_ møde 12_5 med Bøgh og e"},
        {"abcdefghijklmnopqrstuvwxyzæøåABCDEFGHIJKL", "abcdefghijklmnopqrstuvwxyzæøåABC"},
        {",,,", "Ingen"},
        {"Referat fra byggemødet den 12   og mere", "Referat fra byggemødet den 12"},
        {"abcdefghijklmnopqrstuvwxyzæøå12=3", "abcdefghijklmnopqrstuvwxyzæøå12"},  // "=" became the 32nd, a blank
    };
    for (const auto& name : names) h.prompts.QueueInput(name.first);
    Open([&](frmKorvane& d) {
        ChooseJob417(d);
        ui::TreeView& tree = *d.Controls().treeFolders;
        for (const auto& [typed, made] : names) {
            tree.SetSelectedItem(&tree.Node(1));
            user::ClickButton(d, "cmdNewFld");
            const ui::TreeNode* node = tree.SelectedItem();
            ASSERT_NE(node, nullptr);
            EXPECT_EQ(node->Text(), made) << typed;
            EXPECT_EQ(node->Parent(), &tree.Node(1));
            EXPECT_EQ(node, tree.Node(1).LastChild());
            EXPECT_EQ(fs::u8path(node->Tag()), JobFolder(417) / fs::u8path(made));
            EXPECT_TRUE(fs::is_directory(fs::u8path(node->Tag())));
        }
    });
    EXPECT_TRUE(h.prompts.Messages().empty());
    ASSERT_EQ(h.prompts.Inputs().size(), std::size(names));
    EXPECT_EQ(h.prompts.Inputs()[0].request.prompt, "Foldernavn");
    EXPECT_EQ(h.prompts.Inputs()[0].request.title, "Opret folder");
}

TEST_F(FoldersTest, ExistingFolderIsRefusedWithTheInformationIcon) {
    h.prompts.QueueInput("Tilbud");
    std::ofstream(JobFolder(417) / "notat") << "a file";
    h.prompts.QueueInput("notat");
    Open([&](frmKorvane& d) {
        ChooseJob417(d);
        const int nodes = d.Controls().treeFolders->Count();
        user::ClickButton(d, "cmdNewFld");
        user::ClickButton(d, "cmdNewFld");
        EXPECT_EQ(d.Controls().treeFolders->Count(), nodes);
        EXPECT_EQ(d.Controls().treeFolders->SelectedItem(), &d.Controls().treeFolders->Node(1));
    });
    ASSERT_EQ(h.prompts.Messages().size(), 2u);
    for (const auto& m : h.prompts.Messages()) {
        EXPECT_EQ(m.request.text, "Folder findes i forvejen");
        EXPECT_EQ(m.request.title, "Folder kunne ikke oprettes");
        EXPECT_EQ(m.request.icon, ui::Icon::Information);
        EXPECT_EQ(m.request.buttons, ui::Buttons::OK);
    }
}

// A folder without sub-folders has tree lines only, until its first.
TEST_F(FoldersTest, FirstSubFolderSwitchesToRootLines) {
    fs::remove_all(ResourceFolder(200));
    fs::create_directories(ResourceFolder(200));
    h.ctx->gRessId = demo::Supplier;
    h.prompts.QueueInput("Første");
    Open([&](frmKorvane& d) {
        ASSERT_EQ(d.Controls().treeFolders->Count(), 1);
        ASSERT_EQ(d.Controls().treeFolders->LineStyle(), ui::TreeLineStyle::TreeLines);
        user::ClickButton(d, "cmdNewFld");
        EXPECT_EQ(d.Controls().treeFolders->LineStyle(), ui::TreeLineStyle::RootLines);
    });
    EXPECT_TRUE(fs::is_directory(ResourceFolder(200) / "Første"));
}

TEST_F(FoldersTest, CancelOrNoChosenFolderDoesNothing) {
    h.prompts.QueueCancel();
    Open([&](frmKorvane& d) {
        ChooseJob417(d);
        const int nodes = d.Controls().treeFolders->Count();
        user::ClickButton(d, "cmdNewFld");
        EXPECT_EQ(d.Controls().treeFolders->Count(), nodes);
        d.Controls().treeFolders->SetSelectedItem(nullptr);
        user::ClickButton(d, "cmdNewFld");
    });
    EXPECT_EQ(h.prompts.Inputs().size(), 1u) << "no folder chosen: nothing is asked";
    EXPECT_TRUE(h.prompts.Messages().empty());
}

// ---- faults and sizes on the fault-injecting file system

struct FakeFilesTest : DialogTest {
    fakes::FakeFileSystem files;
    std::unique_ptr<AddinContext> ctx;
    std::unique_ptr<frmKorvane> dlg;

    void SetUp() override {
        DialogTest::SetUp();
        ctx = std::make_unique<AddinContext>(
            Platform{h.registry, h.database, files, h.clock, h.random, h.prompts, h.view, *h.store, h.ctx->Module()});
        ASSERT_TRUE(LoadSettings(*ctx));
        ctx->gRessId = demo::Supplier;
        dlg = std::make_unique<frmKorvane>(*ctx);
        for (const char* sub : {"Korrespondance/2024", "Tilbud", "Jobmappe"}) {
            files.AddFolder(fakes::HostPaths().Join(ResourceFolder(200).string(), sub));
        }
    }
    void OpenFake(std::function<void(frmKorvane&)> script) {
        h.view.QueueUser([&, script](ui::Form&) { script(*dlg); });
        dlg->ShowModal();
    }
};

TEST_F(FakeFilesTest, ListingFailureWhileExpandingIsShownAndNothingIsHalfAdded) {
    OpenFake([&](frmKorvane& d) {
        const ui::TreeView& tree = *d.Controls().treeFolders;
        ASSERT_EQ(tree.Count(), 3);
        files.FailNext("SubFolders", Error(fserr::PermissionDenied, "FileSystem", "Permission denied"));
        user::ExpandNode(d, "treeFolders", 1);
        EXPECT_EQ(h.MessageTexts(), std::vector<std::string>{"Permission denied"});
        EXPECT_EQ(tree.Count(), 3);
        EXPECT_EQ(d.MousePointer(), ui::pointer::Default);
        // The next expansion works.
        user::CollapseNode(d, "treeFolders", 1);
        user::ExpandNode(d, "treeFolders", 1);
        EXPECT_EQ(tree.Count(), 4);
    });
}

// Only a remembered job's folder is read while the lists fill: it is the
// one shown expanded when they are.
TEST_F(FakeFilesTest, TheRememberedJobsFolderIsReadAheadOfTheLists) {
    OpenFake([](frmKorvane&) {});
    EXPECT_EQ(files.AheadPaths(), std::vector<std::string>{});
    ctx->gRessId = demo::CustomerWithJobs;
    ctx->gJobId = demo::ActiveJob;
    OpenFake([](frmKorvane&) {});
    EXPECT_EQ(files.AheadPaths(), std::vector<std::string>{JobFolder(demo::ActiveJob).string()});
}

TEST_F(FakeFilesTest, FailureDuringTheBuildIsShownWithItsPlace) {
    files.FailNext("SubFolders", Error(fserr::AccessError, "FileSystem", "Path/File access error"));
    OpenFake([&](frmKorvane& d) { EXPECT_EQ(d.Controls().treeFolders->Count(), 1); });
    EXPECT_EQ(h.MessageTexts(), std::vector<std::string>{"Path/File access error\r\n(BuildFolderView)"});
}

TEST_F(FakeFilesTest, NewFolderInAFolderGoneUnreachableIsReported) {
    ctx->gRessId = demo::Supplier;
    h.prompts.QueueInput("Ny");
    h.prompts.QueueInput("Ny");
    OpenFake([&](frmKorvane& d) {
        const ui::TreeView& tree = *d.Controls().treeFolders;
        files.SetUnreachable(ResourceFolder(200).string());
        user::ClickButton(d, "cmdNewFld");
        EXPECT_EQ(tree.Count(), 3);
        EXPECT_TRUE(d.IsLoaded());
        files.ClearFaults();
        files.DenyAccess(ResourceFolder(200).string());
        user::ClickButton(d, "cmdNewFld");
        EXPECT_EQ(tree.Count(), 3);
    });
    ASSERT_EQ(h.prompts.Messages().size(), 2u);
    EXPECT_EQ(h.prompts.Messages()[0].request.title, ui::kAppTitle);
    EXPECT_FALSE(h.prompts.Messages()[0].request.text.empty());
    // No access is no folder of that name: the system's reason is shown.
    EXPECT_EQ(h.prompts.Messages()[1].request.text, "Permission denied: " + ResourceFolder(200).string());
    EXPECT_EQ(h.prompts.Messages()[1].request.title, "Folder kunne ikke oprettes");
    EXPECT_EQ(h.prompts.Messages()[1].request.icon, ui::Icon::Information);
}

// The label shows the folder's last component, cut to 255 characters.
TEST_F(FakeFilesTest, LabelIsCutTo255Characters) {
    // Longer than any disk here allows for one name; a share may report it.
    const std::string name = std::string(254, 'x') + "😀" + "yz";
    const std::string folder = fakes::HostPaths().Join(ResourceFolder(200).string(), name);
    files.AddFolder(folder);
    Sql("UPDATE ResFldPath SET ResFld = ? WHERE RessID = 200", {Value(folder)});
    OpenFake([&](frmKorvane& d) {
        EXPECT_EQ(d.Controls().lblFolder->Caption(), std::string(254, 'x')) << "a character is never cut in half";
        EXPECT_EQ(d.Controls().treeFolders->Node(1).Tag(), folder);
    });
}

TEST_F(FakeFilesTest, TenThousandSubFoldersAreAllShownOnceEach) {
    for (int i = 0; i < 10000; ++i)
        files.AddFolder(fakes::HostPaths().Join(ResourceFolder(200).string(), "Sag " + std::to_string(i)));
    OpenFake([&](frmKorvane& d) {
        ui::TreeView& tree = *d.Controls().treeFolders;
        ui::TreeNode& root = tree.Node(1);
        EXPECT_EQ(root.Children(), 10002);
        // Filling the same node again changes nothing, existing nodes keep their tags.
        root.Child()->SetTag("kept");
        d.AddSubFolders(files.SubFolders(files.GetFolder(root.Tag())), root);
        EXPECT_EQ(root.Children(), 10002);
        EXPECT_EQ(root.Child()->Tag(), "kept");
        EXPECT_EQ(d.FindChildNode(root, "Sag 9999")->Text(), "Sag 9999");
        EXPECT_EQ(d.FindChildNode(root, "sag 9999"), nullptr);
    });
}

}  // namespace
}  // namespace kv::dialogtest
