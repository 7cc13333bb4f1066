// The store as a host: folders, item classes, entry ids, moves, the mail
// wrapper, drafts and sending.
#include <chrono>
#include <functional>

#include "adapters/mailstore/uploaded_mail.hpp"
#include "test_support.hpp"

namespace kv::mailstore::test {
namespace {

TEST(MailStore, StandardFoldersAndKinds) {
    TempDir dir;
    auto store = MakeStore(dir.Path());
    auto ns = store->GetApplication()->GetNamespace("MAPI");
    EXPECT_EQ(ns->GetDefaultFolder(outlook::defaultfolder::DeletedItems)->Name(), "Deleted Items");
    EXPECT_EQ(ns->GetDefaultFolder(outlook::defaultfolder::Inbox)->DefaultMessageClass(), "IPM.Note");
    EXPECT_EQ(ns->GetDefaultFolder(outlook::defaultfolder::Calendar)->DefaultMessageClass(), "IPM.Appointment");
    EXPECT_THROW(ns->GetDefaultFolder(99), Error);
    EXPECT_THROW(store->GetApplication()->GetNamespace("OTHER"), Error);
    EXPECT_TRUE(fs::is_directory(dir.Path() / "Sent Items"));
    const auto customers = store->AddFolder("Kunder", "IPM.Contact");
    EXPECT_EQ(store->AddFolder("Kunder", "IPM.Note"), customers);  // one folder of a name
    EXPECT_TRUE(fs::is_directory(dir.Path() / "Kunder"));
    for (const char* name : {"../ud", "", ".", "..", "a\\b", "a\tb"})
        EXPECT_THROW(store->AddFolder(name, "IPM.Note"), Error) << name;
    // Folder kinds are kept.
    store.reset();
    auto reopened = MailStore::Open(dir.Path());
    EXPECT_EQ(reopened->GetFolder("Kunder")->DefaultMessageClass(), "IPM.Contact");
    EXPECT_EQ(reopened->GetFolder("Contacts")->DefaultMessageClass(), "IPM.Contact");
}

TEST(MailStore, ItemClassesAndFieldsByKind) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {"tilbud_iso8859.eml"});
    auto appointment = store->AddItemFile("Calendar", DataFile("moede.ics"));
    auto contact = store->AddItemFile("Contacts", DataFile("kontakt.vcf"));
    auto mail = store->Items("Inbox").at(0);
    EXPECT_EQ(mail->Class(), outlook::itemclass::Mail);
    EXPECT_EQ(appointment->Class(), outlook::itemclass::Appointment);
    EXPECT_EQ(contact->Class(), outlook::itemclass::Contact);
    EXPECT_EQ(appointment->Subject(), "Byggemøde, køkken");
    EXPECT_EQ(contact->Subject(), "Søren Ærø");
    EXPECT_EQ(mail->Subject(), "Tilbud på køkken æøå");
    EXPECT_TRUE(mail->Sent());
    // Mail properties of other items fail as reading them by name does.
    try {
        contact->Sent();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), outlook::hosterr::NotSupported);
        EXPECT_EQ(e.Source() + ": " + e.Description(),
                  "MailStore: Object doesn't support this property or method: this item is not a mail");
    }
    EXPECT_THROW(outlook::AsMailItem(appointment), Error);
    EXPECT_THROW(store->CreateMailWrapper()->SetItem(contact), Error);
    EXPECT_THROW(store->AddItemFile("Inbox", DataFile("rapport_data.bin")), Error);
    // A file that cannot be copied adds nothing.
    const fs::path missing = dir.Path() / "findes ikke.eml";
    EXPECT_TRUE(Refusal([&] {
                    store->AddItemFile("Inbox", missing);
                }).starts_with("MailStore: Cannot copy " + missing.string() + ": "));
    EXPECT_EQ(store->Items("Inbox").size(), 1u);
}

