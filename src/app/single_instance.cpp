#include "app/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace dorvath {
namespace {

constexpr const char* kLockName = ".dorvath.lock";
constexpr const char* kSocketName = ".dorvath.sock";
constexpr const char* kRequest = "activate\n";

// The socket lives in the data folder when its path fits into sun_path; otherwise in a
// private folder of the user's, named after the data folder.
std::filesystem::path SocketFor(const std::filesystem::path& dir) {
    std::filesystem::path p = dir / kSocketName;
    if (p.native().size() < sizeof(sockaddr_un{}.sun_path)) return p;
    std::filesystem::path base =
        std::filesystem::temp_directory_path() / ("dorvath-" + std::to_string(::getuid()));
    ::mkdir(base.c_str(), 0700);
    return base / (std::to_string(std::hash<std::string>{}(dir.string())) + ".sock");
}

bool FillAddress(const std::filesystem::path& p, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (p.native().size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, p.c_str(), p.native().size());
    return true;
}

bool WriteAll(int fd, const std::string& s) {
    size_t done = 0;
    while (done < s.size()) {
        ssize_t n = ::send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Reads until the peer closes, a newline, the limit or the deadline.
std::optional<std::string> ReadLine(int fd, int timeoutMs) {
    std::string out;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < 4096) {
        int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        end - std::chrono::steady_clock::now())
                                        .count());
        if (left <= 0) return std::nullopt;
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, left);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return std::nullopt;
        char buf[512];
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buf, static_cast<size_t>(n));
        if (out.find('\n') != std::string::npos) break;
    }
    if (auto nl = out.find('\n'); nl != std::string::npos) out.resize(nl);
    return out;
}

}  // namespace

SingleInstance::SingleInstance(std::filesystem::path dataDir) : dir_(std::move(dataDir)) {}

SingleInstance::~SingleInstance() {
    if (thread_.joinable()) {
        char c = 1;
        ssize_t ignored = ::write(wakeFd_[1], &c, 1);
        (void)ignored;
        thread_.join();
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(socketPath().c_str());
    }
    for (int fd : wakeFd_)
        if (fd >= 0) ::close(fd);
    if (lockFd_ >= 0) ::close(lockFd_);  // releases the lock
}

std::filesystem::path SingleInstance::socketPath() const { return SocketFor(dir_); }

SingleInstance::Acquire SingleInstance::acquire() {
    if (lockFd_ >= 0) return Acquire::Acquired;
    int fd = ::open((dir_ / kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        // Not another copy: the folder itself is unusable (read-only, not a folder, ...).
        error_ = std::strerror(errno);
        return Acquire::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return Acquire::HeldByAnother;
        error_ = std::strerror(err);
        return Acquire::Failed;
    }
    lockFd_ = fd;
    return Acquire::Acquired;
}

bool SingleInstance::listen(std::function<std::string()> onActivate) {
    if (lockFd_ < 0 || listenFd_ >= 0) return false;
    onActivate_ = std::move(onActivate);
    sockaddr_un addr;
    std::filesystem::path p = socketPath();
    if (!FillAddress(p, addr)) return false;
    ::unlink(p.c_str());  // left by a process that died; we hold the lock now
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    // Only this user may ask for the address, which carries the page token.
    mode_t old = ::umask(0077);
    int rc = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::umask(old);
    if (rc != 0 || ::listen(fd, 4) != 0 || ::pipe2(wakeFd_, O_CLOEXEC) != 0) {
        ::close(fd);
        return false;
    }
    listenFd_ = fd;
    thread_ = std::thread([this] { serve(); });
    return true;
}

void SingleInstance::serve() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        int c = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) continue;
        auto request = ReadLine(c, 1000);
        if (request && *request + "\n" == kRequest) {
            std::string answer = onActivate_ ? onActivate_() : std::string();
            WriteAll(c, answer + "\n");
        }
        ::close(c);
    }
}

std::optional<std::string> SingleInstance::activateFirst(int timeoutMs) {
    sockaddr_un addr;
    if (!FillAddress(socketPath(), addr)) return std::nullopt;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // The first instance may hold the lock but not listen yet: try again for a while.
    while (std::chrono::steady_clock::now() < end) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return std::nullopt;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            std::optional<std::string> answer;
            if (WriteAll(fd, kRequest)) answer = ReadLine(fd, timeoutMs);
            ::close(fd);
            return answer;
        }
        ::close(fd);
        ::usleep(50 * 1000);
    }
    return std::nullopt;
}

}  // namespace dorvath
