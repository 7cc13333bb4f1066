// Windows, events and command bars of the stand-in host, driven as a person
// (or the command line front end) would.
#include "test_support.hpp"

namespace kv::mailstore::test {
namespace {

TEST(HostEvents, ExplorerEventsAndSelection) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {"tilbud_iso8859.eml", "rapport_utf8.eml"});
    auto app = store->GetApplication();
    EXPECT_FALSE(app->ActiveExplorer());
    auto explorer = store->OpenExplorer("Inbox");
    EXPECT_EQ(app->ActiveExplorer(), explorer);
    EXPECT_EQ(app->GetExplorers()->Count(), 1);
    EXPECT_EQ(explorer->GetCurrentFolder()->Name(), "Inbox");
    EXPECT_EQ(explorer->GetSelection()->Count(), 0);

    auto items = store->Items("Inbox");
    store->Select(*explorer, items);
    auto selection = explorer->GetSelection();
    ASSERT_EQ(selection->Count(), 2);
    EXPECT_EQ(selection->Item(1), items[0]);
    EXPECT_EQ(selection->Item(2), items[1]);
    EXPECT_EQ(Refusal([&] { selection->Item(0); }), "Selection: No selected item at position 0");
    EXPECT_THROW(selection->Item(3), Error);
    auto calendarItem = store->AddItemFile("Calendar", DataFile("moede.ics"));
    EXPECT_EQ(Refusal([&] {
                  store->Select(*explorer, {items[0], calendarItem});
              }),
              "Explorer: Only items of the folder shown can be selected");
    EXPECT_EQ(explorer->GetSelection()->Count(), 2) << "a refused selection changes nothing";

    std::vector<std::string> switches;
    auto switching = explorer->OnBeforeFolderSwitch([&](std::shared_ptr<outlook::Folder> folder, bool& cancel) {
        switches.push_back(folder->DefaultMessageClass());
        cancel = folder->Name() == "Contacts";
    });
    EXPECT_TRUE(store->SwitchFolder(*explorer, "Calendar"));
    EXPECT_EQ(explorer->GetCurrentFolder()->Name(), "Calendar");
    EXPECT_EQ(explorer->GetSelection()->Count(), 0);
    EXPECT_FALSE(store->SwitchFolder(*explorer, "Contacts"));  // cancelled
    EXPECT_EQ(explorer->GetCurrentFolder()->Name(), "Calendar");
    switching.Reset();
    EXPECT_TRUE(store->SwitchFolder(*explorer, "Inbox"));
    EXPECT_EQ(switches, (std::vector<std::string>{"IPM.Appointment", "IPM.Contact"}));

    int countAtClose = -1;
    auto closing = explorer->OnClose([&] { countAtClose = app->GetExplorers()->Count(); });
    store->CloseExplorer(*explorer);
    EXPECT_EQ(countAtClose, 1);  // still counted while Close is raised
    EXPECT_EQ(app->GetExplorers()->Count(), 0);
    EXPECT_FALSE(app->ActiveExplorer());
    EXPECT_EQ(Refusal([&] { explorer->GetCurrentFolder(); }), "MailStore: The explorer is closed");
    EXPECT_THROW(explorer->GetCommandBars(), Error);
    EXPECT_THROW(explorer->OnClose([] {}), Error);
    EXPECT_THROW(store->SwitchFolder(*explorer, "Inbox"), Error);
    EXPECT_NO_THROW(store->CloseExplorer(*explorer));  // twice is harmless
}

// A window of some other host, handed to the store by mistake.
class ForeignExplorer final : public outlook::Explorer {
public:
    std::shared_ptr<outlook::CommandBars> GetCommandBars() override { return nullptr; }
    std::shared_ptr<outlook::Application> GetApplication() const override { return nullptr; }
    NativeWindow Handle() const override { return 0; }
    std::shared_ptr<outlook::Folder> GetCurrentFolder() const override { return nullptr; }
    std::shared_ptr<outlook::Selection> GetSelection() const override { return nullptr; }
    outlook::Subscription OnBeforeFolderSwitch(std::function<void(std::shared_ptr<outlook::Folder>, bool&)>) override {
        return {};
    }
    outlook::Subscription OnClose(std::function<void()>) override { return {}; }
};

