#pragma once
// Many folders listed by two threads, handed on in order by the caller's.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "ports/file_system.hpp"

namespace kv::stdfs {

// The sub-folders of the folder at an index; throws its failure.
using FolderReader = std::function<std::vector<Folder>(std::size_t index)>;

// The folders at indexes 0 to count - 1, read a run at a time by whichever
// thread claims the run first, and taken by one caller in rising order.
class SharedReading {
public:
    explicit SharedReading(std::size_t count);
    // Stops the readers after their current folder and waits for the helper.
    ~SharedReading();
    SharedReading(const SharedReading&) = delete;
    SharedReading& operator=(const SharedReading&) = delete;

    // A thread of its own reading the runs nobody claimed; without one to be
    // had the caller reads every run itself.
    void StartHelper(FolderReader read);
    // Reads the runs nobody claimed, on the calling thread, until none is
    // left or Stop.
    void Help(const FolderReader& read);
    void Stop() { stop_ = true; }
    // The sub-folders of the folder at index, indexes rising; own reads the
    // runs nobody claimed meanwhile. Throws the failure of the folder at
    // index, or of the first one before it in its run that failed.
    std::vector<Folder> Take(std::size_t index, const FolderReader& own);

private:
    struct Run {
        std::vector<std::vector<Folder>> lists;  // up to the first failure
        std::exception_ptr failure;
        bool done = false;
    };

    // Reads the next run nobody claimed; false when none is left.
    bool ReadRun(const FolderReader& read);

    const std::size_t count_;
    std::vector<Run> runs_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable ready_;
    std::thread helper_;
};

// Calls each(i, read(i)) for i from 0 to count - 1, in order and on the
// calling thread, while a helper thread with a reader of its own (each
// thread gets one from makeReader) reads the folders ahead: an expanded
// folder's time is mostly the kernel's, opening and reading each sub-folder.
// Stops at the first folder whose read fails, with its failure, after
// handing on those before it; folders read beyond it are dropped.
void ReadEachAhead(std::size_t count, const std::function<FolderReader()>& makeReader,
                   const FileSystem::FolderListing& each);

}  // namespace kv::stdfs
