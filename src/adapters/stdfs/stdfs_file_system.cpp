#include "stdfs/stdfs_file_system.hpp"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <optional>
#endif

#include "support/error.hpp"
#ifndef _WIN32
#include "stdfs/read_ahead.hpp"
#include "stdfs/tree_ahead.hpp"
#endif

namespace kv::stdfs {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSource = "FileSystem";

// UTF-8 text to a path: on Windows this yields the wide path.
fs::path ToPath(const std::string& utf8) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string FromPath(const fs::path& p) {
    const std::u8string s = p.u8string();
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

[[noreturn]] void Fail(std::int32_t number, const char* text, const std::string& path) {
    throw Error(number, kSource, std::string(text) + ": " + path);
}

[[noreturn]] void FailFor(const std::error_code& ec, const std::string& path) {
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted) {
        Fail(fserr::PermissionDenied, "Permission denied", path);
    }
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory) {
        Fail(fserr::PathNotFound, "Path not found", path);
    }
    if (ec == std::errc::file_exists) Fail(fserr::FileAlreadyExists, "File already exists", path);
    throw Error(fserr::AccessError, kSource, "Path/File access error: " + path + " (" + ec.message() + ")");
}

// Full path without a trailing separator (a root keeps its own).
fs::path Normalise(const fs::path& p) {
    std::error_code ec;
    fs::path abs = fs::absolute(p, ec);
    if (ec) abs = p;
    abs = abs.lexically_normal();
    if (abs.has_filename() || abs == abs.root_path()) return abs;
    return abs.parent_path();  // "dir/" normalises to "dir/" with an empty filename
}

Folder MakeFolder(const fs::path& p) { return Folder(FromPath(p), FromPath(p.filename())); }

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

// A path as this adapter hands them out: absolute, with only the preferred
// separator, none doubled or trailing, no "." or ".." parts. Normalising it
// changes nothing, and an expanded folder opens thousands of them.
bool IsNormalAbsolute(std::string_view path) {
    std::size_t start = 0;
    if (kSeparator == '/') {
        if (path.size() < 2 || path[0] != '/') return false;
        start = 1;
    } else {
        if (path.size() < 4 || path.find('/') != std::string_view::npos || path[1] != ':' || path[2] != kSeparator)
            return false;
        start = 3;
    }
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(kSeparator, start), path.size());
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

#ifndef _WIN32
// Where a folder read in hash order (ext4's indexed folders) ends: its last
// entries carry it, so the read that would only find the end is not needed.
constexpr off64_t kEndOfHashedFolder = std::numeric_limits<off64_t>::max();

// The sub-folders of the open folder fd as the kernel's directory entries
// name them, their paths path + "/" + name: no path object per entry, no
// stat but for links and entries of unknown type, and no DIR of its own (an
// allocation of 32 KB per folder, thousands of them when a folder is
// expanded). Closes fd.
std::vector<Folder> ListOpenFolder(int fd, const std::string& path, std::error_code& ec) {
    std::vector<Folder> out;
    const std::string prefix = path.back() == '/' ? path : path + '/';
    alignas(dirent64) char buffer[8192];
    for (;;) {
        const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
        if (got < 0) {
            ec = std::error_code(errno, std::generic_category());
            break;
        }
        if (got == 0) break;
        off64_t next = 0;  // where the next read starts: the last entry's offset
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            next = entry->d_off;
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            bool folder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                // A sub-folder reached through a link counts, as a junction does.
                struct stat st {};
                folder = ::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
            }
            if (folder) out.emplace_back(prefix + entry->d_name, std::string(name));
        }
        if (next == kEndOfHashedFolder) break;
    }
    ::close(fd);
    return out;
}

std::vector<Folder> ListSubFolders(const std::string& path, std::error_code& ec) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        ec = std::error_code(errno, std::generic_category());
        return {};
    }
    return ListOpenFolder(fd, path, ec);
}
#else
std::vector<Folder> ListSubFolders(const std::string& path, std::error_code& ec) {
    std::vector<Folder> out;
    fs::directory_iterator it(ToPath(path), ec);
    if (ec) return out;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        std::error_code entryEc;
        // A sub-folder reached through a link counts, as a junction does.
        if (it->is_directory(entryEc)) out.push_back(MakeFolder(it->path()));
    }
    return out;
}
#endif

#ifndef _WIN32
// Writes a folder's entries (names made or renamed in it) through to the
// disk, which a file's own sync does not do on every file system.
std::error_code SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::error_code(errno, std::generic_category());
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    return rc == 0 ? std::error_code() : std::error_code(err, std::generic_category());
}
#endif

}  // namespace

const PathStyle& StdFileSystem::Paths() const {
#ifdef _WIN32
    return kWindowsPaths;
#else
    return kPosixPaths;
#endif
}

