// The mail store's manifest.txt: any content loads or fails with a
// kv::Error; what loads saves and loads back the same.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "adapters/mailstore/manifest.hpp"
#include "support/error.hpp"

namespace {

std::filesystem::path Scratch(const char* name) {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("kv_fuzz_manifest_" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir / name;
}

std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = Scratch("input.txt");
    std::ofstream(input, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    kv::mailstore::Manifest manifest;
    try {
        manifest = kv::mailstore::Manifest::Load(input);
    } catch (const kv::Error&) {
        return 0;
    }
    // Saved with the items it read, as the store saves the items it holds.
    const auto save = [](const kv::mailstore::Manifest& read, const std::filesystem::path& file) {
        read.Save(file, [&](const auto& write) {
            for (const auto& [id, path] : read.items) write(id, path);
        });
    };
    const auto saved = Scratch("saved.txt");
    save(manifest, saved);
    const std::string first = Read(saved);
    save(kv::mailstore::Manifest::Load(saved), saved);
    if (Read(saved) != first) __builtin_trap();
    return 0;
}
