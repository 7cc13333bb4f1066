#pragma once
// A file's bytes read or written whole.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kv::fakes {

inline std::string ReadFileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A sample mail of the test data.
inline std::filesystem::path TestData(const std::string& name) {
    const char* base = std::getenv("KV_TEST_DATA");
    return std::filesystem::path(base ? base : "tests/data") / "mail" / name;
}

inline void WriteFileText(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace kv::fakes