Folder StdFileSystem::GetFolder(const std::string& path) {
    if (path.empty()) throw Error(fserr::InvalidArgument, kSource, "Invalid procedure call or argument: empty path");
    const bool normal = IsNormalAbsolute(path);
    const fs::path p = normal ? ToPath(path) : Normalise(ToPath(path));
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) FailFor(ec, path);
    if (!fs::is_directory(st)) Fail(fserr::PathNotFound, "Path not found", path);
    return normal ? Folder(path, path.substr(path.rfind(kSeparator) + 1)) : MakeFolder(p);
}

std::vector<Folder> StdFileSystem::SubFolders(const Folder& folder) {
#ifndef _WIN32
    if (const std::shared_ptr<TreeAhead> ahead = Ahead())
        if (std::optional<std::vector<Folder>> read = ahead->TakeRoot(folder.Path())) return std::move(*read);
#endif
    return ReadSubFolders(folder);
}

std::vector<Folder> StdFileSystem::ReadSubFolders(const Folder& folder) {
    std::error_code ec;
    std::vector<Folder> out = ListSubFolders(folder.Path(), ec);
    if (ec) FailFor(ec, folder.Path());
    SortByFolderName(out);
    return out;
}

#ifndef _WIN32
namespace {

// Below this many folders a second thread is not worth its start.
constexpr std::size_t kReadAheadFrom = 128;

}  // namespace

FolderReader StdFileSystem::RelativeReader(const std::vector<std::string>& paths) {
    // The reader keeps the parent folder of the path it read last open, and
    // opens the next path relative to it when it is the same.
    struct Parent {
        std::string path;
        int fd = -1;
        ~Parent() {
            if (fd >= 0) ::close(fd);
        }
    };
    return [this, &paths, parent = std::make_shared<Parent>()](std::size_t i) {
        const std::string& path = paths[i];
        const std::size_t cut = path.rfind('/');
        if (!IsNormalAbsolute(path) || cut == std::string::npos) return ReadSubFolders(GetFolder(path));
        const std::string_view folderOf = cut == 0 ? std::string_view("/") : std::string_view(path).substr(0, cut);
        if (parent->fd < 0 || folderOf != parent->path) {
            if (parent->fd >= 0) ::close(parent->fd);
            parent->path = folderOf;
            parent->fd = ::open(parent->path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            // Whatever is wrong with the parent, the path's own failure tells it.
            if (parent->fd < 0) return ReadSubFolders(GetFolder(path));
        }
        // Missing, a file, or not to be read: the failures GetFolder and
        // SubFolders have for the path.
        std::error_code ec;
        const int fd = ::openat(parent->fd, path.c_str() + cut + 1, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) FailFor(std::error_code(errno, std::generic_category()), path);
        std::vector<Folder> subFolders = ListOpenFolder(fd, path, ec);
        if (ec) FailFor(ec, path);
        SortByFolderName(subFolders);
        return subFolders;
    };
}

void StdFileSystem::ListEachFolder(const std::vector<std::string>& paths, const FolderListing& each) {
    if (const std::shared_ptr<TreeAhead> ahead = TakeAheadServing(paths)) {
        for (std::size_t i = 0; i < paths.size(); ++i) each(i, ahead->Take(paths[i]));
        return;
    }
    const auto makeReader = [&] { return RelativeReader(paths); };
    if (paths.size() >= kReadAheadFrom) return ReadEachAhead(paths.size(), makeReader, each);
    const FolderReader read = makeReader();
    for (std::size_t i = 0; i < paths.size(); ++i) each(i, read(i));
}

std::unique_ptr<FileSystem::TreeReadAhead> StdFileSystem::ReadFolderTreeAhead(const std::string& path) {
    auto ahead = std::make_shared<TreeAhead>(
        path,
        [this, path](Folder& opened) {
            opened = GetFolder(path);
            return ReadSubFolders(opened);
        },
        [this](const std::vector<std::string>& paths) { return RelativeReader(paths); });
    {
        const std::lock_guard guard(aheadMutex_);
        ahead_ = ahead;
    }
    // The caller's handle keeps it; this file system only looks at it.
    struct Handle final : TreeReadAhead {
        explicit Handle(std::shared_ptr<TreeAhead> a) : ahead(std::move(a)) {}
        std::shared_ptr<TreeAhead> ahead;
    };
    return std::make_unique<Handle>(std::move(ahead));
}

std::shared_ptr<TreeAhead> StdFileSystem::Ahead() {
    const std::lock_guard guard(aheadMutex_);
    return ahead_.lock();
}

std::shared_ptr<TreeAhead> StdFileSystem::TakeAheadServing(const std::vector<std::string>& paths) {
    // Checked and let go of in one step: two callers asking at once never
    // take from one reading.
    const std::lock_guard guard(aheadMutex_);
    std::shared_ptr<TreeAhead> ahead = ahead_.lock();
    if (!ahead || !ahead->Serves(paths)) return nullptr;
    ahead_.reset();
    return ahead;
}

void StdFileSystem::DropAhead() {
    const std::lock_guard guard(aheadMutex_);
    ahead_.reset();
}
#endif

Folder StdFileSystem::AddSubFolder(const Folder& folder, const std::string& name) {
    ValidateFolderName(name);
#ifndef _WIN32
    // What was read ahead may not show the new folder.
    DropAhead();
#endif
    const fs::path parent = ToPath(folder.Path());
    std::error_code ec;
    if (!fs::is_directory(parent, ec)) {
        if (ec && ec != std::errc::no_such_file_or_directory) FailFor(ec, folder.Path());
        Fail(fserr::PathNotFound, "Path not found", folder.Path());
    }
    const fs::path target = parent / ToPath(name);
    if (fs::exists(fs::symlink_status(target, ec)))
        Fail(fserr::FileAlreadyExists, "File already exists", FromPath(target));
    if (!fs::create_directory(target, ec)) {
        if (ec) FailFor(ec, FromPath(target));
        Fail(fserr::FileAlreadyExists, "File already exists", FromPath(target));
    }
#ifndef _WIN32
    // Mails filed into the new folder are on the disk only if it is.
    if ((ec = SyncFolder(parent))) FailFor(ec, folder.Path());
#endif
    return MakeFolder(target);
}

bool StdFileSystem::FileExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    return fs::is_regular_file(ToPath(path), ec);
}

