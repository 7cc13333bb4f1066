// The pieces of kvimport that stand between the terminal and the dialog:
// the prompts and the scripted user.
#include <gtest/gtest.h>

#include <sstream>

#include "app/dialog_script.hpp"
#include "app/terminal_prompts.hpp"
#include "ports/ui/controls.hpp"

namespace kv::app {
namespace {

ui::MessageBoxRequest Duplicate() {
    return {"Mail findes allerede i databasen, Vil du alligevel importerer det", ui::Buttons::YesNo, ui::Icon::None,
            ui::kAppTitle};
}

TEST(TerminalPrompts, DuplicateQuestionsAreAnsweredAsTheOptionSays) {
    std::istringstream in("vrøvl\nJ\n\nn\n");
    std::ostringstream err;
    TerminalPrompts ask(Duplicates::Ask, in, err, false);
    EXPECT_EQ(ask.MsgBox(Duplicate().text, ui::Buttons::YesNo), ui::Answer::Yes);  // asked again after nonsense
    EXPECT_EQ(ask.MsgBox(Duplicate().text, ui::Buttons::YesNo), ui::Answer::No);   // an empty line is asked again
    EXPECT_EQ(ask.MsgBox(Duplicate().text, ui::Buttons::YesNo), ui::Answer::No);   // end of input: skipped
    EXPECT_TRUE(ask.Shown().empty());

    std::istringstream none;
    TerminalPrompts import(Duplicates::Import, none, err, false), skip(Duplicates::Skip, none, err, false);
    EXPECT_EQ(import.MsgBox(Duplicate().text, ui::Buttons::YesNo), ui::Answer::Yes);
    EXPECT_EQ(skip.MsgBox(Duplicate().text, ui::Buttons::YesNo), ui::Answer::No);
    // The same words with other buttons are no duplicate question.
    EXPECT_FALSE(IsDuplicateQuestion({Duplicate().text, ui::Buttons::OK, ui::Icon::None, "t"}));
}

TEST(TerminalPrompts, OtherBoxesGoToStandardErrorWithTheirTitle) {
    std::istringstream in;
    std::ostringstream err;
    TerminalPrompts prompts(Duplicates::Skip, in, err, false);
    prompts.MsgBox("Kunne ikke finde jobfolder.\r\nGå i Korvane og opret jobmappen.");
    prompts.MsgBox("Start Korvane mindst en gang før denne funktion kan bruges", ui::Buttons::OK, ui::Icon::Exclamation,
                   "Korvane import");
    EXPECT_EQ(err.str(),
              "Korvane Outlook Addin: Kunne ikke finde jobfolder. \nGå i Korvane og opret jobmappen.\n"
              "Korvane import: Start Korvane mindst en gang før denne funktion kan bruges\n");
    EXPECT_TRUE(prompts.SawStartKorvaneFirst());
    ASSERT_EQ(prompts.Shown().size(), 2u);
}

TEST(TerminalPrompts, TheProgressBarShowsOnlyForSeveralMailsOnATerminal) {
    std::istringstream in;
    std::ostringstream quiet, bar, single;
    TerminalPrompts off(Duplicates::Skip, in, quiet, false), on(Duplicates::Skip, in, bar, true),
        one(Duplicates::Skip, in, single, true);
    off.Progress(1, 3, "Tilbud");
    one.Progress(1, 1, "Tilbud");
    on.Progress(1, 2, "Tilbud");
    on.Progress(2, 2, "Referat");
    EXPECT_EQ(quiet.str(), "");
    EXPECT_EQ(single.str(), "");
    EXPECT_NE(bar.str().find("1/2 Tilbud"), std::string::npos);
    EXPECT_NE(bar.str().find("] 2/2 Referat"), std::string::npos);
    EXPECT_EQ(bar.str().back(), '\n');
    EXPECT_TRUE(on.ProgressLog().empty()) << "no line of each mail is held";
    on.EndProgress();
    EXPECT_EQ(bar.str().substr(bar.str().size() - 4), "\x1b[K\n") << "a finished bar ends its line once";

    // An import that stops part-way ends the bar's line too.
    std::ostringstream stopped;
    TerminalPrompts early(Duplicates::Skip, in, stopped, true);
    early.Progress(1, 3, "Tilbud");
    EXPECT_NE(stopped.str().back(), '\n');
    early.EndProgress();
    EXPECT_EQ(stopped.str().back(), '\n');
    EXPECT_FALSE(early.ProgressShown());
}

// A form with the controls the scripts use and a lazily filled folder tree,
// as the dialog fills it: children are added one level ahead on expand.
class FakeDialog : public ui::Form {
public:
    FakeDialog() : ui::Form("frmKorvane") {}
    int imports = 0;
    bool importCloses = true;

protected:
    void Design() override {
        auto& tree = Add<ui::TreeView>("treeFolders");
        Add<ui::CheckBox>("chkDelete");
        Add<ui::ListView>("lstvRess").Add("R100", "Ålborg Tømrerfirma ApS");
        Add<ui::ComboBox>("cboRessType").AddItem("<Alle>");
        Add<ui::ComboBox>("cboActive").AddItem("Aktive jobs");
        Add<ui::ListView>("lstvJobs").SetVisible(false);
        auto& root = tree.Add(0, ui::Relationship::Last, "Dokumenter");
        AddChildren(tree, root);
        tree.Expand.Subscribe([this, &tree](ui::TreeNode& node) {
            for (ui::TreeNode* child = node.Child(); child; child = child->Next())
                if (child->Children() == 0) AddChildren(tree, *child);
        });
        Add<ui::Button>("cmdImport").Click.Subscribe([this] {
            ++imports;
            if (importCloses) Unload();
        });
        Add<ui::Button>("cmdNewFld");
    }

private:
    static void AddChildren(ui::TreeView& tree, ui::TreeNode& node) {
        if (node.Text() == "Dokumenter") {
            tree.Add(node.Index(), ui::Relationship::Child, "Tilbud");
            tree.Add(node.Index(), ui::Relationship::Child, "Korrespondance");
        } else if (node.Text() == "Korrespondance") {
            tree.Add(node.Index(), ui::Relationship::Child, "2024");
        }
    }
};

struct ScriptTest : ::testing::Test {
    FakeDialog form;
    ui::HeadlessView view;
    std::istringstream in;
    std::ostringstream err;
    TerminalPrompts prompts{Duplicates::Skip, in, err, false};
    ScriptOutcome outcome;

