#pragma once
// How many descriptors the test process has open: a descriptor left open
// per mail or folder runs a long import into the process's limit.
#include <cstddef>
#include <filesystem>
#include <iterator>

namespace kv::fakes {

inline std::ptrdiff_t OpenFiles() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
}

}  // namespace kv::fakes