TEST(MailStore, EntryIdsSurviveMovesAndReopening) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {"tilbud_iso8859.eml", "rapport_utf8.eml", "no_from.eml"});
    auto items = store->Items("Inbox");
    ASSERT_EQ(items.size(), 3u);
    std::vector<std::string> ids;
    for (auto& item : items) ids.push_back(item->EntryID());
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_NE(ids[1], ids[2]);

    auto ns = store->GetApplication()->GetNamespace("MAPI");
    auto deleted = ns->GetDefaultFolder(outlook::defaultfolder::DeletedItems);
    auto moved = ns->GetItemFromID(ids[1]);
    fs::path before = store->PathOf(*moved);
    const std::string manifest = ReadFileText(dir.Path() / "manifest.txt");
    moved->Move(*deleted);
    EXPECT_EQ(ReadFileText(dir.Path() / "manifest.txt").substr(0, manifest.size()), manifest)
        << "a move is added to the end of the manifest, not written over the whole of it";
    // The file moved on disk, the id did not, and the object still works.
    EXPECT_FALSE(fs::exists(before));
    EXPECT_TRUE(fs::exists(dir.Path() / "Deleted Items" / before.filename()));
    EXPECT_EQ(moved->EntryID(), ids[1]);
    EXPECT_EQ(moved->Subject(), "Rapport uge 20 - æøå");
    EXPECT_EQ(ns->GetItemFromID(ids[1]), moved);
    EXPECT_EQ(store->Items("Inbox").size(), 2u);

    store.reset();
    auto reopened = MailStore::Open(dir.Path());
    auto ns2 = reopened->GetApplication()->GetNamespace("MAPI");
    for (const auto& id : ids) EXPECT_NO_THROW(ns2->GetItemFromID(id)) << id;
    EXPECT_EQ(reopened->PathOf(*ns2->GetItemFromID(ids[1])).parent_path().filename(), "Deleted Items");
    EXPECT_THROW(ns2->GetItemFromID("0000"), Error);
    EXPECT_THROW(ns2->GetItemFromID(""), Error);
    // A new item gets an id none of the old ones had.
    auto added = reopened->AddItemFile("Inbox", DataFile("html_only.eml"));
    EXPECT_EQ(std::count(ids.begin(), ids.end(), added->EntryID()), 0);
}

TEST(MailStore, MovingOntoAnExistingNameKeepsBoth) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {"no_from.eml"});
    store->AddItemFile("Deleted Items", DataFile("no_from.eml"));
    store->AddItemFile("Deleted Items", DataFile("no_from.eml"));
    auto item = store->Items("Inbox").at(0);
    item->Move(*store->GetFolder("Deleted Items"));
    EXPECT_EQ(store->Items("Deleted Items").size(), 3u);
    EXPECT_EQ(store->PathOf(*item).filename(), "no_from (3).eml");
}

TEST(MailStore, FilesAddedOrRemovedOutsideAreNoticedAtOpen) {
    TempDir dir;
    { auto store = MakeStore(dir.Path(), {"no_from.eml"}); }
    fs::copy_file(DataFile("html_only.eml"), dir.Path() / "Inbox" / "ny.eml");
    fs::create_directories(dir.Path() / "Arkiv");
    fs::remove(dir.Path() / "Inbox" / "no_from.eml");
    // A standard folder the manifest lost is known by its name.
    std::string manifest = ReadFileText(dir.Path() / "manifest.txt");
    const auto line = manifest.find("folder\tContacts");
    std::ofstream(dir.Path() / "manifest.txt") << manifest.erase(line, manifest.find('\n', line) + 1 - line);
    auto store = MailStore::Open(dir.Path());
    EXPECT_EQ(store->GetFolder("Contacts")->DefaultMessageClass(), "IPM.Contact");
    auto items = store->Items("Inbox");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->Subject(), "Nyhedsbrev maj");
    EXPECT_EQ(store->GetFolder("Arkiv")->DefaultMessageClass(), "IPM.Note");
    // The id a file found at open was given is kept for the next open.
    const std::string id = items[0]->EntryID();
    items.clear();
    store.reset();
    EXPECT_EQ(MailStore::Open(dir.Path())->Items("Inbox").at(0)->EntryID(), id);
}

