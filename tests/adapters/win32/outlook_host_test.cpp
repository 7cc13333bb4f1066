#include <gtest/gtest.h>

#include "adapters/win32/outlook/outlook_host.hpp"
#include "fake_object.hpp"
#include "support/error.hpp"

namespace {

using kv::win32::ComPtr;
using kv::win32::outlook::FromVariantTime;
using kv::win32::outlook::ToVariantTime;
using kv::win32::outlook::Var;
using namespace kv::win32::test;
namespace ol = kv::outlook;

Var Date(const kv::DateTime& time) {
    Var v;
    v.Put()->vt = VT_DATE;
    v.Raw().date = ToVariantTime(time);
    return v;
}

// A small Outlook: application, namespace with Deleted Items, an explorer on
// the Inbox with two selected items, an inspector on a draft, and their
// command bars.
class OutlookHostTest : public ::testing::Test {
protected:
    OutlookHostTest() {
        app.SetObject(L"Application", &app);
        app.SetMethod(L"GetNamespace", [this](auto& args, Var& result) {
            if (Var(*args[0]).Text() == "MAPI") result = Var(static_cast<IDispatch*>(&ns));
        });
        app.SetMethod(L"ActiveExplorer",
                      [this](auto&, Var& result) { result = Var(static_cast<IDispatch*>(&explorer)); });
        app.SetObject(L"Explorers", &explorers);
        app.SetObject(L"Inspectors", &inspectors);
        explorers.Set(L"Count", Var(1)).SetMethod(L"Item", [this](auto& args, Var& result) {
            if (Var(*args[0]).Int() != 1)
                throw FakeObject::Refusal{L"Matrixindekset er uden for området.", DISP_E_BADINDEX};
            result = Var(static_cast<IDispatch*>(&explorer));
        });
        inspectors.Set(L"Count", Var(0)).AddEvents(kInspectorsEvents);
        ns.SetMethod(L"GetDefaultFolder", [this](auto& args, Var& result) {
            if (Var(*args[0]).Int() == ol::defaultfolder::DeletedItems) result = Var(static_cast<IDispatch*>(&deleted));
        });
        ns.SetFailure(L"GetItemFromID", L"Elementet blev ikke fundet.", MAKE_HRESULT(1, 4, 0x010F));
        inbox.Set(L"Name", Var("Indbakke")).Set(L"DefaultMessageClass", Var("IPM.Note"));
        deleted.Set(L"Name", Var("Slettet post")).Set(L"DefaultMessageClass", Var("IPM.Note"));
        explorer.SetObject(L"CurrentFolder", &inbox).SetObject(L"Selection", &selection);
        explorer.SetObject(L"CommandBars", &explorerBars).SetObject(L"Application", &app).AddEvents(kExplorerEvents10);
        selection.SetMethod(L"Count",
                            [this](auto&, Var& result) { result = Var(static_cast<int>(inSelection.size())); });
        selection.SetMethod(L"Item", [this](auto& args, Var& result) {
            result = Var(static_cast<IDispatch*>(inSelection.at(static_cast<std::size_t>(Var(*args[0]).Int() - 1))));
        });
        received.Set(L"Class", Var(ol::itemclass::Mail)).Set(L"Subject", Var("Tilbud på æbler 😀"));
        received.Set(L"EntryID", Var("00AB01")).Set(L"Sent", Var(true)).Set(L"Importance", Var(2));
        received.Set(L"ReceivedTime", Date({2024, 2, 29, 13, 45, 7})).Set(L"SentOn", Date({2024, 2, 29, 13, 44, 0}));
        received.Set(L"SenderName", Var("Åse Ørsted"))
            .Set(L"To", Var("Bo; Kim"))
            .Set(L"CC", Var(""))
            .Set(L"BCC", Var(""));
        received.Set(L"Body", Var("Hej\r\nlinje 2"))
            .SetObject(L"Attachments", &attachments)
            .SetObject(L"Sender", &sender);
        received.SetObject(L"Recipients", &recipients).SetObject(L"Application", &app);
        received.SetMethod(L"Move", [this](auto&, Var& result) { result = Var(static_cast<IDispatch*>(&moved)); });
        received.SetMethod(L"SaveAs", [](auto&, Var&) {}).SetMethod(L"Close", [](auto&, Var&) {});
        moved.Set(L"Class", Var(ol::itemclass::Mail)).Set(L"EntryID", Var("00AB01"));
        attachments.Set(L"Count", Var(3));
        sender.Set(L"Name", Var("Åse Ørsted")).Set(L"Address", Var("aase@example.dk"));
        recipients.Set(L"Count", Var(2)).SetMethod(L"ResolveAll", [](auto&, Var& result) { result = Var(true); });
        recipients.SetMethod(L"Item", [this](auto& args, Var& result) {
            result = Var(static_cast<IDispatch*>(Var(*args[0]).Int() == 1 ? &bo : &kim));
        });
        bo.Set(L"Type", Var(1)).Set(L"Name", Var("Bo")).Set(L"Address", Var("bo@example.dk"));
        kim.Set(L"Type", Var(3)).Set(L"Name", Var("")).Set(L"Address", Var("kim@example.dk"));
        draft.Set(L"Class", Var(ol::itemclass::Mail)).Set(L"Sent", Var(false)).Set(L"Sender", Var());
        contact.Set(L"Class", Var(ol::itemclass::Contact));
        inspector.SetObject(L"CurrentItem", &draft).SetObject(L"CommandBars", &inspectorBars);
        inspector.AddEvents(kInspectorEvents10);
        inspectorBars.Set(L"Count", Var(5));
        inspectorBars.SetMethod(L"Add", [this](auto&, Var& result) { result = Var(static_cast<IDispatch*>(&bar)); });
        bar.Set(L"Name", Var("KorvaneNMail")).Set(L"Visible", Var(false)).SetObject(L"Parent", &inspector);
        bar.SetObject(L"Controls", &controls).SetMethod(L"FindControl", [this](auto& args, Var& result) {
            if (Var(*args[2]).Text() == "CBButton") result = Var(static_cast<IDispatch*>(&button));
        });
        explorerBars.SetObject(L"Item", &explorerBar);
        explorerBar.SetObject(L"Parent", &explorer);
        controls.SetMethod(L"Add", [this](auto&, Var& result) { result = Var(static_cast<IDispatch*>(&button)); });
        button.Set(L"Caption", Var("")).Set(L"Tag", Var("")).Set(L"FaceId", Var(0)).Set(L"Style", Var(0));
        button.Set(L"BeginGroup", Var(false));
        button.SetObject(L"Parent", &bar).AddEvents(kButtonEvents);
        application = kv::win32::outlook::WrapApplication(ComPtr<IDispatch>(&app));
    }
    ~OutlookHostTest() override {
        application.reset();
        std::wstring held;
        EXPECT_TRUE(world.AllReleased(&held))
            << "a reference was kept on the object first asked for " << kv::win32::Narrow(held);
    }

