#include <stdexcept>
#include <system_error>

#include "token/key_cache.hpp"
#include "token/key_source.hpp"
#include "token/read_file.hpp"

namespace kv::token {

namespace {

// What tells a rewritten file from the one read: its time and its size.
struct FileStamp {
    std::filesystem::file_time_type modified{};
    std::uintmax_t size = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::filesystem::path& file) {
    std::error_code error;
    FileStamp stamp;
    stamp.modified = std::filesystem::last_write_time(file, error);
    stamp.size = std::filesystem::file_size(file, error);
    return stamp;
}

KeySet ReadJwks(const std::filesystem::path& file) {
    const std::string text = ReadWholeFile(file, "key file");
    try {
        return ParseJwks(text);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(file.string() + ": " + error.what());
    }
}

class FileKeys final : public KeySource {
public:
    FileKeys(std::filesystem::path file, ProblemLog log)
        : file_(std::move(file)), log_(std::move(log)), stamp_(StampOf(file_)) {
        cache_.Replace(ReadJwks(file_));
    }

    std::shared_ptr<const PublicKey> Find(std::string_view kid) override {
        const FileStamp stamp = StampOf(file_);
        {
            std::lock_guard lock(mutex_);
            if (!(stamp == stamp_)) Reload(stamp);
        }
        return cache_.Find(kid);
    }

private:
    // A file caught half written is tried again when it changes again; the
    // keys read before serve until then.
    void Reload(const FileStamp& stamp) {
        stamp_ = stamp;
        try {
            cache_.Replace(ReadJwks(file_));
        } catch (const std::runtime_error& error) {
            if (log_) log_(std::string(error.what()) + "; the keys read before are kept");
        }
    }

    const std::filesystem::path file_;
    const ProblemLog log_;
    std::mutex mutex_;
    FileStamp stamp_;
    KeyCache cache_;
};

}  // namespace

std::unique_ptr<KeySource> KeysFromFile(std::filesystem::path jwks, ProblemLog log) {
    return std::make_unique<FileKeys>(std::move(jwks), std::move(log));
}

}  // namespace kv::token
