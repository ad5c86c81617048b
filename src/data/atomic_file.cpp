#include "data/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "data/c_format.h"

namespace dorvath {
namespace {

constexpr size_t kBufferSize = 1 << 16;

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
    // The temporary name lies in the target's own folder so that the rename never crosses
    // file systems. O_EXCL with a counter keeps two writers from sharing one.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path tmp = target_;
        tmp += CFormat(".%d-%u.tmp", static_cast<int>(::getpid()), counter++);
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            temp_ = tmp;
            // The replaced file keeps its permissions (a private file stays private).
            if (keepMode_ && ::fchmod(fd_, mode_) != 0) {
                fail("write", errno);
                discard();
                return false;
            }
            buffer_.reserve(kBufferSize);
            return true;
        }
        if (errno != EEXIST) {
            fail("create", errno);
            return false;
        }
    }
    fail("create", EEXIST);
    return false;
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