    FakeWorld world;
    FakeObject &app = world.Make(), &ns = world.Make(), &explorers = world.Make(), &inspectors = world.Make();
    FakeObject &explorer = world.Make(), &inbox = world.Make(), &deleted = world.Make(), &selection = world.Make();
    FakeObject &received = world.Make(), &moved = world.Make(), &draft = world.Make(), &contact = world.Make();
    FakeObject &attachments = world.Make(), &sender = world.Make(), &recipients = world.Make();
    FakeObject &bo = world.Make(), &kim = world.Make();
    FakeObject &inspector = world.Make(), &inspectorBars = world.Make(), &bar = world.Make();
    FakeObject &controls = world.Make(), &button = world.Make(), &explorerBars = world.Make();
    FakeObject& explorerBar = world.Make();
    std::vector<FakeObject*> inSelection{&received, &draft};  // the explorer's selection
    std::shared_ptr<ol::Application> application;
};

TEST_F(OutlookHostTest, ReadsTheObjectModelByName) {
    auto active = application->ActiveExplorer();
    ASSERT_TRUE(active);
    EXPECT_EQ(active->GetCurrentFolder()->DefaultMessageClass(), "IPM.Note");
    EXPECT_EQ(application->GetExplorers()->Count(), 1);
    // Windows tell their frame window through IOleWindow; one that has none gives 0.
    explorer.SetWindow(reinterpret_cast<HWND>(0x2A0E4));
    auto first = application->GetExplorers()->Item(1);
    EXPECT_EQ(first->Handle(), 0x2A0E4u);
    explorer.SetWindow(nullptr);
    EXPECT_EQ(first->Handle(), 0u);
    first.reset();
    auto selected = active->GetSelection();
    ASSERT_EQ(selected->Count(), 2);
    auto item = selected->Item(1);
    EXPECT_EQ(item->Class(), ol::itemclass::Mail);
    EXPECT_EQ(item->Subject(), "Tilbud på æbler 😀");
    EXPECT_EQ(item->EntryID(), "00AB01");
    EXPECT_TRUE(item->Sent());
    EXPECT_EQ(item->Importance(), ol::importance::High);
    EXPECT_EQ(item->ReceivedTime(), (kv::DateTime{2024, 2, 29, 13, 45, 7}));
    EXPECT_FALSE(selected->Item(2)->Sent());
    EXPECT_EQ(application->GetNamespace("MAPI")->GetDefaultFolder(ol::defaultfolder::DeletedItems)->Name(),
              "Slettet post");
    // Held while the wrappers live; the fixture checks they all go at the end.
    EXPECT_EQ(app.Refs(), 1);
    EXPECT_EQ(explorer.Refs(), 1);
    EXPECT_EQ(received.Refs(), 1);
    active.reset();
    EXPECT_EQ(explorer.Refs(), 0);
}

TEST_F(OutlookHostTest, FailedCallsCarryTheHostsDescription) {
    // A refused argument and an index out of range as the numbers the core
    // tells them by; any other failure keeps the host's own.
    const struct {
        HRESULT scode;
        std::int32_t number;
    } kNumbers[] = {
        {E_INVALIDARG, kv::errnum::InvalidArgument},
        {DISP_E_TYPEMISMATCH, kv::errnum::TypeMismatch},
        {DISP_E_BADINDEX, ol::hosterr::InvalidIndex},
        {E_FAIL, ol::hosterr::Failed},
        {RPC_E_CALL_REJECTED, RPC_E_CALL_REJECTED},
        {STG_E_ACCESSDENIED, STG_E_ACCESSDENIED},
        {MAKE_HRESULT(1, 4, 0x010F), MAKE_HRESULT(1, 4, 0x010F)},
    };
    auto saver = kv::win32::outlook::MakeMailWrapperFactory()->CreateMailWrapper();
    saver->SetItem(application->ActiveExplorer()->GetSelection()->Item(1));
    for (const auto& c : kNumbers) {
        received.SetFailure(L"SaveAs", L"Handlingen kunne ikke udføres.", c.scode);
        try {
            saver->SaveAs("C:\\Dok\\Tilbud.msg", ol::SaveAsMsgUnicode);
            ADD_FAILURE() << "no error for " << std::hex << c.scode;
        } catch (const kv::Error& e) {
            EXPECT_EQ(e.Number(), c.number) << std::hex << c.scode;
            EXPECT_EQ(e.Description(), "Handlingen kunne ikke udføres.");
        }
    }
    saver.reset();
    auto mapi = application->GetNamespace("MAPI");
    try {
        mapi->GetItemFromID("0000");
        FAIL() << "no error";
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Description(), "Elementet blev ikke fundet.");
        EXPECT_EQ(e.Source(), "Microsoft Outlook");
        EXPECT_EQ(e.Number(), static_cast<std::int32_t>(MAKE_HRESULT(1, 4, 0x010F)));
    }
    // Nothing where an object is wanted is an error, not a null object.
    EXPECT_THROW(mapi->GetDefaultFolder(ol::defaultfolder::Calendar), kv::Error);
    EXPECT_THROW(application->GetNamespace("Outlook"), kv::Error);
    // A member the item lacks: "does not support this property".
    auto unsent = application->ActiveExplorer()->GetSelection()->Item(2);
    try {
        (void)unsent->ReceivedTime();
        FAIL() << "no error";
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Number(), ol::hosterr::NotSupported) << e.Description();
    }
    // A missing bar fails with the host's text.
    auto bars = application->ActiveExplorer()->GetCommandBars();
    explorerBars.SetFailure(L"Item", L"Ugyldigt indeks.", DISP_E_BADINDEX);
    try {
        bars->Item("Korvane");
        FAIL() << "no error";
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Description(), "Ugyldigt indeks.");
    }
    EXPECT_THROW(application->GetExplorers()->Item(2), kv::Error);
}

