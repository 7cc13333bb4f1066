#pragma once
// A small configuration file read whole.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace kv::token {

inline std::string ReadWholeFile(const std::filesystem::path& file, const char* what) {
    std::error_code error;
    std::ifstream in;
    // A folder opens as a file and reads as an empty one.
    if (std::filesystem::is_regular_file(file, error)) in.open(file, std::ios::binary);
    if (!in.is_open()) throw std::runtime_error(std::string("cannot read the ") + what + " " + file.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace kv::token