TEST(MailStore, DamagedManifestIsReportedNotGuessed) {
    TempDir dir;
    const fs::path manifest = dir.Path() / "manifest.txt";
    const std::string head = "kv-mailstore\t1\n";
    const std::string button = "button\tKorvane\tKorvane\tKorvane Import\t<!kv>\t\t1\t0\t0\t1";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"something else\n", "1: not a mail store manifest"},
        {"", "1: empty file"},
        {head + "account\tKaren\n", "2: too few fields"},
        {head + "nextid\n", "2: too few fields"},
        {head + "folder\tInbox\tIPM.Note\n", "2: too few fields"},
        {head + "item\t00A1\n", "2: too few fields"},
        {head + "bar\texplorer\tKorvane\t1\n", "2: too few fields"},
        {head + "bar\texplorer\tKorvane\t1\t1\n" + button.substr(0, button.rfind('\t')) + "\n", "3: too few fields"},
        {head + button + "\n", "2: button without a bar"},
        {head + "\r\n\nfolder\tInbox\tIPM.Note\tseks\n", "4: \"seks\" is not a number"},
        {head + "folder\tInbox\tIPM.Note\t6x\n", "2: \"6x\" is not a number"},
        {head + "folder\tInbox\tIPM.Note\t2147483648\n", "2: \"2147483648\" is not a number"},
        {head + "folder\tInbox\tIPM.Note\t-2147483649\n", "2: \"-2147483649\" is not a number"},
        {head + "mappe\tInbox\n", "2: unknown entry \"mappe\""},
    };
    for (const auto& [body, where] : cases) {
        std::ofstream(manifest, std::ios::binary | std::ios::trunc) << body;
        EXPECT_EQ(Refusal([&] { MailStore::Open(dir.Path()); }),
                  "MailStore: The store manifest " + manifest.string() + " is damaged at line " + where);
    }
    // A kept toolbar as the store writes it, numbers at both ends of their range.
    std::ofstream(manifest, std::ios::binary | std::ios::trunc)
        << head << "bar\texplorer\tKorvane\t1\t-2147483648\n"
        << "button\tKorvane\tKorvane\tKorvane Import\t<!kv>\t\t2147483647\t0\t0\t1\n";
    const auto kept = MailStore::Open(dir.Path());
    const auto bar = kept->OpenExplorer("Inbox")->GetCommandBars()->Item("Korvane");
    EXPECT_EQ(bar->Position(), INT32_MIN);
    EXPECT_EQ(bar->FindControl("Korvane")->FaceId(), INT32_MAX);
    // An item's entry a crash cut short, with no line end, is left out; what came before it holds.
    std::ofstream(manifest, std::ios::binary | std::ios::trunc) << head << "nextid\t7\nitem\t00A";
    EXPECT_EQ(MailStore::Open(dir.Path())->AddItemFile("Inbox", DataFile("no_from.eml"))->EntryID(),
              "000000004B564D530000000000000007");
    EXPECT_THROW(MailStore::Open(""), Error);
    EXPECT_THROW(MailStore::Create(dir.Path() / "x", "Karen", "karen"), Error);
}

TEST(MailWrapper, ReadsTheFieldsTheImportStores) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {"rapport_utf8.eml"});
    auto wrapper = store->CreateMailWrapper();
    EXPECT_THROW(wrapper->GetItem(), Error);
    wrapper->SetItem(store->Items("Inbox").at(0));
    EXPECT_EQ(wrapper->Subject(), "Rapport uge 20 - æøå");
    EXPECT_EQ(wrapper->SenderName(), "Åse Larsen");
    auto sender = wrapper->Sender();
    ASSERT_TRUE(sender);
    EXPECT_EQ(sender->Name(), "Åse Larsen");
    EXPECT_EQ(sender->Address(), "aase@example.net");
    EXPECT_EQ(wrapper->To(), "Søren Ærø");
    EXPECT_EQ(wrapper->Cc(), "Karen Holm; Jens Ødegaard");
    EXPECT_EQ(wrapper->Bcc(), "arkiv@tolvenor.dk");
    EXPECT_EQ(wrapper->AttachmentCount(), 2);
    EXPECT_EQ(wrapper->ReceivedTime().ToIso(), "2024-05-15 14:02:11");
    EXPECT_EQ(wrapper->SentOn().ToIso(), "2024-05-15 14:01:00");
    EXPECT_TRUE(wrapper->ResolveAll());
    EXPECT_THROW(wrapper->SaveAs((dir.Path() / "x.msg").string(), 0), Error);
}

TEST(MailWrapper, MailWithoutFromHasNoSenderEntry) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {"no_from.eml", "no_subject_priority.eml"});
    auto wrapper = store->CreateMailWrapper();
    wrapper->SetItem(ItemNamed(*store, "Inbox", "no_from.eml"));
    EXPECT_FALSE(wrapper->Sender());
    EXPECT_EQ(wrapper->SenderName(), "");
    wrapper->SetItem(ItemNamed(*store, "Inbox", "no_subject_priority.eml"));
    EXPECT_EQ(wrapper->SenderName(), "Lars");
    EXPECT_EQ(wrapper->Subject(), "");
    EXPECT_EQ(wrapper->GetItem()->Importance(), outlook::importance::High);
}

