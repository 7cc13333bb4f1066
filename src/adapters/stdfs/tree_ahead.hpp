#pragma once
// A folder's sub-folders and theirs, read on a thread of its own while the
// caller does other work, for the calls that show the folder expanded.
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "ports/file_system.hpp"
#include "stdfs/read_ahead.hpp"

namespace kv::stdfs {

class TreeAhead final : public FileSystem::TreeReadAhead {
public:
    // The folder opened and its sub-folders listed, as GetFolder and
    // SubFolders give them.
    using RootReader = std::function<std::vector<Folder>(Folder& opened)>;
    // A reader of the folders at paths, by index.
    using ReaderMaker = std::function<FolderReader(const std::vector<std::string>& paths)>;

    TreeAhead(std::string path, RootReader readRoot, ReaderMaker makeReader);
    // Stops the reading after its current folder and waits for it.
    ~TreeAhead() override;
    TreeAhead(const TreeAhead&) = delete;
    TreeAhead& operator=(const TreeAhead&) = delete;

    // The sub-folders of the folder at path as read ahead, once; nothing
    // when path is another folder, or reading it failed (the caller's own
    // reading tells the failure).
    std::optional<std::vector<Folder>> TakeRoot(const std::string& path);
    // True when every path is a sub-folder read ahead, in the order read
    // and none taken before: then Take hands them on.
    bool Serves(const std::vector<std::string>& paths);
    // The sub-folders of a path Serves accepted; throws what reading it threw.
    std::vector<Folder> Take(const std::string& path);

private:
    void Read(const RootReader& readRoot);
    void WaitForRoot();
    FolderReader NotingFailures();

    const std::string path_;
    const ReaderMaker makeReader_;
    std::mutex mutex_;
    std::condition_variable rootRead_;
    bool rootDone_ = false;
    bool stopped_ = false;
    std::optional<Folder> root_;  // the folder opened, unless that failed
    std::optional<std::vector<Folder>> rootFolders_;
    std::vector<std::string> paths_;  // the root's sub-folders
    std::unordered_map<std::string, std::size_t> indexOf_;
    std::vector<std::exception_ptr> failures_;  // by index, each set by its reader
    std::size_t taken_ = 0;                     // indexes below this are gone
    std::unique_ptr<SharedReading> reading_;
    FolderReader own_;
    std::thread thread_;  // last: started once the rest is there
};

}  // namespace kv::stdfs
