#pragma once
// The dialog's file-system object: folders opened by path, their direct
// sub-folders, new sub-folders, and file existence and size.
//
// Paths are UTF-8 with the file system's separator ("\" on Windows, "/"
// elsewhere), as its Paths() tell; PathStyle::Join builds them. A folder's Path is its full path as the
// file system reports it, without a trailing separator (except a root), and
// is what the folder tree keeps in its tags.
//
// Sub-folders come sorted by name without regard to case (the upper-cased
// UTF-16 texts compared unit by unit, ties by the exact text), which is the
// order NTFS enumerates a directory in; every adapter gives this order so
// the tree looks the same everywhere.
//
// Failures are kv::Error with the platform's numbers:
//   5  Invalid procedure call or argument (empty path)
//   52 Bad file name or number (a name a Windows share would refuse)
//   53 File not found
//   58 File already exists
//   70 Permission denied
//   75 Path/File access error (anything else)
//   76 Path not found (missing, unreachable, or not a folder)
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

namespace fserr {
inline constexpr std::int32_t InvalidArgument = 5;
inline constexpr std::int32_t BadFileName = 52;
inline constexpr std::int32_t FileNotFound = 53;
inline constexpr std::int32_t FileAlreadyExists = 58;
inline constexpr std::int32_t PermissionDenied = 70;
inline constexpr std::int32_t AccessError = 75;
inline constexpr std::int32_t PathNotFound = 76;
}  // namespace fserr

// How long a file name may be where the file is written. 0 means no limit.
struct FileNameLimits {
    std::size_t maxNameBytes = 0;  // UTF-8 bytes of the name alone
    std::size_t maxNameUnits = 0;  // UTF-16 units of the name alone
    std::size_t maxPathUnits = 0;  // UTF-16 units of the whole path
};
inline constexpr FileNameLimits kLinuxNameLimits{255, 0, 0};
inline constexpr FileNameLimits kWindowsNameLimits{0, 255, 259};

// How a file system writes its paths: the separator it writes ("/" is
// taken everywhere), and how long names may be.
struct PathStyle {
    char separator = '/';
    FileNameLimits limits;

    bool IsSeparator(char c) const { return c == separator || c == '/'; }
    // folder + separator + name, without doubling a separator folder ends
    // with. An empty folder gives name alone.
    std::string Join(std::string_view folder, std::string_view name) const;
    // path with exactly one separator at its end.
    std::string WithTrailingSeparator(std::string_view path) const;
};
inline constexpr PathStyle kPosixPaths{'/', kLinuxNameLimits};
inline constexpr PathStyle kWindowsPaths{'\\', kWindowsNameLimits};

class Folder {
public:
    Folder() = default;
    Folder(std::string path, std::string name) : path_(std::move(path)), name_(std::move(name)) {}
    const std::string& Path() const& { return path_; }
    std::string Path() && { return std::move(path_); }
    const std::string& Name() const { return name_; }
    friend bool operator==(const Folder&, const Folder&) = default;

private:
    std::string path_;
    std::string name_;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The separator and name limits of this file system's paths.
    virtual const PathStyle& Paths() const = 0;

    // Opens a folder; fails (76, or 5 for "") when the path is empty,
    // missing, unreachable or names a file.
    virtual Folder GetFolder(const std::string& path) = 0;
    // The folder's direct sub-folders, sorted as described above; fails when
    // the folder is gone or cannot be listed.
    virtual std::vector<Folder> SubFolders(const Folder& folder) = 0;
    // The sub-folders of the folder at each of paths, in order, as GetFolder
    // and SubFolders give them, each list handed to each with its index;
    // stops at the first folder that fails, with their failure. Expanding
    // a folder lists every sub-folder of it; an adapter may list folders of
    // one parent faster than path by path.
    using FolderListing = std::function<void(std::size_t index, std::vector<Folder> subFolders)>;
    virtual void ListEachFolder(const std::vector<std::string>& paths, const FolderListing& each);
    // Says that the folder at path is about to be shown expanded: SubFolders
    // of it and ListEachFolder of its sub-folders are to come. An adapter may
    // begin reading them now, beside the caller's other work, and answer
    // those calls with what it read while the returned object lives (a
    // sub-folder made anywhere drops it). Nothing (the default) where
    // nothing is read ahead.
    class TreeReadAhead {
    public:
        virtual ~TreeReadAhead() = default;
    };
    virtual std::unique_ptr<TreeReadAhead> ReadFolderTreeAhead(const std::string& path);
    // Creates the sub-folder name in folder and returns it; fails when an
    // entry of that name exists (58), the name is invalid (52) or the folder
    // cannot be written.
    virtual Folder AddSubFolder(const Folder& folder, const std::string& name) = 0;
    // True for an existing file (not a folder); false for "" and anything
    // unreachable.
    virtual bool FileExists(const std::string& path) = 0;
    // Size in bytes of an existing file; fails (53) otherwise.
    virtual std::int64_t FileSize(const std::string& path) = 0;
    // Writes the file's data through to the disk, so that a power loss
    // after it returns cannot leave the file empty or cut short. Fails (53)
    // when the file is missing, and with the platform's number when the
    // disk reports a failure.
    virtual void FlushFile(const std::string& path) = 0;
    // Renames the file from to to, in one step and never over an existing
    // entry: false (nothing changed) when to exists, so two writers racing
    // for one name cannot overwrite each other. Once it returns true the new
    // name is on the disk too, not only in its cache. Fails (53) when from
    // is missing, and with the platform's number for anything else.
    virtual bool MoveFileNoReplace(const std::string& from, const std::string& to) = 0;
    // Removes a file; nothing happens when there is none. Fails when the
    // entry is a folder or cannot be removed.
    virtual void RemoveFile(const std::string& path) = 0;
};

// The part after the last "\" or "/" (on every platform, as tags may come
// from a Windows share); the whole path when it has neither.
std::string LastPathComponent(std::string_view path);

// The enumeration order of sub-folders: a before b.
bool FolderNameLess(std::string_view a, std::string_view b);
// Puts folders into that order.
void SortByFolderName(std::vector<Folder>& folders);
// Fails with BadFileName unless name is a folder name a Windows share takes:
// not empty, not "." or "..", no control characters or <>:"/\|?*, not
// ending in a blank or dot, not a device name (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, with or without an extension), at most 255 UTF-16 units. The
// same rule holds on every platform, since the folders live on such shares.
void ValidateFolderName(std::string_view name);

}  // namespace kv
