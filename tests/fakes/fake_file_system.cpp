#include "fakes/fake_file_system.hpp"

#include <algorithm>

namespace kv::fakes {

const PathStyle& HostPaths() {
#ifdef _WIN32
    return kWindowsPaths;
#else
    return kPosixPaths;
#endif
}

namespace {
constexpr const char* kSource = "FakeFileSystem";

[[noreturn]] void Fail(std::int32_t number, const char* text, const std::string& path) {
    throw Error(number, kSource, std::string(text) + ": " + path);
}
}  // namespace

std::string FakeFileSystem::Normalise(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == HostPaths().separator) p.pop_back();
    return p;
}

std::string FakeFileSystem::Parent(const std::string& path) {
    const std::size_t cut = path.rfind(HostPaths().separator);
    if (cut == std::string::npos) return {};
    return cut == 0 ? std::string(1, HostPaths().separator) : path.substr(0, cut);
}

void FakeFileSystem::AddFolder(const std::string& path) {
    const std::string p = Normalise(path);
    if (p.empty()) return;
    const std::string parent = Parent(p);
    if (!parent.empty() && parent != p) AddFolder(parent);
    entries_.try_emplace(p, Entry{true, 0});
}

void FakeFileSystem::AddFile(const std::string& path, std::int64_t size) {
    const std::string p = Normalise(path);
    AddFolder(Parent(p));
    entries_[p] = Entry{false, size};
}

void FakeFileSystem::Remove(const std::string& path) {
    const std::string p = Normalise(path);
    const std::string prefix = HostPaths().WithTrailingSeparator(p);
    std::erase_if(entries_, [&](const auto& e) { return e.first == p || e.first.starts_with(prefix); });
}

bool FakeFileSystem::FolderExists(const std::string& path) const {
    const auto it = entries_.find(Normalise(path));
    return it != entries_.end() && it->second.folder;
}

void FakeFileSystem::SetUnreachable(const std::string& path) { unreachable_.push_back(Normalise(path)); }
void FakeFileSystem::DenyAccess(const std::string& path) { denied_.push_back(Normalise(path)); }
void FakeFileSystem::FailNext(const std::string& operation, Error error) {
    failNext_.insert_or_assign(operation, std::move(error));
}

void FakeFileSystem::ClearFaults() {
    unreachable_.clear();
    denied_.clear();
    failNext_.clear();
}

int FakeFileSystem::Calls(const std::string& operation) const {
    const auto it = calls_.find(operation);
    return it == calls_.end() ? 0 : it->second;
}

bool FakeFileSystem::Under(const std::string& path, const std::vector<std::string>& roots) const {
    return std::any_of(roots.begin(), roots.end(), [&](const std::string& r) {
        return path == r || path.starts_with(HostPaths().WithTrailingSeparator(r));
    });
}

void FakeFileSystem::Enter(const std::string& operation) {
    ++calls_[operation];
    const auto it = failNext_.find(operation);
    if (it != failNext_.end()) {
        const Error e = it->second;
        failNext_.erase(it);
        throw e;
    }
}

void FakeFileSystem::CheckReachable(const std::string& path) const {
    if (Under(path, unreachable_)) Fail(fserr::PathNotFound, "Path not found", path);
}

Folder FakeFileSystem::GetFolder(const std::string& path) {
    Enter("GetFolder");
    if (path.empty()) throw Error(fserr::InvalidArgument, kSource, "Invalid procedure call or argument: empty path");
    const std::string p = Normalise(path);
    CheckReachable(p);
    if (!FolderExists(p)) Fail(fserr::PathNotFound, "Path not found", path);
    return Folder(p, LastPathComponent(p));
}