    void Run(const DialogChoices& choices) {
        view.QueueUser(ImportScript(choices, prompts, outcome));
        form.ShowModal(view);
    }
};

TEST_F(ScriptTest, TheFolderIsFoundByExpandingFromDokumenter) {
    DialogChoices choices;
    choices.folder = "Dokumenter\\Korrespondance/2024";
    choices.deleteAfter = true;
    Run(choices);
    EXPECT_FALSE(outcome.failure) << *outcome.failure;
    EXPECT_TRUE(outcome.importPressed);
    EXPECT_TRUE(outcome.closedByImport);
    EXPECT_EQ(form.imports, 1);
}

TEST_F(ScriptTest, AFolderThatIsNotInTheTreeStopsBeforeImport) {
    DialogChoices choices;
    choices.folder = "Korrespondance/2023";
    Run(choices);
    ASSERT_TRUE(outcome.failure);
    EXPECT_EQ(*outcome.failure, "\"Dokumenter/Korrespondance\" has no sub-folder \"2023\"; check --folder");
    EXPECT_FALSE(outcome.importPressed);
    EXPECT_EQ(form.imports, 0);
    EXPECT_FALSE(form.IsLoaded());
}

TEST_F(ScriptTest, AnUnknownResourceOrTypeNamesItsOption) {
    DialogChoices choices;
    choices.resource = 999;
    Run(choices);
    ASSERT_TRUE(outcome.failure);
    EXPECT_NE(outcome.failure->find("resource 999 is not in the resource list"), std::string::npos);
    EXPECT_NE(outcome.failure->find("--resource"), std::string::npos);

    ScriptOutcome second;
    DialogChoices type;
    type.type = 4;
    view.QueueUser(ImportScript(type, prompts, second));
    form.ShowModal(view);
    ASSERT_TRUE(second.failure);
    EXPECT_EQ(*second.failure, "no resource type 4; --type takes 0 to 0");
}

TEST_F(ScriptTest, AnImportThatLeavesTheDialogOpenIsNoSuccess) {
    form.importCloses = false;
    Run({});
    EXPECT_FALSE(outcome.failure);
    EXPECT_TRUE(outcome.importPressed);
    EXPECT_FALSE(outcome.closedByImport);
    EXPECT_TRUE(view.Showings().back().closedByUser);
}

TEST(BrowseScript, PrintsTheModelsAndTheTreeToTheDepthAsked) {
    FakeDialog form;
    ui::HeadlessView view;
    std::ostringstream out;
    ScriptOutcome outcome;
    view.QueueUser(BrowseScript({}, 2, out, outcome));
    form.ShowModal(view);
    EXPECT_FALSE(outcome.failure);
    EXPECT_EQ(form.imports, 0);
    const std::string text = out.str();
    EXPECT_NE(text.find("Ressourcer (1):\n  R100\tÅlborg Tømrerfirma ApS\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Mapper:\n  Dokumenter\n    Tilbud\n    Korrespondance\n      2024\n"), std::string::npos)
        << text;
}

}  // namespace
}  // namespace kv::app