TEST_F(OutlookHostTest, MailWrapperWorksOnTheMailItemsOwnMembers) {
    auto factory = kv::win32::outlook::MakeMailWrapperFactory();
    auto wrapper = factory->CreateMailWrapper();
    EXPECT_THROW(wrapper->Subject(), kv::Error);  // nothing attached yet
    auto selected = application->ActiveExplorer()->GetSelection();
    wrapper->SetItem(selected->Item(1));
    EXPECT_EQ(wrapper->Subject(), "Tilbud på æbler 😀");
    EXPECT_EQ(wrapper->SenderName(), "Åse Ørsted");
    EXPECT_EQ(wrapper->To(), "Bo; Kim");
    EXPECT_EQ(wrapper->Cc(), "");
    EXPECT_EQ(wrapper->Body(), "Hej\r\nlinje 2");
    EXPECT_EQ(wrapper->AttachmentCount(), 3);
    EXPECT_EQ(wrapper->SentOn(), (kv::DateTime{2024, 2, 29, 13, 44, 0}));
    auto entry = wrapper->Sender();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Name(), "Åse Ørsted");
    EXPECT_EQ(entry->Address(), "aase@example.dk");
    entry->Close();
    EXPECT_EQ(sender.Refs(), 0);
    EXPECT_THROW(entry->Name(), kv::Error);

    const auto list = wrapper->Recipients();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].type, ol::Recipient::To);
    EXPECT_EQ(list[0].name, "Bo");
    EXPECT_EQ(list[1].type, ol::Recipient::Bcc);
    EXPECT_EQ(list[1].name, "kim@example.dk");
    EXPECT_TRUE(wrapper->ResolveAll());

    wrapper->SaveAs("C:\\Dok\\Tilbud på æbler.msg", ol::SaveAsMsg);
    const auto& saveAs = received.Calls().back();
    ASSERT_EQ(saveAs.name, L"SaveAs");
    ASSERT_EQ(saveAs.args.size(), 2u);
    EXPECT_EQ(saveAs.args[0].Text(), "C:\\Dok\\Tilbud på æbler.msg");
    EXPECT_EQ(saveAs.args[1].Int(), 3);
    wrapper->GetItem()->Close(ol::closemode::Discard);
    EXPECT_EQ(received.Calls().back().args[0].Int(), 1);

    auto trash = application->GetNamespace("MAPI")->GetDefaultFolder(ol::defaultfolder::DeletedItems);
    auto item = wrapper->GetItem();
    item->Move(*trash);
    ASSERT_EQ(received.Calls().back().name, L"Move");
    EXPECT_EQ(received.Calls().back().objects[0], static_cast<IDispatch*>(&deleted));
    EXPECT_EQ(item->EntryID(), "00AB01");  // read from the moved item now
    EXPECT_EQ(moved.Calls().back().name, L"EntryID");

    // A host without the Sender property: the mail's own sender fields.
    FakeObject& older = world.Make();
    older.Set(L"Class", Var(ol::itemclass::Mail)).Set(L"Sent", Var(true));
    older.Set(L"SenderName", Var("Bo Ærø")).Set(L"SenderEmailAddress", Var("bo@example.dk"));
    inSelection = {&older, &draft, &contact};
    auto olderWrapper = factory->CreateMailWrapper();
    olderWrapper->SetItem(selected->Item(1));
    auto fields = olderWrapper->Sender();
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->Name() + " " + fields->Address(), "Bo Ærø bo@example.dk");
    olderWrapper.reset();

    // An unsent mail has no sender; a contact is no mail.
    auto draftWrapper = factory->CreateMailWrapper();
    draftWrapper->SetItem(selected->Item(2));
    EXPECT_EQ(draftWrapper->Sender(), nullptr);
    try {
        draftWrapper->SetItem(selected->Item(3));
        FAIL() << "no error";
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Number(), kv::errnum::TypeMismatch);
    }
}

