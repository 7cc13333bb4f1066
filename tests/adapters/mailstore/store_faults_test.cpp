// The store under faults: other processes on the same store, links that
// lead out of it, and what a killed writer leaves behind.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "adapters/mailstore/uploaded_mail.hpp"
#include "fakes/open_files.hpp"
#include "test_support.hpp"

namespace kv::mailstore::test {
namespace {

// Several processes opening, changing and closing one store at once: each
// gets the store to itself in turn, and every change is kept.
TEST(StoreFaults, ProcessesOpeningOneStoreTakeTurns) {
    TempDir dir;
    MakeStore(dir.Path());
    std::ofstream(dir.Path() / "manifest.txt.99999-1.new") << "what a killed save left";
    constexpr int kProcesses = 4, kRounds = 15;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid > 0) {
            children.push_back(pid);
            continue;
        }
        int code = 0;
        try {
            for (int round = 0; round < kRounds; ++round)
                MailStore::Open(dir.Path())
                    ->AddFolder("P" + std::to_string(p) + "-" + std::to_string(round), "IPM.Note");
        } catch (const std::exception& e) {
            fprintf(stderr, "process %d: %s\n", p, e.what());
            code = 1;
        }
        _exit(code);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    auto store = MailStore::Open(dir.Path());
    for (int p = 0; p < kProcesses; ++p)
        for (int round = 0; round < kRounds; ++round)
            EXPECT_NO_THROW(store->GetFolder("P" + std::to_string(p) + "-" + std::to_string(round)));
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".new"), std::string::npos) << entry.path();
}

// Links are not mails of the store, wherever they lead: a link to a mail
// outside, to one inside, a linked folder; nor is a file that became a link
// since the store was opened.
TEST(StoreFaults, LinksAreNoItemsOfTheStore) {
    TempDir dir, outside;
    const fs::path store = dir.Path() / "mail";
    fs::copy_file(DataFile("tilbud_iso8859.eml"), outside.Path() / "secret.eml");
    auto opened = MakeStore(store, {"tilbud_iso8859.eml"});
    fs::create_directory_symlink(outside.Path(), store / "Linked");
    fs::create_symlink(outside.Path() / "secret.eml", store / "Inbox" / "out.eml");
    fs::create_symlink(store / "Inbox" / "tilbud_iso8859.eml", store / "Inbox" / "in.eml");
    const auto filesBefore = fakes::OpenFiles();
    EXPECT_FALSE(opened->Items("Inbox").at(0)->Subject().empty());
    opened.reset();

    auto reopened = MailStore::Open(store);
    ASSERT_EQ(reopened->Items("Inbox").size(), 1u);
    EXPECT_EQ(reopened->PathOf(*reopened->Items("Inbox")[0]).filename(), "tilbud_iso8859.eml");
    EXPECT_THROW(reopened->GetFolder("Linked"), Error);

    auto item = reopened->Items("Inbox")[0];
    const fs::path file = store / "Inbox" / "tilbud_iso8859.eml";
    fs::remove(file);
    fs::create_symlink(outside.Path() / "secret.eml", file);
    EXPECT_THROW(item->Subject(), Error);
    // Nor a pipe, which no one may make the store wait on, nor a socket,
    // which cannot even be opened.
    fs::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    EXPECT_THROW(item->Subject(), Error);
    fs::remove(file);
    sockaddr_un address{AF_UNIX, {}};
    file.string().copy(address.sun_path, sizeof address.sun_path - 1);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(Refusal([&] { item->Subject(); }),
              "MailStore: The item's file " + file.string() + " could not be read: No such device or address");
    ::close(listener);
    EXPECT_EQ(fakes::OpenFiles(), filesBefore);  // read or refused, no file stays open
}

// A save into a folder first clears what saves killed there long ago left:
// the .msg writer's and the import's temporary files, by their names. A
// file of that name still being written, or anyone else's, stays.
TEST(StoreFaults, ASaveClearsStaleTemporaryFilesOfEarlierSaves) {
    TempDir dir;
    auto store = MakeStore(dir.Path() / "mail", {"tilbud_iso8859.eml"});
    const fs::path job = dir.Path() / "job";
    fs::create_directory(job);
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
    const struct {
        const char* name;
        bool stale, removed;
    } cases[] = {
        {".gsf-save-Ab12Cd", true, true},           {"~kv0123456789ab.tmp.part", true, true},
        {"~kv0123456789ab.tmp", true, true},        {".gsf-save-Zz9999", false, false},  // a save under way
        {"~kvabcdef012345.tmp.part", false, false}, {"rapport.tmp.part", true, false},   // not ours
        {".gsf-save-notes.txt", true, false},       {"~kv0123456789ab.msg", true, false},
    };
    for (const auto& c : cases) {
        std::ofstream(job / c.name) << "x";
        if (c.stale) fs::last_write_time(job / c.name, old);
    }
    std::ofstream(dir.Path() / "elsewhere") << "x";
    fs::last_write_time(dir.Path() / "elsewhere", old);
    fs::create_symlink(dir.Path() / "elsewhere", job / ".gsf-save-Ln0000");  // a link: no file of ours

    auto saver = store->CreateMailWrapper();
    saver->SetItem(store->Items("Inbox")[0]);
    saver->SaveAs((job / "Tilbud.msg").string(), outlook::SaveAsMsgUnicode);
    for (const auto& c : cases) EXPECT_EQ(fs::exists(job / c.name), !c.removed) << c.name;
    EXPECT_TRUE(fs::is_symlink(job / ".gsf-save-Ln0000"));
    EXPECT_TRUE(fs::is_regular_file(job / "Tilbud.msg"));
    // Sweeps are few: a store sweeps a folder once, an upload's save once an hour.
    auto uploaded = UploadedMailWrappers().CreateMailWrapper();
    uploaded->SetItem(ReadUploadedMail(ReadFileText(DataFile("tilbud_iso8859.eml")), std::nullopt));
    for (const auto& [wrapper, sweeps] :
         {std::pair{saver.get(), false}, {uploaded.get(), true}, {uploaded.get(), false}}) {
        std::ofstream(job / cases[0].name) << "x";
        fs::last_write_time(job / cases[0].name, old);
        wrapper->SaveAs((job / "Tilbud.msg").string(), outlook::SaveAsMsg);
        EXPECT_EQ(fs::exists(job / cases[0].name), !sweeps);
    }
}

}  // namespace
}  // namespace kv::mailstore::test
