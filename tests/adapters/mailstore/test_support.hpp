#pragma once
// Temporary folders, sample files and outside programs for the mail store tests.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "adapters/mailstore/mail_store.hpp"

namespace kv::mailstore::test {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/kv-mailstore-XXXXXX";
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// Dates are local times; every test program of the store pins the zone
// before any test runs.
inline const bool kZonePinned = [] {
    setenv("TZ", "Europe/Copenhagen", 1);
    tzset();
    return true;
}();

inline fs::path DataFile(const std::string& name) { return fs::path(KV_MAILSTORE_DATA_DIR) / name; }

inline std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline Bytes ReadBytes(const fs::path& path) {
    std::string text = ReadAll(path);
    return Bytes(text.begin(), text.end());
}

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

// Runs a shell command; its output (stderr too) and exit status.
inline std::string Shell(const std::string& command, int* status) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return output;
    char buffer[65536];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    *status = pclose(pipe);
    return output;
}

inline std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The independent .msg reader beside these tests (standard library only).
inline std::string Checker() { return Quote(KV_PYTHON) + " " + Quote(KV_MAILSTORE_TEST_DIR "/msg_check.py"); }

// The .msg against the .eml it was saved from, for both outside readers:
// msg_check.py field by field, and msgconvert's rendering as a third reading.
// arrival: the UTC time the store gave a mail without Date and Received.
inline void ExpectMsgMatchesEml(const fs::path& eml, const fs::path& msg, const std::string& arrival = "") {
    if (std::string(KV_PYTHON).empty()) GTEST_SKIP() << "python3 is not installed";
    std::string command = Checker() + " compare " + Quote(eml.string()) + " " + Quote(msg.string());
    if (!arrival.empty()) command += " --arrival " + arrival;
    int status = 0;
    if (std::string(KV_MSGCONVERT).size() > 0) {
        fs::path converted = msg.parent_path() / (msg.stem().string() + ".converted.eml");
        std::string out = Shell(
            Quote(KV_MSGCONVERT) + " --outfile " + Quote(converted.string()) + " " + Quote(msg.string()), &status);
        ASSERT_EQ(status, 0) << out;
        // A directory left as a long sibling chain makes its reader recurse deeply.
        EXPECT_EQ(out.find("Deep recursion"), std::string::npos) << out.substr(0, 300);
        command += " --converted " + Quote(converted.string());
    }
    std::string out = Shell(command, &status);
    EXPECT_EQ(status, 0) << out;
}

}  // namespace kv::mailstore::test