TEST_F(OutlookHostTest, CommandBarsAndButtonClicks) {
    std::shared_ptr<ol::Inspector> opened;
    auto newInspector = application->GetInspectors()->OnNewInspector([&](auto i) { opened = std::move(i); });
    inspectors.Fire(kInspectorsEvents, kNewWindow, {Object(inspector)});
    ASSERT_TRUE(opened);
    auto bars = opened->GetCommandBars();
    auto added = bars->Add("KorvaneNMail", ol::BarTop, true);
    const auto& add = inspectorBars.Calls().back();
    ASSERT_EQ(add.args.size(), 4u);
    EXPECT_EQ(add.args[0].Text(), "KorvaneNMail");
    EXPECT_EQ(add.args[1].Int(), ol::BarTop);
    EXPECT_EQ(add.args[2].Get().vt, VT_ERROR);  // menu bar left out
    EXPECT_TRUE(add.args[3].Bool());
    added->SetVisible(true);
    EXPECT_TRUE(bar.Value(L"Visible").Bool());
    EXPECT_EQ(added->Name(), "KorvaneNMail");

    auto b = added->GetControls()->Add(ol::ControlButton, "CBButton");
    EXPECT_EQ(controls.Calls().back().args[2].Text(), "CBButton");
    EXPECT_THROW(added->GetControls()->Add(10, ""), kv::Error);
    b->SetCaption("Korvane Import");
    b->SetTag("CBButton");
    b->SetFaceId(1000);
    b->SetStyle(ol::buttonstyle::IconAndCaption);
    b->SetBeginGroup(true);
    EXPECT_EQ(button.Value(L"Caption").Text(), "Korvane Import");
    EXPECT_EQ(b->Tag(), "CBButton");
    EXPECT_EQ(b->FaceId(), 1000);
    EXPECT_EQ(b->Style(), ol::buttonstyle::IconAndCaption);
    EXPECT_TRUE(b->BeginGroup());
    EXPECT_TRUE(added->FindControl("CBButton"));
    EXPECT_FALSE(added->FindControl("Other"));

    // An inspector's bar sits in the inspector; an explorer's is no inspector's.
    EXPECT_FALSE(ol::AsInspector(b->GetParent()->GetParent())->GetCurrentItem()->Sent());
    EXPECT_THROW(ol::AsInspector(application->ActiveExplorer()->GetCommandBars()->Item("Korvane")->GetParent()),
                 kv::Error);

    std::string clickedTag;
    auto click = b->OnClick([&](std::shared_ptr<ol::CommandBarButton> ctrl, bool& cancelDefault) {
        clickedTag = ctrl->Tag();
        cancelDefault = true;
    });
    auto failing = b->OnClick([](auto, bool&) { throw kv::Error(5, "test", "handler failed"); });
    VARIANT_BOOL cancelDefault = VARIANT_FALSE;
    button.Fire(kButtonEvents, kClick, {Object(button), BoolRef(&cancelDefault)});
    EXPECT_EQ(clickedTag, "CBButton");
    EXPECT_EQ(cancelDefault, VARIANT_TRUE);
    click.Reset();
    failing.Reset();
    EXPECT_EQ(button.Sinks(kButtonEvents), 0u);
}