TEST(HostEvents, AWindowOfAnotherHostIsRefusedByName) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {"tilbud_iso8859.eml"});
    ForeignExplorer foreign;
    for (const auto& use : std::vector<std::function<void()>>{[&] { store->CloseExplorer(foreign); },
                                                              [&] { store->SwitchFolder(foreign, "Inbox"); },
                                                              [&] { store->Select(foreign, {}); }})
        EXPECT_EQ(Refusal(use), "MailStore: The explorer is not one of this store");
}

TEST(HostEvents, NewExplorerAndAClickMakeTheActiveExplorer) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {"tilbud_iso8859.eml"});
    auto app = store->GetApplication();
    auto explorers = app->GetExplorers();
    std::vector<std::shared_ptr<outlook::Explorer>> seen;
    int countSeen = 0;
    auto token = explorers->OnNewExplorer([&](std::shared_ptr<outlook::Explorer> e) {
        seen.push_back(e);
        countSeen = explorers->Count();
    });
    auto first = store->OpenExplorer("Inbox");
    auto second = store->OpenExplorer("Calendar");
    EXPECT_EQ(seen, (std::vector<std::shared_ptr<outlook::Explorer>>{first, second}));
    EXPECT_EQ(countSeen, 2);  // counted when raised
    EXPECT_EQ(app->ActiveExplorer(), second);

    // A click on a button in the first window makes it the active one.
    auto button = first->GetCommandBars()
                      ->Add("Korvane", outlook::BarTop, true)
                      ->GetControls()
                      ->Add(outlook::ControlButton, "CBButton");
    button->SetTag("CBButton");
    store->Click(*button);
    EXPECT_EQ(app->ActiveExplorer(), first);
    // Each window has a frame of its own while it is open; the explorers
    // are listed from 1.
    auto inspector = store->OpenInspector(store->Items("Inbox").at(0));
    const std::vector<NativeWindow> frames = {first->Handle(), second->Handle(), inspector->Handle()};
    EXPECT_EQ(std::set<NativeWindow>(frames.begin(), frames.end()).size(), 3u);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), NativeWindow{0}), 0);
    EXPECT_EQ(std::set<std::shared_ptr<outlook::Explorer>>({explorers->Item(1), explorers->Item(2)}),
              std::set<std::shared_ptr<outlook::Explorer>>({first, second}));
    for (std::int32_t outside : {0, 3}) {
        try {
            explorers->Item(outside);
            ADD_FAILURE() << outside;
        } catch (const Error& e) {
            EXPECT_EQ(e.Number(), outlook::hosterr::InvalidIndex);
            EXPECT_EQ(e.Source(), "Explorers");
            EXPECT_EQ(e.Description(), "No explorer at position " + std::to_string(outside));
        }
    }
    store->CloseInspector(*inspector);
    EXPECT_THROW(inspector->Handle(), Error);
    store->CloseExplorer(*first);
    EXPECT_EQ(app->ActiveExplorer(), second);
    EXPECT_THROW(first->Handle(), Error);

    token.Reset();
    store->OpenExplorer("Inbox");
    EXPECT_EQ(seen.size(), 2u);
}

TEST(HostEvents, NewInspectorAndCloseEndWithTheirTokens) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {"tilbud_iso8859.eml"});
    auto app = store->GetApplication();
    auto inspectors = app->GetInspectors();
    std::vector<std::shared_ptr<outlook::Inspector>> seen;
    int countSeen = 0;
    auto token = inspectors->OnNewInspector([&](std::shared_ptr<outlook::Inspector> inspector) {
        seen.push_back(inspector);
        countSeen = inspectors->Count();
    });
    auto mail = store->Items("Inbox").at(0);
    auto first = store->OpenInspector(mail);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], first);
    EXPECT_EQ(countSeen, 1);
    EXPECT_EQ(first->GetCurrentItem(), mail);

    int closes = 0;
    auto closing = first->OnClose([&] { ++closes; });
    {
        auto moved = std::move(closing);  // a moved token keeps the subscription
        EXPECT_FALSE(closing.Active());   // NOLINT(bugprone-use-after-move): the moved-from token is the point
        EXPECT_TRUE(moved.Active());
    }  // released here
    token.Reset();
    auto second = store->OpenInspector(store->AddItemFile("Contacts", DataFile("kontakt.vcf")));
    EXPECT_EQ(seen.size(), 1u);  // no longer subscribed
    EXPECT_EQ(inspectors->Count(), 2);
    store->CloseInspector(*first);
    EXPECT_EQ(closes, 0);
    EXPECT_THROW(first->GetCurrentItem(), Error);

    // Closing the item closes the windows showing it, raising their Close.
    auto third = store->OpenInspector(mail);
    auto counted = third->OnClose([&] { ++closes; });
    mail->Close(outlook::closemode::Discard);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(inspectors->Count(), 1);
    store->CloseInspector(*third);  // twice is harmless and raises nothing
    EXPECT_EQ(closes, 1);
    EXPECT_THROW(third->GetCommandBars(), Error);
    EXPECT_THROW(third->OnClose([] {}), Error);
    EXPECT_NO_THROW(mail->Close(outlook::closemode::PromptForSave));
    EXPECT_THROW(mail->Close(7), Error);
}