TEST(MailWrapper, DraftIsUnsentAndSendingMovesItToSentItems) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {}, StoreOptions{[] { return DateTime{2024, 6, 3, 11, 45, 0}; }});
    auto draft = store->AddItemFile("Drafts", DataFile("draft_ok.eml"));
    std::string id = draft->EntryID();
    EXPECT_FALSE(draft->Sent());
    auto wrapper = store->CreateMailWrapper();
    wrapper->SetItem(draft);
    EXPECT_FALSE(wrapper->Sender());
    EXPECT_EQ(wrapper->To(), "Birgitte Møller");
    EXPECT_TRUE(wrapper->ResolveAll());
    fs::remove(store->PathOf(*draft));
    wrapper->Save();  // writes the mail held back to its file
    EXPECT_TRUE(fs::exists(store->PathOf(*draft)));

    auto inspector = store->OpenInspector(draft);
    wrapper->Send();
    EXPECT_EQ(store->GetApplication()->GetInspectors()->Count(), 0);  // its window closed
    // The item sent is gone: every call on it, or through the wrapper, fails.
    for (const auto& call : std::vector<std::function<void()>>{
             [&] { draft->Sent(); }, [&] { draft->EntryID(); }, [&] { draft->Subject(); }, [&] { draft->Class(); },
             [&] { draft->Close(outlook::closemode::Discard); }, [&] { draft->Move(*store->GetFolder("Inbox")); },
             [&] { draft->GetApplication(); }, [&] { wrapper->Send(); }, [&] { wrapper->Body(); }}) {
        try {
            call();
            ADD_FAILURE() << "a call on the sent item succeeded";
        } catch (const Error& e) {
            EXPECT_EQ(e.Number(), outlook::hosterr::ObjectGone);
        }
    }
    EXPECT_TRUE(store->Items("Drafts").empty());
    ASSERT_EQ(store->Items("Sent Items").size(), 1u);
    auto sent = store->Items("Sent Items")[0];
    EXPECT_NE(sent, draft);
    EXPECT_TRUE(sent->Sent());
    EXPECT_EQ(sent->EntryID(), id);
    wrapper->SetItem(sent);
    EXPECT_EQ(wrapper->Body(), "Tak for tilbuddet – vi går videre.\r\n");  // sent as written
    auto sender = wrapper->Sender();
    ASSERT_TRUE(sender);
    EXPECT_EQ(sender->Address(), "karen@tolvenor.dk");
    EXPECT_EQ(wrapper->SentOn().ToIso(), "2024-06-03 11:45:00");
    EXPECT_NO_THROW(sent->Close(outlook::closemode::Discard));
    EXPECT_THROW(wrapper->Send(), Error);
    // What went out is on disk: reopening sees a sent mail from the account.
    store.reset();
    auto reopened = MailStore::Open(dir.Path());
    auto again = reopened->GetApplication()->GetNamespace("MAPI")->GetItemFromID(id);
    EXPECT_TRUE(again->Sent());
    EXPECT_EQ(reopened->PathOf(*again).parent_path().filename(), "Sent Items");
}

TEST(MailWrapper, UnresolvableRecipientStopsResolveAndSend) {
    TempDir dir;
    auto store = MakeStore(dir.Path());
    auto draft = store->AddItemFile("Drafts", DataFile("draft_bad.eml"));
    auto wrapper = store->CreateMailWrapper();
    wrapper->SetItem(draft);
    EXPECT_FALSE(wrapper->ResolveAll());
    EXPECT_EQ(Refusal([&] { wrapper->Send(); }), "MailWrapper: Not every recipient has a valid address");
    EXPECT_EQ(store->Items("Drafts").size(), 1u);
    EXPECT_TRUE(store->Items("Sent Items").empty());
}

TEST(MailWrapper, DraftMovedOutOfDraftsStaysUnsent) {
    TempDir dir;
    auto store = MakeStore(dir.Path());
    auto draft = store->AddItemFile("Drafts", DataFile("draft_ok.eml"));
    draft->Move(*store->GetFolder("Inbox"));
    EXPECT_FALSE(draft->Sent());
    EXPECT_EQ(draft->ReceivedTime().year, 4501);  // no date yet
    // A received mail without a date was sent on Outlook's "no date" too.
    auto wrapper = store->CreateMailWrapper();
    wrapper->SetItem(store->AddItemFile("Inbox", DataFile("corpus/07_undated.eml")));
    EXPECT_EQ(wrapper->SentOn(), (DateTime{4501, 1, 1, 0, 0, 0}));
}

