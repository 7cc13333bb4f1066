#pragma once
// A fresh folder under $TMPDIR (or /tmp), removed with everything in it.
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace kv::testing {

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "kvtest") {
        const char* base = std::getenv("TMPDIR");
        std::random_device random;
        std::filesystem::path root = base && *base ? base : "/tmp";
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = root / (prefix + "-" + std::to_string(random()));
            if (std::filesystem::create_directories(path_)) return;
        }
        throw std::runtime_error("cannot create a temporary folder under " + root.string());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace kv::testing
