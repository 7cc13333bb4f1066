#include "ports/ui/headless.hpp"

#include <gtest/gtest.h>

#include "ports/ui/controls.hpp"
#include "support/error.hpp"

using namespace kv::ui;

TEST(HeadlessPrompts, AScriptedAnswerThatIsNoButtonIsAnError) {
    HeadlessPrompts prompts;
    prompts.QueueAnswer(Answer::Yes);
    EXPECT_THROW(prompts.MsgBox("only OK"), kv::Error);
}

TEST(HeadlessPrompts, InputBoxesAnswerQueuedTextOrCancel) {
    HeadlessPrompts prompts;
    std::vector<std::string> echoed;
    prompts.SetEcho([&](const std::string& line) { echoed.push_back(line); });
    prompts.QueueInput("Tilbud");
    EXPECT_EQ(prompts.InputBox("Foldernavn", "Opret folder"), "Tilbud");
    EXPECT_EQ(prompts.InputBox("Foldernavn", "Opret folder"), "");  // nothing queued: cancel
    prompts.QueueCancel();
    EXPECT_EQ(prompts.InputBox("Foldernavn"), "");
    ASSERT_EQ(prompts.Inputs().size(), 3u);
    EXPECT_EQ(prompts.Inputs()[0].request.title, "Opret folder");
    EXPECT_EQ(prompts.Inputs()[2].request.title, kAppTitle);
    prompts.Progress(2, 5, "Re: Tilbud");
    ASSERT_EQ(prompts.ProgressLog().size(), 1u);
    EXPECT_EQ(prompts.ProgressLog()[0].current, 2);
    EXPECT_TRUE(prompts.ProgressShown());
    prompts.EndProgress();
    prompts.EndProgress();
    EXPECT_FALSE(prompts.ProgressShown());
    EXPECT_EQ(prompts.ProgressEnds(), 1) << "ending what is not shown does nothing";
    EXPECT_EQ(echoed.size(), 4u);
    EXPECT_EQ(echoed[0], "[Opret folder] Foldernavn: \"Tilbud\"");
    prompts.ClearRecords();
    EXPECT_TRUE(prompts.Inputs().empty());
    EXPECT_TRUE(prompts.ProgressLog().empty());
    EXPECT_EQ(prompts.ProgressEnds(), 0);
}

TEST(HeadlessPrompts, TheProgressDisplayStepsAsideWhileABoxIsUpAndComesBackAsItWas) {
    HeadlessPrompts prompts;
    std::vector<bool> shownUnderBox;
    prompts.SetMessageResponder([&](const MessageBoxRequest&) -> std::optional<Answer> {
        shownUnderBox.push_back(prompts.ProgressShown());
        return std::nullopt;
    });
    prompts.SetInputResponder([&](const InputBoxRequest&) -> std::optional<std::string> {
        shownUnderBox.push_back(prompts.ProgressShown());
        return std::nullopt;
    });
    prompts.MsgBox("Ingen fremdrift");  // nothing to step aside
    prompts.Progress(2, 5, "Re: Tilbud");
    prompts.MsgBox("Mail findes allerede", Buttons::YesNo);
    prompts.InputBox("Foldernavn");
    EXPECT_EQ(shownUnderBox, (std::vector<bool>{false, false, false}));
    ASSERT_TRUE(prompts.ProgressShown());
    ASSERT_EQ(prompts.ProgressLog().size(), 3u);
    EXPECT_EQ(prompts.ProgressLog().back().current, 2);
    EXPECT_EQ(prompts.ProgressLog().back().total, 5);
    EXPECT_EQ(prompts.ProgressLog().back().text, "Re: Tilbud");
    prompts.EndProgress();
    prompts.MsgBox("Færdig");
    EXPECT_FALSE(prompts.ProgressShown()) << "an ended display does not come back";
    EXPECT_EQ(prompts.ProgressLog().size(), 3u);
}

