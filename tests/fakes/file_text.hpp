#pragma once
// A file's bytes read or written whole.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kv::fakes {

inline std::string ReadFileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileText(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace kv::fakes
