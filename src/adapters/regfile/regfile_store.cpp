#include "regfile/regfile_store.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "regfile/reg_format.hpp"
#include "support/error.hpp"
#include "support/registry_text.hpp"

namespace kv::regfile {
namespace {

[[noreturn]] void FailAccess(const std::filesystem::path& file, const std::string& what, int error) {
    throw Error(ErrFileAccess, ErrorSource,
                "Registry file '" + file.string() + "': " + what + ": " + std::strerror(error));
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// Holds the lock file beside the registry file locked while a change is made.
class WriteLock {
public:
    explicit WriteLock(const std::filesystem::path& file) : fd_(-1) {
        std::filesystem::path lockFile = file;
        lockFile += ".lock";
        FileDescriptor fd(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (fd.get() < 0) FailAccess(lockFile, "cannot open the lock file", errno);
        while (::flock(fd.get(), LOCK_EX) != 0)
            if (errno != EINTR) FailAccess(lockFile, "cannot lock", errno);
        fd_ = fd.release();
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    ~WriteLock() { ::close(fd_); }  // closing releases the lock

private:
    int fd_;
};

void WriteAll(int fd, const std::string& data, const std::filesystem::path& file) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) FailAccess(file, "cannot write", errno);
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

std::filesystem::path DefaultRegistryFile() {
    auto env = [](const char* name) -> std::string {
        const char* value = std::getenv(name);
        return value != nullptr ? value : "";
    };
    if (std::string file = env("KV_REGISTRY_FILE"); !file.empty()) return file;
    std::filesystem::path config = env("XDG_CONFIG_HOME");
    if (config.empty() || config.is_relative()) {
        std::string home = env("HOME");
        if (home.empty())
            throw Error(ErrFileAccess, ErrorSource,
                        "Cannot place the registry file: set KV_REGISTRY_FILE, XDG_CONFIG_HOME or HOME");
        config = std::filesystem::path(home) / ".config";
    }
    return config / "korvane" / "registry.reg";
}

RegFileStore::RegFileStore(std::filesystem::path file) : file_(std::move(file)) {
    if (file_.empty()) throw Error(ErrFileAccess, ErrorSource, "No registry file named");
}

std::string RegFileStore::ExpandEnvironment(std::string_view text) {
    return reg::ExpandPercentReferences(text, [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value == nullptr) return std::nullopt;
        return std::string(value);
    });
}

RegFileStore::Signature RegFileStore::SignatureOf(int fd) const {
    struct stat info {};
    if (::fstat(fd, &info) != 0) FailAccess(file_, "cannot read", errno);
    return Signature{true,
                     static_cast<std::uintmax_t>(info.st_dev),
                     static_cast<std::uintmax_t>(info.st_ino),
                     static_cast<std::uintmax_t>(info.st_size),
                     info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec,
                     info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec};
}

void RegFileStore::Load(bool force) {
    FileDescriptor fd(::open(file_.c_str(), O_RDONLY | O_CLOEXEC));
    Signature signature;
    std::string content;
    if (fd.get() < 0) {
        if (errno != ENOENT) FailAccess(file_, "cannot open", errno);
    } else {
        signature = SignatureOf(fd.get());
        if (!force && loaded_ == signature) return;
        content.reserve(static_cast<std::size_t>(signature.size));
        char buffer[65536];
        while (true) {
            ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) FailAccess(file_, "cannot read", errno);
            if (n == 0) break;
            content.append(buffer, static_cast<std::size_t>(n));
        }
    }
    if (!force && loaded_ == signature) return;
    reg::RegTree fresh;
    Parse(content, file_.string(), fresh);  // throws on a malformed file, leaving the tree as it was
    tree() = std::move(fresh);
    loaded_ = signature;
}

void RegFileStore::Refresh() { Load(false); }

RegStatus RegFileStore::Apply(const Change& change) {
    std::error_code ignored;
    if (file_.has_parent_path()) std::filesystem::create_directories(file_.parent_path(), ignored);
    WriteLock lock(file_);
    Load(true);
    RegStatus status = change(tree());
    if (status != regstatus::Success) return status;
    try {
        Save();
    } catch (...) {
        loaded_.reset();  // the tree holds a change the file does not; read it again next time
        throw;
    }
    return status;
}

void RegFileStore::Save() {
    const std::string content = Export(tree());
    std::filesystem::path temp = file_;
    temp += ".XXXXXX";
    std::string pattern = temp.string();
    FileDescriptor fd(::mkstemp(pattern.data()));
    if (fd.get() < 0) FailAccess(file_, "cannot create a temporary file beside it", errno);
    try {
        struct stat info {};
        mode_t mode = ::stat(file_.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0600;
        if (::fchmod(fd.get(), mode) != 0) FailAccess(pattern, "cannot set permissions", errno);
        WriteAll(fd.get(), content, pattern);
        if (::fsync(fd.get()) != 0) FailAccess(pattern, "cannot flush", errno);
        if (::rename(pattern.c_str(), file_.c_str()) != 0) FailAccess(file_, "cannot replace", errno);
    } catch (...) {
        ::unlink(pattern.c_str());
        throw;
    }
    // Make the rename itself durable.
    std::filesystem::path dir = file_.has_parent_path() ? file_.parent_path() : std::filesystem::path(".");
    FileDescriptor dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0) ::fsync(dirFd.get());
    // The tree is what the file now holds: remember the file as read, so the
    // next read does not parse it again (unless someone has replaced it since).
    loaded_ = SignatureOf(fd.get());
}

}  // namespace kv::regfile
