#include "data/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "data/c_format.h"

namespace dorvath {
namespace {

constexpr size_t kBufferSize = 1 << 16;
constexpr const char* kProcFd = "/proc/self/fd";
constexpr const char* kTempPrefix = ".dorvath-";

std::filesystem::path FolderOf(const std::filesystem::path& target) {
    return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

// ".dorvath-PID-N.tmp": short whatever the target's name, hidden, and naming its writer.
std::string TemporaryName() {
    static std::atomic<unsigned> counter{0};
    return CFormat("%s%d-%u.tmp", kTempPrefix, static_cast<int>(::getpid()), counter++);
}

// The writer's pid of one of our temporary names, else 0. The names of older builds
// were "TARGET.PID-N.tmp".
long WriterOf(const std::string& name, const std::string& targetName) {
    std::string rest;
    if (name.rfind(kTempPrefix, 0) == 0)
        rest = name.substr(std::strlen(kTempPrefix));
    else if (name.size() > targetName.size() + 1 &&
             name.compare(0, targetName.size(), targetName) == 0 && name[targetName.size()] == '.')
        rest = name.substr(targetName.size() + 1);
    else
        return 0;
    char* end = nullptr;
    const long pid = std::strtol(rest.c_str(), &end, 10);
    if (pid <= 0 || *end != '-') return 0;
    const char* n = end + 1;
    if (!std::isdigit(static_cast<unsigned char>(*n))) return 0;
    while (std::isdigit(static_cast<unsigned char>(*n))) ++n;
    return std::strcmp(n, ".tmp") == 0 ? pid : 0;
}

// What a killed write of ours left in the folder: its writer is gone.
void RemoveStaleTemporaries(const std::filesystem::path& dir, const std::string& targetName) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        const long pid = WriterOf(e->d_name, targetName);
        const bool writerGone =
            pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        if (!writerGone) continue;
        struct stat st {};
        if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile() {
    if (!committed_) discard();
}

void AtomicFile::fail(const char* what, int err) {
    if (error_.empty())
        error_ = CFormat("cannot %s %s: %s", what, target_.string(), std::strerror(err));
}

void AtomicFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

bool AtomicFile::resolveTarget() {
    // A symlink is written through: its target is what gets replaced, the link stays. A
    // relative link is read against the link's own folder, as the kernel reads it.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target_.c_str(), &st) != 0) {
            if (errno == ENOENT) return true;  // a new file
            fail("write", errno);
            return false;
        }
        if (S_ISLNK(st.st_mode)) {
            char link[PATH_MAX];
            ssize_t n = ::readlink(target_.c_str(), link, sizeof link - 1);
            if (n < 0) {
                fail("write", errno);
                return false;
            }
            std::filesystem::path next(std::string(link, static_cast<size_t>(n)));
            target_ = next.is_absolute() ? next : target_.parent_path() / next;
            continue;
        }
        if (!S_ISREG(st.st_mode)) {
            // Renaming over a device node, folder or pipe would destroy it.
            if (error_.empty())
                error_ = CFormat("cannot write %s: not a regular file", target_.string());
            return false;
        }
        mode_ = st.st_mode & 07777;
        keepMode_ = true;
        return true;
    }
    fail("write", ELOOP);
    return false;
}

bool AtomicFile::open() {
    if (target_.empty()) {
        fail("write", ENOENT);
        return false;
    }
    if (!resolveTarget()) return false;
    const std::filesystem::path dir = FolderOf(target_);
    RemoveStaleTemporaries(dir, target_.filename().string());
    // Unnamed first: a write killed half-way then leaves nothing behind, and the target's
    // name may use all 255 bytes. Some file systems cannot, so a short hidden name follows.
    int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 || ::access(kProcFd, X_OK) != 0) {
        if (fd >= 0) ::close(fd);
        fd = -1;
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            const std::filesystem::path tmp = dir / TemporaryName();
            fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0)
                temp_ = tmp;
            else if (errno != EEXIST)
                break;
        }
        if (fd < 0) {
            fail("create", errno);
            return false;
        }
    }
    fd_ = fd;
    // The replaced file keeps its permissions (a private file stays private).
    if (keepMode_ && ::fchmod(fd_, mode_) != 0) {
        fail("write", errno);
        discard();
        return false;
    }
    buffer_.reserve(kBufferSize);
    return true;
}

bool AtomicFile::writeAll(const char* p, size_t left) {
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fail("write", n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFile::flush() {
    bool ok = fd_ >= 0 && writeAll(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok && !failed();
}

void AtomicFile::write(const void* data, size_t size) {
    if (failed()) return;
    if (fd_ < 0) {
        fail("write", EBADF);
        return;
    }
    if (buffer_.size() + size > kBufferSize && !flush()) return;
    if (size >= kBufferSize)
        writeAll(static_cast<const char*>(data), size);  // large pieces skip the buffer
    else
        buffer_.append(static_cast<const char*>(data), size);
}

bool AtomicFile::commit() {
    if (committed_) return true;
    if (fd_ < 0 && !failed()) fail("write", EBADF);
    if (!failed()) flush();
    if (!failed() && ::fsync(fd_) != 0) fail("write", errno);
    if (!failed() && temp_.empty()) {
        // The unnamed file gets a short name only for the moment of the rename.
        const std::string self = CFormat("%s/%d", kProcFd, fd_);
        const std::filesystem::path dir = FolderOf(target_);
        for (int attempt = 0; attempt < 100 && temp_.empty(); ++attempt) {
            const std::filesystem::path tmp = dir / TemporaryName();
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tmp.c_str(), AT_SYMLINK_FOLLOW) == 0)
                temp_ = tmp;
            else if (errno != EEXIST)
                break;
        }
        if (temp_.empty()) fail("write", errno);
    }
    if (fd_ >= 0) {
        if (::close(fd_) != 0) fail("write", errno);
        fd_ = -1;
    }
    if (!failed() && ::rename(temp_.c_str(), target_.c_str()) != 0) fail("replace", errno);
    if (failed()) {
        discard();
        return false;
    }
    temp_.clear();
    committed_ = true;
    return true;
}

std::string WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    AtomicFile file(path);
    if (!file.open()) return file.error();
    file.write(bytes);
    if (!file.commit()) return file.error();
    return {};
}

}  // namespace dorvath
