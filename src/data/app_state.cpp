#include "data/app_state.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "data/atomic_file.h"

namespace dorvath {
std::filesystem::path ExecutableDir() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path();
    return exe.parent_path();
}

AppFolders LocateAppFolders(const std::filesystem::path& exeDir, const char* xdgDataHome,
                            const char* home) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path share = exeDir.parent_path() / "share" / "dorvath";
    if (exeDir.filename() != "bin" || !fs::is_directory(share / "Html", ec))
        return {exeDir, exeDir, false};
    AppFolders f{{}, share, true};
    // The XDG rule: a relative $XDG_DATA_HOME is to be ignored.
    if (xdgDataHome && *xdgDataHome && fs::path(xdgDataHome).is_absolute()) {
        f.data = fs::path(xdgDataHome) / "dorvath";
        return f;
    }
    std::string h = home && *home ? home : "";
    if (h.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) h = pw->pw_dir;
    }
    f.data = fs::path(h.empty() ? "/" : h) / ".local" / "share" / "dorvath";
    return f;
}

AppFolders ProgramFolders(const std::filesystem::path& dataDir) {
    AppFolders f =
        LocateAppFolders(ExecutableDir(), std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (!dataDir.empty()) {
        f.data = std::filesystem::absolute(dataDir);
        f.chosen = true;
    }
    return f;
}

Result<> PrepareDataDir(const AppFolders& folders) {
    namespace fs = std::filesystem;
    if (!folders.chosen && !folders.installed) return Result<>::success();  // the build folder
    const fs::path& dir = folders.data;
    std::error_code ec;
    if (fs::is_directory(dir, ec)) return Result<>::success();
    const bool created = fs::create_directories(dir, ec);
    const std::string why = ec ? ec.message() : "";
    if (!fs::is_directory(dir, ec))
        return Result<>::failure("cannot use the data folder " + dir.string() + ": " +
                                 (fs::exists(dir, ec) || why.empty() ? "it is not a folder" : why));
    // Only the user's own runs live in the folder made for them.
    if (created && !folders.chosen) fs::permissions(dir, fs::perms::owner_all, ec);
    return Result<>::success();
}

bool AppState::loadSettingsFile(std::vector<std::string>* repaired) {
    return loadSettingsFile(file("setting.dat"), repaired);
}

bool AppState::loadSettingsFile(const std::filesystem::path& path,
                                std::vector<std::string>* repaired) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    // A short file overwrites only its leading bytes; the rest keeps what it had.
    in.read(reinterpret_cast<char*>(settings.data()), DeviceSettings::kFileSize);
    // Random bytes must not show as a weight of -1300541743 kg or reach the watch.
    std::vector<std::string> changed = settings.resetOutOfRange();
    if (repaired) *repaired = std::move(changed);
    return true;
}

Result<> AppState::saveSettingsFile() { return saveSettingsFile(file("setting.dat")); }

Result<> AppState::saveSettingsFile(const std::filesystem::path& path) {
    const auto* bytes = reinterpret_cast<const char*>(settings.data());
    return Result<>::fromReason(WriteFileAtomically(path, {bytes, DeviceSettings::kFileSize}));
}

}  // namespace dorvath