TEST(CommandBars, BarsButtonsAndTheParentChain) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {"tilbud_iso8859.eml"});
    auto inspector = store->OpenInspector(store->Items("Inbox").at(0));
    auto bars = inspector->GetCommandBars();
    try {
        bars->Item("KorvaneNMail");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), outlook::hosterr::InvalidIndex);
        EXPECT_EQ(e.Source() + ": " + e.Description(), "CommandBars: No command bar named \"KorvaneNMail\"");
    }
    EXPECT_EQ(Refusal([&] { bars->Add("", outlook::BarTop, true); }), "CommandBars: A command bar needs a name");
    auto bar = bars->Add("KorvaneNMail", outlook::BarTop, true);
    EXPECT_EQ(Refusal([&] { bars->Add("KorvaneNMail", outlook::BarTop, true); }),
              "CommandBars: A command bar named \"KorvaneNMail\" exists");
    EXPECT_EQ(bars->Item("KorvaneNMail"), bar);
    EXPECT_TRUE(bar->Temporary());
    EXPECT_EQ(bar->Position(), outlook::BarTop);

    auto controls = bar->GetControls();
    EXPECT_EQ(Refusal([&] { controls->Add(10, ""); }), "CommandBarControls: Only buttons can be added (type 10)");
    auto button = controls->Add(outlook::ControlButton, "CBButtonMail");
    button->SetTag("CBButtonMail");
    EXPECT_EQ(button->Parameter(), "CBButtonMail");
    EXPECT_EQ(controls->Count(), 1);
    EXPECT_EQ(controls->Item(1), button);
    EXPECT_EQ(Refusal([&] { controls->Item(2); }), "CommandBarControls: No control at position 2");
    EXPECT_EQ(Refusal([&] { button->SetStyle(99); }), "CommandBarButton: Invalid button style 99");
    EXPECT_EQ(bar->FindControl("CBButtonMail"), button);
    EXPECT_FALSE(bar->FindControl(""));
    // button -> bar -> inspector -> item, as the click handlers walk it.
    auto window = button->GetParent()->GetParent();
    EXPECT_EQ(outlook::AsInspector(window)->GetCurrentItem()->Subject(), "Tilbud på køkken æøå");
    EXPECT_THROW(outlook::AsInspector(store->OpenExplorer("Inbox")->GetCommandBars()->Add("X", 1, true)->GetParent()),
                 Error);

    auto extra = controls->Add(outlook::ControlButton, "");
    EXPECT_EQ(bar->FindControl(""), extra);
    while (controls->Count() > 0) controls->Item(1)->Delete();
    EXPECT_EQ(Refusal([&] { button->Caption(); }), "MailStore: The button was deleted");
    EXPECT_THROW(button->OnClick([](auto, bool&) {}), Error);
    EXPECT_THROW(button->Delete(), Error);
    bar->Delete();
    EXPECT_THROW(bars->Item("KorvaneNMail"), Error);
    EXPECT_THROW(bar->SetVisible(true), Error);
    EXPECT_THROW(bar->FindControl("CBButtonMail"), Error);

    // Temporary bars go with their window.
    auto temp = bars->Add("Midlertidig", outlook::BarTop, true);
    store->CloseInspector(*inspector);
    EXPECT_THROW(temp->Name(), Error);
    EXPECT_EQ(bars->Count(), 0);
    EXPECT_EQ(Refusal([&] { bars->Item("Midlertidig"); }), "MailStore: The window is closed");
}

