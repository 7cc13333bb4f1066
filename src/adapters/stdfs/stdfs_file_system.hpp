#pragma once
// The file-system port on the local file system and mounted shares.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ports/file_system.hpp"

namespace kv::stdfs {

class TreeAhead;

class StdFileSystem : public FileSystem {
public:
    // Windows' separator and name limits where built for it, POSIX's elsewhere.
    const PathStyle& Paths() const override;
    Folder GetFolder(const std::string& path) override;
    std::vector<Folder> SubFolders(const Folder& folder) override;
#ifndef _WIN32
    // Sub-folders of one parent opened relative to it: one name looked up
    // per folder, not its whole path twice.
    void ListEachFolder(const std::vector<std::string>& paths, const FolderListing& each) override;
    // Reads on a thread of its own: the folder's sub-folders, then theirs.
    std::unique_ptr<TreeReadAhead> ReadFolderTreeAhead(const std::string& path) override;
#endif
    Folder AddSubFolder(const Folder& folder, const std::string& name) override;
    bool FileExists(const std::string& path) override;
    std::int64_t FileSize(const std::string& path) override;
    void FlushFile(const std::string& path) override;
    bool MoveFileNoReplace(const std::string& from, const std::string& to) override;
    void RemoveFile(const std::string& path) override;

private:
    // SubFolders without a look at what was read ahead.
    std::vector<Folder> ReadSubFolders(const Folder& folder);
#ifndef _WIN32
    std::function<std::vector<Folder>(std::size_t index)> RelativeReader(const std::vector<std::string>& paths);
    std::shared_ptr<TreeAhead> Ahead();
    // The reading ahead when it serves paths, no longer this file system's.
    std::shared_ptr<TreeAhead> TakeAheadServing(const std::vector<std::string>& paths);
    void DropAhead();

    std::mutex aheadMutex_;
    // What the caller of ReadFolderTreeAhead holds, while it does.
    std::weak_ptr<TreeAhead> ahead_;
#endif
};

}  // namespace kv::stdfs