// A mail uploaded as bytes reads as the same file does in the store, and
// saves as the same .msg: a draft by its own flag, a mail without Date and
// Received dated by its arrival.
TEST(UploadedMail, ReadsAndSavesAsTheStoreDoes) {
    TempDir dir;
    auto store = MakeStore(dir.Path() / "store");
    std::ofstream(dir.Path() / "kladde.eml", std::ios::binary)
        << "X-Unsent: 1\r\nDate: Mon, 03 Jun 2024 08:00:00 +0000\r\nTo: a@b.dk\r\nSubject: Kladde\r\n\r\nx\r\n";
    const std::chrono::sys_seconds arrival =
        std::chrono::sys_days{std::chrono::year{2024} / 6 / 3} + std::chrono::hours{9};
    const auto fields = [](outlook::MailWrapper& mail) {
        const auto item = mail.GetItem();
        const auto sender = mail.Sender();
        return std::vector<std::string>{mail.Subject(),
                                        mail.SenderName(),
                                        sender ? sender->Address() : "",
                                        mail.To(),
                                        mail.Cc(),
                                        mail.Bcc(),
                                        mail.Body(),
                                        std::to_string(mail.AttachmentCount()),
                                        std::to_string(mail.Recipients().size()),
                                        mail.ReceivedTime().ToIso(),
                                        mail.SentOn().ToIso(),
                                        item->Subject(),
                                        std::to_string(item->Sent()),
                                        item->ReceivedTime().ToIso(),
                                        std::to_string(item->Importance()),
                                        std::to_string(item->Class())};
    };
    UploadedMailWrappers uploads;
    for (const fs::path& eml : {DataFile("rapport_utf8.eml"), DataFile("no_subject_priority.eml"),
                                DataFile("corpus/07_undated.eml"), dir.Path() / "kladde.eml"}) {
        auto stored = store->CreateMailWrapper();
        auto item = store->AddItemFile("Inbox", eml);
        fs::last_write_time(store->PathOf(*item), fs::file_time_type::clock::from_sys(arrival));
        stored->SetItem(item);
        auto uploaded = uploads.CreateMailWrapper();
        uploaded->SetItem(ReadUploadedMail(ReadFileText(eml), DateTime{2024, 6, 3, 9, 0, 0}));
        EXPECT_EQ(fields(*uploaded), fields(*stored)) << eml;
        stored->SaveAs((dir.Path() / "stored.msg").string(), outlook::SaveAsMsg);
        uploaded->SaveAs((dir.Path() / "uploaded.msg").string(), outlook::SaveAsMsgUnicode);
        EXPECT_EQ(ReadFileText(dir.Path() / "uploaded.msg"), ReadFileText(dir.Path() / "stored.msg")) << eml;
    }
}

