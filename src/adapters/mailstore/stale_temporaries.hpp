#pragma once
// What a save killed half-way leaves in the folder it saved to: the .msg
// writer's temporary file, libgsf's under it, and the import's temporary
// name. A save takes seconds at most, so one untouched for an hour is dead.
#include <filesystem>

namespace kv::mailstore {

// Removes the stale temporary files directly in folder; what cannot be
// read or removed stays.
void RemoveStaleTemporaries(const std::filesystem::path& folder);

}  // namespace kv::mailstore
