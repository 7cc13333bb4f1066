#pragma once
// Temporary folders, sample files and outside programs for the mail store tests.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
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

}  // namespace kv::mailstore::test
