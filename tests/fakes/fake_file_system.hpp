#pragma once
// An in-memory file system with injected faults, for what a test cannot
// provoke on a real disk when run as root: a share that is down, a folder
// that may not be listed or written, a folder removed after the tree was
// built. Paths use the platform separator, like the real adapter.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/file_system.hpp"
#include "support/error.hpp"

namespace kv::fakes {

// The path style of the platform the tests run on: the real file system's,
// which tests that mix the two compare with.
const PathStyle& HostPaths();

class FakeFileSystem : public FileSystem {
public:
    const PathStyle& Paths() const override { return HostPaths(); }
    // The world. AddFolder and AddFile create missing parent folders.
    void AddFolder(const std::string& path);
    void AddFile(const std::string& path, std::int64_t size);
    // Removes a folder with everything in it, or a file.
    void Remove(const std::string& path);
    bool FolderExists(const std::string& path) const;

    // Faults. An unreachable path (and everything under it) behaves like a
    // share that is down: every operation there fails with Path not found.
    void SetUnreachable(const std::string& path);
    // Folders in a denied folder can be opened by path but not listed, and
    // nothing can be created in it (Permission denied).
    void DenyAccess(const std::string& path);
    // The next call of operation ("GetFolder", "SubFolders", "AddSubFolder",
    // "FileExists", "FileSize", "FlushFile", "MoveFileNoReplace",
    // "RemoveFile") fails with error, once.
    void FailNext(const std::string& operation, Error error);
    void ClearFaults();

    // How often each operation was called (by name, as above).
    int Calls(const std::string& operation) const;

    Folder GetFolder(const std::string& path) override;
    std::vector<Folder> SubFolders(const Folder& folder) override;
    // Reads nothing ahead; the paths asked for are kept, in order.
    std::unique_ptr<TreeReadAhead> ReadFolderTreeAhead(const std::string& path) override;
    const std::vector<std::string>& AheadPaths() const { return aheadPaths_; }
    Folder AddSubFolder(const Folder& folder, const std::string& name) override;
    bool FileExists(const std::string& path) override;
    std::int64_t FileSize(const std::string& path) override;
    void FlushFile(const std::string& path) override;
    bool MoveFileNoReplace(const std::string& from, const std::string& to) override;
    void RemoveFile(const std::string& path) override;

private:
    struct Entry {
        bool folder = true;
        std::int64_t size = 0;
    };
    static std::string Normalise(const std::string& path);
    static std::string Parent(const std::string& path);
    bool Under(const std::string& path, const std::vector<std::string>& roots) const;
    void Enter(const std::string& operation);
    void CheckReachable(const std::string& path) const;

    std::map<std::string, Entry> entries_;
    std::vector<std::string> unreachable_;
    std::vector<std::string> denied_;
    std::map<std::string, Error> failNext_;
    std::map<std::string, int> calls_;
    std::vector<std::string> aheadPaths_;
};

}  // namespace kv::fakes
