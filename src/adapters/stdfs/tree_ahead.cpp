#include "stdfs/tree_ahead.hpp"

#include <system_error>
#include <utility>

namespace kv::stdfs {

TreeAhead::TreeAhead(std::string path, RootReader readRoot, ReaderMaker makeReader)
    : path_(std::move(path)), makeReader_(std::move(makeReader)) {
    try {
        thread_ = std::thread([this, readRoot = std::move(readRoot)] { Read(readRoot); });
    } catch (const std::system_error&) {
        // No thread to be had: nothing is read ahead, and every call reads.
        const std::lock_guard guard(mutex_);
        rootDone_ = true;
    }
}

TreeAhead::~TreeAhead() {
    {
        const std::lock_guard guard(mutex_);
        stopped_ = true;
        if (reading_) reading_->Stop();
    }
    if (thread_.joinable()) thread_.join();
}

void TreeAhead::Read(const RootReader& readRoot) {
    std::optional<Folder> root;
    std::optional<std::vector<Folder>> folders;
    try {
        Folder opened;
        folders = readRoot(opened);
        root = std::move(opened);
    } catch (...) {
        // Left to the caller, who reads the folder again and meets it there.
    }
    FolderReader read;
    {
        const std::lock_guard guard(mutex_);
        root_ = std::move(root);
        if (folders && !stopped_) {
            for (const Folder& sub : *folders) {
                indexOf_.emplace(sub.Path(), paths_.size());
                paths_.push_back(sub.Path());
            }
            failures_.resize(paths_.size());
            read = NotingFailures();
            reading_ = std::make_unique<SharedReading>(paths_.size());
        }
        rootFolders_ = std::move(folders);
        rootDone_ = true;
    }
    rootRead_.notify_all();
    if (read) reading_->Help(read);
}

FolderReader TreeAhead::NotingFailures() {
    // A folder that fails is noted and the reading goes on: the caller may
    // never ask for it.
    return [this, inner = makeReader_(paths_)](std::size_t i) {
        try {
            return inner(i);
        } catch (...) {
            failures_[i] = std::current_exception();
            return std::vector<Folder>();
        }
    };
}

void TreeAhead::WaitForRoot() {
    std::unique_lock lock(mutex_);
    rootRead_.wait(lock, [&] { return rootDone_; });
}

std::optional<std::vector<Folder>> TreeAhead::TakeRoot(const std::string& path) {
    WaitForRoot();
    const std::lock_guard guard(mutex_);
    if (!root_ || root_->Path() != path || !rootFolders_) return std::nullopt;
    std::optional<std::vector<Folder>> folders = std::move(rootFolders_);
    rootFolders_.reset();
    return folders;
}

bool TreeAhead::Serves(const std::vector<std::string>& paths) {
    WaitForRoot();
    const std::lock_guard guard(mutex_);
    if (!reading_) return false;
    std::size_t next = taken_;
    for (const std::string& path : paths) {
        const auto it = indexOf_.find(path);
        if (it == indexOf_.end() || it->second < next) return false;
        next = it->second + 1;
    }
    return true;
}

std::vector<Folder> TreeAhead::Take(const std::string& path) {
    const std::size_t index = indexOf_.at(path);
    if (!own_) own_ = NotingFailures();
    std::vector<Folder> folders = reading_->Take(index, own_);
    taken_ = index + 1;
    if (failures_[index]) std::rethrow_exception(failures_[index]);
    return folders;
}

}  // namespace kv::stdfs
