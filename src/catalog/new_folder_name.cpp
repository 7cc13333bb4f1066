#include "catalog/new_folder_name.hpp"

#include <cstddef>

#include "support/clean_file_name.hpp"
#include "support/utf.hpp"

namespace kv::catalog {

namespace {

constexpr std::size_t kNewFolderLength = 32;

}  // namespace

std::string NewFolderName(std::string_view typed) {
    std::string name = utf::Utf16Left(CleanFileName(std::string(typed)), kNewFolderLength);
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
}

}  // namespace kv::catalog