TEST_F(OutlookHostTest, EventsReachTheirHandlersUntilTheTokenGoes) {
    auto insp = application->GetInspectors();
    std::shared_ptr<ol::Inspector> opened;
    auto newInspector = insp->OnNewInspector([&](std::shared_ptr<ol::Inspector> i) { opened = std::move(i); });
    inspectors.Fire(kInspectorsEvents, kNewWindow, {Object(inspector)});
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->GetCurrentItem()->Sent());

    int closes = 0;
    auto inspectorClose = opened->OnClose([&] { ++closes; });
    inspector.Fire(kInspectorEvents10, kClose);
    EXPECT_EQ(closes, 1);

    auto active = application->ActiveExplorer();
    std::string switchedTo;
    auto beforeSwitch = active->OnBeforeFolderSwitch([&](std::shared_ptr<ol::Folder> folder, bool& cancel) {
        switchedTo = folder->Name();
        cancel = true;
    });
    int explorerCloses = 0;
    auto explorerClose = active->OnClose([&] { ++explorerCloses; });
    VARIANT_BOOL cancel = VARIANT_FALSE;
    explorer.Fire(kExplorerEvents10, kBeforeFolderSwitch, {Object(deleted), BoolRef(&cancel)});
    EXPECT_EQ(switchedTo, "Slettet post");
    EXPECT_EQ(cancel, VARIANT_TRUE);
    explorer.Fire(kExplorerEvents10, kClose);
    EXPECT_EQ(explorerCloses, 1);
    EXPECT_EQ(explorer.Sinks(kExplorerEvents10), 2u);

    // Released tokens disconnect: nothing more arrives, the sinks are gone.
    explorerClose.Reset();
    newInspector.Reset();
    inspectorClose.Reset();
    beforeSwitch.Reset();
    explorer.Fire(kExplorerEvents10, kClose);
    inspector.Fire(kInspectorEvents10, kClose);
    EXPECT_EQ(explorerCloses, 1);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(explorer.Sinks(kExplorerEvents10), 0u);
    EXPECT_EQ(inspectors.Sinks(kInspectorsEvents), 0u);
}

}  // namespace
