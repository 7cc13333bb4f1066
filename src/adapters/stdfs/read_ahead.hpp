#pragma once
// Many folders listed by two threads, handed on in order by the caller's.
#include <cstddef>
#include <functional>
#include <vector>

#include "ports/file_system.hpp"

namespace kv::stdfs {

// The sub-folders of the folder at an index; throws its failure.
using FolderReader = std::function<std::vector<Folder>(std::size_t index)>;

// Calls each(i, read(i)) for i from 0 to count - 1, in order and on the
// calling thread, while a helper thread with a reader of its own (each
// thread gets one from makeReader) reads the folders ahead: an expanded
// folder's time is mostly the kernel's, opening and reading each sub-folder.
// Stops at the first folder whose read fails, with its failure, after
// handing on those before it; folders read beyond it are dropped.
void ReadEachAhead(std::size_t count, const std::function<FolderReader()>& makeReader,
                   const FileSystem::FolderListing& each);

}  // namespace kv::stdfs
