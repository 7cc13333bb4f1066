#pragma once
// A folder the client names by its path below a job's or resource's
// document folder. Whatever the client sends, the folder found lies inside
// that document folder: the path is checked name by name before anything
// is opened, and the folder's real path after every link is resolved.
#include <string>
#include <string_view>
#include <vector>

#include "ports/file_system.hpp"

namespace kv::service {

// The document folder's sub-folders the dialog's tree leaves out.
struct HiddenFolders {
    std::string jobFolderName, jobFolderNameArkiv;
    bool Hides(std::string_view name) const;
};

// The folder at relative ("/"-separated, "" for the document folder itself)
// below root. 400 for a path that is not a plain relative path of valid
// folder names or that would leave root; 404 when no such folder exists.
Folder ResolveFolder(FileSystem& files, const Folder& root, std::string_view relative, const HiddenFolders& hidden);

// The sub-folders of folder that the dialog's tree shows, in its order.
std::vector<Folder> VisibleSubFolders(FileSystem& files, const Folder& folder, const HiddenFolders& hidden);

}  // namespace kv::service