namespace {

class Dialog : public Form {
public:
    Dialog() : Form("frmDialog") {}
    std::vector<std::string> log;

protected:
    void Design() override {
        SetCaption("Dialog");
        auto& list = Add<ListView>("lstv");
        list.Move(0, 0, 2000, 2000);
        list.AddColumn("Navn", 1000);
        list.Add("R1", "Ann");
        list.Add("R2", "Bo");
        list.ItemClick.Subscribe([this](ListItem& i) { log.push_back("item " + i.Key()); });
        auto& box = Add<TextBox>("txt");
        box.KeyPress.Subscribe([this](int& k) {
            if (k == keys::Enter) log.push_back("enter " + Get<TextBox>("txt").Text());
        });
        auto& tree = Add<TreeView>("tree");
        tree.Add(0, Relationship::Child, "Dokumenter");
        tree.Add(1, Relationship::Child, "Sub");
        tree.Expand.Subscribe([this](TreeNode& n) { log.push_back("expand " + n.Text()); });
        auto& combo = Add<ComboBox>("cbo");
        for (const char* item : {"Ann", "Bo"}) combo.AddItem(item);
        auto& hidden = Add<Button>("cmdHidden");
        hidden.SetVisible(false);
        Add<Button>("cmdClose").Click.Subscribe([this] {
            log.emplace_back("close");
            Unload();
        });
    }
};

}  // namespace

TEST(HeadlessView, TheUserCannotReachHiddenControlsOrMissingItems) {
    Dialog form;
    HeadlessView view;
    std::vector<std::string> failures;
    view.QueueUser([&](Form& f) {
        for (const auto& act : std::vector<std::function<void()>>{
                 [&] { user::ClickButton(f, "cmdHidden"); }, [&] { user::ClickItem(f, "lstv", "R9"); },
                 [&] { user::ClickButton(f, "lstv"); }, [&] { user::ExpandNode(f, "tree", 2); },
                 [&] { user::SelectComboItem(f, "nope", 0); }, [&] { user::SelectComboText(f, "cbo", "Cy"); }}) {
            try {
                act();
            } catch (const kv::Error& e) {
                failures.push_back(e.Description());
            }
        }
    });
    form.ShowModal(view);
    ASSERT_EQ(failures.size(), 6u);
    EXPECT_NE(failures[0].find("hidden"), std::string::npos);
    EXPECT_TRUE(form.log.empty());
}

TEST(HeadlessView, AFailingScriptStillUnloadsTheForm) {
    Dialog form;
    HeadlessView view;
    int unloads = 0;
    form.UnloadEvent.Subscribe([&] { ++unloads; });
    view.QueueUser([](Form& f) { user::ClickItem(f, "lstv", "missing"); });
    EXPECT_THROW(form.ShowModal(view), kv::Error);
    EXPECT_EQ(unloads, 1);
    EXPECT_FALSE(form.IsLoaded());
}

TEST(HeadlessView, DescribesWhatTheWindowShowsAndFindsNodesByPath) {
    Dialog form;
    HeadlessView view;
    std::string shown;
    view.QueueUser([&](Form& f) {
        f.Get<TreeView>("tree").Node(1).SetExpanded(true);
        f.Get<ListView>("lstv").SetSelectedItem(f.Get<ListView>("lstv").Find("R1"));
        for (int i = 1; i <= 50; ++i) f.Get<ListView>("lstv").Add("", "Cy" + std::to_string(i));
        user::SelectComboText(f, "cbo", "Bo");
        shown = DescribeForm(f);
        EXPECT_EQ(FindNodeByFullPath(f.Get<TreeView>("tree"), "Dokumenter\\Sub"), &f.Get<TreeView>("tree").Node(2));
        EXPECT_EQ(FindNodeByFullPath(f.Get<TreeView>("tree"), "Dokumenter\\None"), nullptr);
    });
    form.ShowModal(view);
    EXPECT_TRUE(view.Showings().at(0).closedByUser);
    EXPECT_NE(shown.find("> Ann"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Cy48\n    ... 2 more"), std::string::npos) << shown;
    EXPECT_NE(shown.find("cbo: Bo"), std::string::npos) << shown;
    EXPECT_EQ(view.Showings().at(0).captionAtClose, "Dialog");
    EXPECT_NE(shown.find("- Dokumenter"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("cmdHidden"), std::string::npos) << shown;
}