std::vector<Folder> FakeFileSystem::SubFolders(const Folder& folder) {
    Enter("SubFolders");
    const std::string p = Normalise(folder.Path());
    CheckReachable(p);
    if (!FolderExists(p)) Fail(fserr::PathNotFound, "Path not found", p);
    if (Under(p, denied_)) Fail(fserr::PermissionDenied, "Permission denied", p);
    std::vector<Folder> out;
    const std::string prefix = HostPaths().WithTrailingSeparator(p);
    for (auto it = entries_.lower_bound(prefix); it != entries_.end() && it->first.starts_with(prefix); ++it) {
        const std::string rest = it->first.substr(prefix.size());
        if (it->second.folder && !rest.empty() && rest.find(HostPaths().separator) == std::string::npos) {
            out.emplace_back(it->first, rest);
        }
    }
    SortByFolderName(out);
    return out;
}

std::unique_ptr<FileSystem::TreeReadAhead> FakeFileSystem::ReadFolderTreeAhead(const std::string& path) {
    aheadPaths_.push_back(path);
    return nullptr;
}

Folder FakeFileSystem::AddSubFolder(const Folder& folder, const std::string& name) {
    Enter("AddSubFolder");
    ValidateFolderName(name);
    const std::string p = Normalise(folder.Path());
    CheckReachable(p);
    if (!FolderExists(p)) Fail(fserr::PathNotFound, "Path not found", p);
    if (Under(p, denied_)) Fail(fserr::PermissionDenied, "Permission denied", p);
    const std::string target = HostPaths().Join(p, name);
    if (entries_.contains(target)) Fail(fserr::FileAlreadyExists, "File already exists", target);
    entries_.emplace(target, Entry{true, 0});
    return Folder(target, name);
}

bool FakeFileSystem::FileExists(const std::string& path) {
    Enter("FileExists");
    const std::string p = Normalise(path);
    if (p.empty() || Under(p, unreachable_)) return false;
    const auto it = entries_.find(p);
    return it != entries_.end() && !it->second.folder;
}

std::int64_t FakeFileSystem::FileSize(const std::string& path) {
    Enter("FileSize");
    const std::string p = Normalise(path);
    const auto it = entries_.find(p);
    if (p.empty() || Under(p, unreachable_) || it == entries_.end() || it->second.folder) {
        Fail(fserr::FileNotFound, "File not found", path);
    }
    return it->second.size;
}

void FakeFileSystem::FlushFile(const std::string& path) {
    Enter("FlushFile");
    if (path.empty()) throw Error(fserr::InvalidArgument, kSource, "Invalid procedure call or argument: empty path");
    const std::string p = Normalise(path);
    CheckReachable(p);
    if (!entries_.contains(p)) Fail(fserr::FileNotFound, "File not found", path);
}

bool FakeFileSystem::MoveFileNoReplace(const std::string& from, const std::string& to) {
    Enter("MoveFileNoReplace");
    if (from.empty() || to.empty())
        throw Error(fserr::InvalidArgument, kSource, "Invalid procedure call or argument: empty path");
    const std::string source = Normalise(from);
    const std::string target = Normalise(to);
    CheckReachable(source);
    CheckReachable(target);
    const auto it = entries_.find(source);
    if (it == entries_.end() || it->second.folder) Fail(fserr::FileNotFound, "File not found", from);
    if (entries_.contains(target)) return false;
    if (!FolderExists(Parent(target))) Fail(fserr::PathNotFound, "Path not found", to);
    if (Under(Parent(target), denied_)) Fail(fserr::PermissionDenied, "Permission denied", to);
    const Entry moved = it->second;
    entries_.erase(it);
    entries_.emplace(target, moved);
    return true;
}

void FakeFileSystem::RemoveFile(const std::string& path) {
    Enter("RemoveFile");
    if (path.empty()) throw Error(fserr::InvalidArgument, kSource, "Invalid procedure call or argument: empty path");
    const std::string p = Normalise(path);
    CheckReachable(p);
    const auto it = entries_.find(p);
    if (it == entries_.end()) return;
    if (it->second.folder) Fail(fserr::PermissionDenied, "Permission denied", path);
    if (Under(Parent(p), denied_)) Fail(fserr::PermissionDenied, "Permission denied", path);
    entries_.erase(it);
}

}  // namespace kv::fakes
