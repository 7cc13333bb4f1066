#pragma once
// The name a new document sub-folder gets from what the user typed.
#include <string>
#include <string_view>

namespace kv::catalog {

// The typed text cleaned as a file name, cut to 32 UTF-16 units and without
// the blanks the cut may end in, which Windows drops from a folder name.
std::string NewFolderName(std::string_view typed);

}  // namespace kv::catalog
