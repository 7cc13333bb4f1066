#pragma once
// Temporary folders, sample files and outside programs for the mail store tests.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "adapters/mailstore/mail_store.hpp"
#include "fakes/file_text.hpp"
#include "fakes/run_command.hpp"
#include "fakes/temp_dir.hpp"

namespace kv::mailstore::test {

namespace fs = std::filesystem;

using fakes::ReadFileText;
using fakes::RunCommand;
using fakes::ShellWord;
using fakes::TempDir;

// Dates are local times; every test program of the store pins the zone
// before any test runs.
inline const bool kZonePinned = [] {
    setenv("TZ", "Europe/Copenhagen", 1);
    tzset();
    return true;
}();

inline fs::path DataFile(const std::string& name) { return fs::path(KV_MAILSTORE_DATA_DIR) / name; }

// A store with the account Karen Holm and the given sample files in Inbox.
inline std::shared_ptr<MailStore> MakeStore(const fs::path& dir, std::initializer_list<const char*> inbox = {},
                                            StoreOptions options = {}) {
    auto store = MailStore::Create(dir, "Karen Holm", "karen@tolvenor.dk", std::move(options));
    for (const char* name : inbox) store->AddItemFile("Inbox", DataFile(name));
    return store;
}

inline std::shared_ptr<outlook::Item> ItemNamed(MailStore& store, const std::string& folder, const std::string& file) {
    for (auto& item : store.Items(folder))
        if (store.PathOf(*item).filename() == file) return item;
    ADD_FAILURE() << "no item " << file << " in " << folder;
    return nullptr;
}

// "Source: description" of the error refused throws; "" when it throws none.
inline std::string Refusal(const std::function<void()>& refused) {
    try {
        refused();
    } catch (const Error& e) {
        return e.Source() + ": " + e.Description();
    }
    return "";
}

// The independent .msg reader beside these tests.
inline std::string Checker() { return ShellWord(KV_PYTHON) + " " + ShellWord(KV_MAILSTORE_TEST_DIR "/msg_check.py"); }

// The .msg against the .eml it was saved from, for both outside readers:
// msg_check.py field by field, and msgconvert's rendering as a third reading.
// arrival: the UTC time the store gave a mail without Date and Received.
inline void ExpectMsgMatchesEml(const fs::path& eml, const fs::path& msg, const std::string& arrival = "") {
    if (std::string(KV_PYTHON).empty()) GTEST_SKIP() << "python3 with olefile is not installed";
    std::string command = Checker() + " compare " + ShellWord(eml.string()) + " " + ShellWord(msg.string());
    if (!arrival.empty()) command += " --arrival " + arrival;
    if (std::string(KV_MSGCONVERT).size() > 0) {
        fs::path converted = msg.parent_path() / (msg.stem().string() + ".converted.eml");
        const auto [status, out] = RunCommand(ShellWord(KV_MSGCONVERT) + " --outfile " + ShellWord(converted.string()) +
                                              " " + ShellWord(msg.string()));
        ASSERT_EQ(status, 0) << out;
        // A directory left as a long sibling chain makes its reader recurse deeply.
        EXPECT_EQ(out.find("Deep recursion"), std::string::npos) << out.substr(0, 300);
        command += " --converted " + ShellWord(converted.string());
    }
    const auto [status, out] = RunCommand(command);
    EXPECT_EQ(status, 0) << out;
}

}  // namespace kv::mailstore::test
