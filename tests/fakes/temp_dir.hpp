#pragma once
// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>

namespace kv::fakes {

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "kvtest") {
        std::random_device seed;
        auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            auto candidate = base / (prefix + "-" + std::to_string(seed()));
            if (std::filesystem::create_directory(candidate)) {
                path_ = candidate;
                return;
            }
        }
        throw std::runtime_error("cannot create a temporary folder");
    }
    ~TempDir() {
        if (path_.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Leaves the folder for the caller to remove.
    std::filesystem::path Release() { return std::exchange(path_, {}); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace kv::fakes
