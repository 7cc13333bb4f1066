#include "service/folder_path.hpp"

#include <filesystem>

#include "service/api_types.hpp"
#include "support/error.hpp"
#include "support/text_case.hpp"

namespace kv::service {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxPathBytes = 1024;
constexpr std::size_t kMaxDepth = 32;

// True when path is base or lies below it, both as the system resolves them.
bool Inside(const fs::path& path, const fs::path& base) {
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    if (ec) return false;
    const fs::path realBase = fs::canonical(base, ec);
    if (ec) return false;
    const auto [end, unused] = std::mismatch(realBase.begin(), realBase.end(), real.begin(), real.end());
    return end == realBase.end();
}

}  // namespace

bool HiddenFolders::Hides(std::string_view name) const {
    return text::EqualsIgnoringCase(name, jobFolderName) || text::EqualsIgnoringCase(name, jobFolderNameArkiv);
}

Folder ResolveFolder(FileSystem& files, const Folder& root, std::string_view relative, const HiddenFolders& hidden) {
    if (relative.size() > kMaxPathBytes) Refuse(400, "The folder path is too long");
    std::string path = root.Path();
    std::size_t depth = 0;
    for (std::size_t begin = 0; !relative.empty() && begin <= relative.size();) {
        const std::size_t end = std::min(relative.find('/', begin), relative.size());
        const std::string_view name = relative.substr(begin, end - begin);
        // Each name on its own: no "", "." or "..", no separator, drive or
        // device name, nothing a Windows share would refuse.
        try {
            ValidateFolderName(name);
        } catch (const Error&) {
            Refuse(400, "The folder path holds a name that is not a folder name: \"" + std::string(name) + "\"");
        }
        if (hidden.Hides(name)) Refuse(400, "The folder path names a folder that is not shown");
        if (++depth > kMaxDepth) Refuse(400, "The folder path is too deep");
        path = files.Paths().Join(path, name);
        begin = end + 1;
    }
    Folder folder;
    try {
        folder = files.GetFolder(path);
    } catch (const Error&) {
        Refuse(404, "No such folder");
    }
    if (!Inside(folder.Path(), root.Path())) Refuse(400, "The folder path leaves the document folder");
    return folder;
}

std::vector<Folder> VisibleSubFolders(FileSystem& files, const Folder& folder, const HiddenFolders& hidden) {
    std::vector<Folder> shown = files.SubFolders(folder);
    std::erase_if(shown, [&](const Folder& sub) { return hidden.Hides(sub.Name()); });
    return shown;
}

}  // namespace kv::service
