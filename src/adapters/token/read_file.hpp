#pragma once
// A small configuration file read whole.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace kv::token {

inline std::string ReadWholeFile(const std::filesystem::path& file, const char* what) {
    std::ifstream in(file, std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    if (!in.good() && !in.eof()) throw std::runtime_error(std::string("cannot read the ") + what + " " + file.string());
    if (!in.is_open()) throw std::runtime_error(std::string("cannot open the ") + what + " " + file.string());
    return text;
}

}  // namespace kv::token