TEST(CommandBars, ClickReachesEveryButtonWithTheTag) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {"tilbud_iso8859.eml", "rapport_utf8.eml"});
    std::vector<std::shared_ptr<outlook::Item>> items{ItemNamed(*store, "Inbox", "tilbud_iso8859.eml"),
                                                      ItemNamed(*store, "Inbox", "rapport_utf8.eml")};
    auto makeButton = [](outlook::Inspector& inspector) {
        auto bar = inspector.GetCommandBars()->Add("KorvaneNMail", outlook::BarTop, true);
        auto button = bar->GetControls()->Add(outlook::ControlButton, "CBButtonMail");
        button->SetTag("CBButtonMail");
        return button;
    };
    auto firstButton = makeButton(*store->OpenInspector(items[0]));
    auto secondButton = makeButton(*store->OpenInspector(items[1]));

    std::vector<std::string> clickedSubjects;
    // As the add-in does: only the latest button is subscribed, and the
    // clicked control tells which window was meant.
    auto token = secondButton->OnClick([&](std::shared_ptr<outlook::CommandBarButton> ctrl, bool& cancel) {
        clickedSubjects.push_back(outlook::AsInspector(ctrl->GetParent()->GetParent())->GetCurrentItem()->Subject());
        cancel = true;
    });
    EXPECT_TRUE(store->Click(*firstButton));
    EXPECT_TRUE(store->Click(*secondButton));
    EXPECT_EQ(clickedSubjects, (std::vector<std::string>{"Tilbud på køkken æøå", "Rapport uge 20 - æøå"}));

    token.Reset();
    EXPECT_FALSE(store->Click(*firstButton));
    EXPECT_EQ(clickedSubjects.size(), 2u);
    firstButton->SetVisible(false);
    EXPECT_THROW(store->Click(*firstButton), Error);
}

TEST(CommandBars, KeptToolbarsSurviveARestartTemporaryOnesDoNot) {
    TempDir dir;
    {
        auto store = MakeStore(dir.Path(), {"tilbud_iso8859.eml"});
        auto explorer = store->OpenExplorer("Inbox");
        auto bar = explorer->GetCommandBars()->Add("Korvane", outlook::BarTop, false);
        EXPECT_FALSE(bar->Visible()) << "a new toolbar starts hidden";
        bar->SetVisible(true);  // every change after this one is kept, too
        auto button = bar->GetControls()->Add(outlook::ControlButton, "CBButton");
        button->SetCaption("Korvane");
        button->SetTag("CBButton");
        button->SetFaceId(578);
        button->SetStyle(outlook::buttonstyle::Icon);
        button->SetTooltipText("Korvane Import\tmed tab\r\nog linjer\\");
        button->SetOnAction("<!KVOutlookAddin.ConnectGlobal>");
        button->SetBeginGroup(true);
        button->SetVisible(false);
        bar->GetControls()->Add(outlook::ControlButton, "")->Delete();  // forgotten as it goes
        explorer->GetCommandBars()->Add("Midlertidig", outlook::BarTop, true);
        explorer->GetCommandBars()->Add("Urørt", outlook::BarTop, false);  // kept though never changed
        auto inspector = store->OpenInspector(store->Items("Inbox").at(0));
        inspector->GetCommandBars()->Add("KorvaneNMail", outlook::BarTop, true);
    }
    auto store = MailStore::Open(dir.Path());
    auto explorer = store->OpenExplorer("Calendar");
    auto bars = explorer->GetCommandBars();
    EXPECT_EQ(bars->Count(), 2);
    EXPECT_FALSE(bars->Item("Urørt")->Visible());
    auto bar = bars->Item("Korvane");
    EXPECT_TRUE(bar->Visible()) << "kept as last shown";
    EXPECT_FALSE(bar->Temporary());
    EXPECT_EQ(bar->GetControls()->Count(), 1);
    auto button = bar->FindControl("CBButton");
    ASSERT_TRUE(button);
    EXPECT_EQ(std::make_tuple(button->Caption(), button->FaceId(), button->Style(), button->TooltipText(),
                              button->OnAction(), button->Parameter(), button->BeginGroup(), button->Visible()),
              std::make_tuple(std::string("Korvane"), 578, outlook::buttonstyle::Icon,
                              std::string("Korvane Import\tmed tab\r\nog linjer\\"),
                              std::string("<!KVOutlookAddin.ConnectGlobal>"), std::string("CBButton"), true, false));
    EXPECT_THROW(bars->Item("Midlertidig"), Error);
    EXPECT_EQ(store->OpenInspector(store->Items("Inbox").at(0))->GetCommandBars()->Count(), 0);

    // Deleting a kept toolbar forgets it for the next run.
    bar->Delete();
    store.reset();
    auto third = MailStore::Open(dir.Path());
    EXPECT_THROW(third->OpenExplorer("Inbox")->GetCommandBars()->Item("Korvane"), Error);
}

}  // namespace
}  // namespace kv::mailstore::test