std::int64_t StdFileSystem::FileSize(const std::string& path) {
    std::error_code ec;
    const fs::path p = ToPath(path);
    if (path.empty() || !fs::is_regular_file(p, ec)) Fail(fserr::FileNotFound, "File not found", path);
    const std::uintmax_t size = fs::file_size(p, ec);
    if (ec) FailFor(ec, path);
    return static_cast<std::int64_t>(size);
}

namespace {

// Renames without replacing; false when to exists, ec set for anything else.
bool RenameNoReplace(const fs::path& from, const fs::path& to, std::error_code& ec) {
    ec.clear();
#ifdef _WIN32
    // Without MOVEFILE_REPLACE_EXISTING the move refuses an existing target;
    // write-through returns once the new name is on the disk.
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD err = ::GetLastError();
    if (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS) return false;
    ec = std::error_code(static_cast<int>(err), std::system_category());
    return false;
#else
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    int err = errno;
    if (err == EEXIST) return false;
    if (err == EINVAL || err == ENOSYS || err == ENOTSUP) {
        // A file system without the flag: a hard link is just as exclusive.
        if (::link(from.c_str(), to.c_str()) == 0) {
            if (::unlink(from.c_str()) != 0) {
                err = errno;
                ::unlink(to.c_str());
                ec = std::error_code(err, std::generic_category());
            }
            return !ec;
        }
        err = errno;
        if (err == EEXIST) return false;
    }
    ec = std::error_code(err, std::generic_category());
    return false;
#endif
}

}  // namespace

bool StdFileSystem::MoveFileNoReplace(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty())
        throw Error(fserr::InvalidArgument, kSource, "Invalid procedure call or argument: empty path");
    const fs::path source = ToPath(from);
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) Fail(fserr::FileNotFound, "File not found", from);
    const fs::path target = ToPath(to);
    if (RenameNoReplace(source, target, ec)) {
#ifndef _WIN32
        if ((ec = SyncFolder(target.parent_path()))) FailFor(ec, to);
#endif
        return true;
    }
    if (ec) FailFor(ec, to);
    return false;
}

void StdFileSystem::FlushFile(const std::string& path) {
    if (path.empty()) throw Error(fserr::InvalidArgument, kSource, "Invalid procedure call or argument: empty path");
    std::error_code ec;
#ifdef _WIN32
    // Only a handle open for writing may flush; others may keep the file open.
    const HANDLE file =
        ::CreateFileW(ToPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND)
            Fail(fserr::FileNotFound, "File not found", path);
        ec = std::error_code(static_cast<int>(err), std::system_category());
    } else {
        if (!::FlushFileBuffers(file)) ec = std::error_code(static_cast<int>(::GetLastError()), std::system_category());
        ::CloseHandle(file);
    }
#else
    // The data alone: its size and blocks, not its times, which nobody reads back.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ec = std::error_code(errno, std::generic_category());
    } else {
        if (::fdatasync(fd) != 0) ec = std::error_code(errno, std::generic_category());
        ::close(fd);
    }
#endif
    if (!ec) return;
    if (ec == std::errc::no_such_file_or_directory) Fail(fserr::FileNotFound, "File not found", path);
    FailFor(ec, path);
}

void StdFileSystem::RemoveFile(const std::string& path) {
    if (path.empty()) throw Error(fserr::InvalidArgument, kSource, "Invalid procedure call or argument: empty path");
    const fs::path p = ToPath(path);
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(p, ec);
    if (ec || !fs::exists(st)) return;
    if (fs::is_directory(st)) Fail(fserr::PermissionDenied, "Permission denied", path);
    fs::remove(p, ec);
    if (ec) FailFor(ec, path);
}

}  // namespace kv::stdfs