// What the store refuses it names, as kvimport shows it to the user.
TEST(MailStore, RefusalsSayWhatWasRefused) {
    TempDir dir;
    auto store = MakeStore(dir.Path() / "store", {"rapport_utf8.eml", "no_from.eml"});
    std::ofstream(dir.Path() / "noter.txt") << "x";
    std::ofstream(dir.Path() / "kladde.eml") << "X-Unsent: 1\r\nSubject: kladde\r\n\r\nx";
    auto item = ItemNamed(*store, "Inbox", "rapport_utf8.eml");
    auto unread = ItemNamed(*store, "Inbox", "no_from.eml");
    const fs::path unreadFile = store->PathOf(*unread);
    auto wrapper = store->CreateMailWrapper();
    wrapper->SetItem(item);
    auto sender = wrapper->Sender();
    sender->Close();
    const fs::path file = store->PathOf(*item);
    UploadedMailWrappers uploads;
    auto upload = ReadUploadedMail(ReadFileText(file), std::nullopt);
    auto uploaded = uploads.CreateMailWrapper();
    uploaded->SetItem(upload);
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { store->AddItemFile("Inbox", dir.Path() / "noter.txt"); },
         "MailStore: Not a mail, appointment or contact file: " + (dir.Path() / "noter.txt").string()},
        {[&] { MailStore::Open(dir.Path() / "noter.txt"); },
         "MailStore: Cannot open the mail store " + (dir.Path() / "noter.txt").string()},
        {[&] { sender->Name(); }, "MailStore: The address entry is closed"},
        {[&] { store->AddFolder("a/b", "IPM.Note"); }, "MailStore: Invalid folder name \"a/b\""},
        {[&] { store->GetFolder("Findes ikke"); }, "MailStore: No folder named \"Findes ikke\""},
        {[&] { store->OpenInspector(nullptr); }, "MailStore: No item to open"},
        {[&] { store->OpenInspector(ReadUploadedMail(ReadFileText(unreadFile), std::nullopt)); },
         "MailStore: The item is not one of this store"},
        {[&] { wrapper->Send(); }, "MailWrapper: The mail has been sent already"},
        {[&] {
             auto draft = store->CreateMailWrapper();
             draft->SetItem(store->AddItemFile("Drafts", dir.Path() / "kladde.eml"));
             draft->Send();
         },
         "MailWrapper: There must be at least one recipient"},
        {[&] {
             auto unnamed = MailStore::Open(dir.Path() / "uden konto");
             auto draft = unnamed->CreateMailWrapper();
             draft->SetItem(unnamed->AddItemFile("Drafts", DataFile("draft_ok.eml")));
             draft->Send();
         },
         "MailWrapper: The store has no account to send from"},
        {[&] {
             fs::remove(unreadFile);
             store->CreateMailWrapper()->SetItem(unread);
         },
         "MailStore: The item's file " + unreadFile.string() + " is missing or not a file of the store"},
        {[&] { wrapper->SaveAs("", outlook::SaveAsMsg); }, "MailWrapper: No file name to save the mail to"},
        {[&] { uploaded->SaveAs("", outlook::SaveAsMsg); }, "MailWrapper: No file name to save the mail to"},
        {[&] { uploaded->SaveAs(file.string(), 99); }, "MailWrapper: Unsupported save format 99"},
        {[&] { uploads.CreateMailWrapper()->SetItem(item); }, "UploadedMail: The item is not an uploaded mail"},
        {[&] { uploads.CreateMailWrapper()->Body(); }, "MailWrapper: No mail is attached to the wrapper"},
        // An uploaded mail is in no folder and no application, and is not sent from here.
        {[&] { upload->Move(*store->GetFolder("Inbox")); },
         "UploadedMail: Object doesn't support this property or method: Move"},
        {[&] { upload->GetApplication(); },
         "UploadedMail: Object doesn't support this property or method: Application"},
        {[&] { uploaded->Send(); }, "UploadedMail: Object doesn't support this property or method: Send"},
        {[&] { uploaded->ResolveAll(); }, "UploadedMail: Object doesn't support this property or method: ResolveAll"},
        // The item's file replaced by a folder: its changes cannot be written back.
        {[&] {
             fs::remove(file);
             fs::create_directories(file / "x");
             wrapper->Save();
         },
         "MailStore: Cannot write " + file.string() + ": Is a directory"},
        // The manifest replaced by a folder: a change cannot be saved over it.
        {[&] {
             fs::remove(dir.Path() / "store" / "manifest.txt");
             fs::create_directories(dir.Path() / "store" / "manifest.txt" / "x");
             store->AddFolder("Ny", "IPM.Note");
         },
         "MailStore: Cannot replace the store manifest " + (dir.Path() / "store" / "manifest.txt").string() +
             ": Is a directory"},
        {[&] {
             auto app = MakeStore(dir.Path() / "lukket")->GetApplication();  // the store is gone after this line
             app->GetNamespace("MAPI");
         },
         "MailStore: The mail store is closed"},
    };
    for (const auto& [refused, words] : cases) EXPECT_EQ(Refusal(refused), words);
}

TEST(MailStore, ObjectsOutlivingTheStoreFailCleanly) {
    TempDir dir;
    auto store = MakeStore(dir.Path(), {"no_from.eml"});
    auto item = store->Items("Inbox").at(0);
    auto app = store->GetApplication();
    auto wrapper = store->CreateMailWrapper();
    wrapper->SetItem(item);
    store.reset();
    EXPECT_EQ(item->Class(), outlook::itemclass::Mail);
    EXPECT_THROW(item->Subject(), Error);
    EXPECT_THROW(app->GetNamespace("MAPI"), Error);
    EXPECT_THROW(wrapper->Body(), Error);
}

}  // namespace
}  // namespace kv::mailstore::test
