#include "stdfs/read_ahead.hpp"

#include <algorithm>
#include <system_error>

namespace kv::stdfs {

namespace {

// Folders are claimed a run at a time, so the threads meet rarely.
constexpr std::size_t kRun = 32;

}  // namespace

SharedReading::SharedReading(std::size_t count) : count_(count), runs_((count + kRun - 1) / kRun) {}

SharedReading::~SharedReading() {
    stop_ = true;
    if (helper_.joinable()) helper_.join();
}

void SharedReading::StartHelper(FolderReader read) {
    try {
        helper_ = std::thread([this, read = std::move(read)] { Help(read); });
    } catch (const std::system_error&) {
        // No thread to be had: the caller reads every run itself.
    }
}

void SharedReading::Help(const FolderReader& read) {
    while (!stop_ && ReadRun(read)) {}
}

std::vector<Folder> SharedReading::Take(std::size_t index, const FolderReader& own) {
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

bool SharedReading::ReadRun(const FolderReader& read) {
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

void ReadEachAhead(std::size_t count, const std::function<FolderReader()>& makeReader,
                   const FileSystem::FolderListing& each) {
    const FolderReader own = makeReader();
    SharedReading reading(count);
    reading.StartHelper(makeReader());
    for (std::size_t i = 0; i < count; ++i) each(i, reading.Take(i, own));
}

}  // namespace kv::stdfs
