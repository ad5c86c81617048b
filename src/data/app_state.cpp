#include "data/app_state.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace dorvath {
namespace {
std::filesystem::path& DataDirOverride() {
    static std::filesystem::path dir;
    return dir;
}
}  // namespace

std::filesystem::path ExecutableDir() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path();
    return exe.parent_path();
}

void SetDataDir(const std::filesystem::path& dir) {
    DataDirOverride() = dir.empty() ? dir : std::filesystem::absolute(dir);
}

std::filesystem::path DataDir() {
    return DataDirOverride().empty() ? ExecutableDir() : DataDirOverride();
}

std::filesystem::path AppPath(const std::string& name) { return DataDir() / name; }

AppState& AppState::instance() {
    static AppState state;
    return state;
}

bool AppState::loadSettingsFile() { return loadSettingsFile(AppPath("setting.dat")); }

bool AppState::loadSettingsFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    // A short file overwrites only its leading bytes; the rest keeps what it had.
    in.read(reinterpret_cast<char*>(settings.data()), DeviceSettings::kFileSize);
    return true;
}

bool AppState::saveSettingsFile() { return saveSettingsFile(AppPath("setting.dat")); }

bool AppState::saveSettingsFile(const std::filesystem::path& path) {
    std::filesystem::path tmp = path;
    tmp += ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const uint8_t* p = settings.data();
    size_t left = DeviceSettings::kFileSize;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        p += n;
        left -= static_cast<size_t>(n);
    }
    bool ok = left == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(tmp.c_str(), path.c_str()) == 0) return true;
    ::unlink(tmp.c_str());
    return false;
}

}  // namespace dorvath
