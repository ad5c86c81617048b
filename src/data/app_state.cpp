#include "data/app_state.h"

#include <fstream>
#include <system_error>

#include "data/atomic_file.h"

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
    const auto* bytes = reinterpret_cast<const char*>(settings.data());
    return WriteFileAtomically(path, {bytes, DeviceSettings::kFileSize}).empty();
}

}  // namespace dorvath
