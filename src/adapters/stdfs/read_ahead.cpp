#include "stdfs/read_ahead.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace kv::stdfs {

namespace {

// Folders are claimed a run at a time, so the threads meet rarely.
constexpr std::size_t kRun = 32;

class SharedReading {
public:
    SharedReading(std::size_t count, const std::function<FolderReader()>& makeReader)
        : count_(count), runs_((count + kRun - 1) / kRun) {
        try {
            helper_ = std::thread([this, read = makeReader()] {
                while (!stop_ && ReadRun(read)) {}
            });
        } catch (const std::system_error&) {
            // No thread to be had: the caller reads every run itself.
        }
    }
    ~SharedReading() {
        stop_ = true;
        if (helper_.joinable()) helper_.join();
    }
    SharedReading(const SharedReading&) = delete;
    SharedReading& operator=(const SharedReading&) = delete;

    // The sub-folders of the folder at index, indexes rising from 0; own
    // reads the runs the helper has not claimed.
    std::vector<Folder> Take(std::size_t index, const FolderReader& own) {
        Run& run = runs_[index / kRun];
        std::unique_lock lock(mutex_);
        while (!run.done) {
            lock.unlock();
            const bool read = ReadRun(own);
            lock.lock();
            if (!read) ready_.wait(lock, [&] { return run.done; });
        }
        lock.unlock();
        const std::size_t at = index % kRun;
        if (at < run.lists.size()) return std::move(run.lists[at]);
        std::rethrow_exception(run.failure);
    }

private:
    struct Run {
        std::vector<std::vector<Folder>> lists;  // up to the first failure
        std::exception_ptr failure;
        bool done = false;
    };

    // Reads the next run nobody claimed; false when none is left.
    bool ReadRun(const FolderReader& read) {
        const std::size_t r = next_.fetch_add(1);
        if (r >= runs_.size()) return false;
        Run run;
        for (std::size_t i = r * kRun; i < std::min(count_, (r + 1) * kRun) && !stop_; ++i) {
            try {
                run.lists.push_back(read(i));
            } catch (...) {
                run.failure = std::current_exception();
                break;
            }
        }
        const std::lock_guard guard(mutex_);
        run.done = true;
        runs_[r] = std::move(run);
        ready_.notify_all();
        return true;
    }

    const std::size_t count_;
    std::vector<Run> runs_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable ready_;
    std::thread helper_;  // last: started once the rest is there
};

}  // namespace

void ReadEachAhead(std::size_t count, const std::function<FolderReader()>& makeReader,
                   const FileSystem::FolderListing& each) {
    const FolderReader own = makeReader();
    SharedReading reading(count, makeReader);
    for (std::size_t i = 0; i < count; ++i) each(i, reading.Take(i, own));
}

}  // namespace kv::stdfs
