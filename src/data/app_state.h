#pragma once
// What the views share: the selected day's runs, the open run's points and laps, the
// thinned map line, and the settings block that is also setting.dat.
#include <filesystem>
#include <string>
#include <vector>

#include "data/device_settings.h"
#include "data/result.h"
#include "data/track.h"

namespace dorvath {

// Where the program's files are. Run from its build folder, it keeps velcan.db,
// setting.dat and log.xml beside itself and reads the folders it ships (Html, images,
// help) from there too. Installed (PREFIX/bin/dorvath beside PREFIX/share/dorvath/Html)
// it keeps them in $XDG_DATA_HOME/dorvath, else ~/.local/share/dorvath, and reads the
// shipped folders from PREFIX/share/dorvath. --data-dir wins over both.
struct AppFolders {
    std::filesystem::path data;
    std::filesystem::path shipped;
    bool installed = false;
    bool chosen = false;  // the data folder is the one --data-dir named
};
// xdgDataHome and home as the environment has them (null when unset).
AppFolders LocateAppFolders(const std::filesystem::path& exeDir, const char* xdgDataHome,
                            const char* home);
// This process's folders; `dataDir` (--data-dir, "" when not given) wins for the data.
AppFolders ProgramFolders(const std::filesystem::path& dataDir = {});
std::filesystem::path ExecutableDir();
// Creates the data folder when missing: the one --data-dir names, or an installed
// program's on its first start (the build folder needs nothing). Fails, saying why, when
// it cannot be made or is not a folder.
Result<> PrepareDataDir(const AppFolders& folders);

class AppState {
  public:
    // `folder`: where setting.dat is (and log.xml is written).
    explicit AppState(std::filesystem::path folder = {}) : folder(std::move(folder)) {}

    std::filesystem::path folder;
    std::vector<Track> dayTracks;
    std::vector<TrackPoint> trackPoints;
    std::vector<Lap> trackLaps;
    std::vector<TrackPoint> mapPoints;
    DeviceSettings settings;

    std::filesystem::path file(const std::string& name) const { return folder / name; }

    // Reads up to 132 bytes of setting.dat over the current block; false (block kept)
    // when the file cannot be opened. A field out of its range reads as its default (the
    // file stays as it is until the user saves); `repaired` gets a line per such field.
    bool loadSettingsFile(std::vector<std::string>* repaired = nullptr);
    bool loadSettingsFile(const std::filesystem::path& path,
                          std::vector<std::string>* repaired = nullptr);
    // Writes the 132 bytes through a temporary file renamed over setting.dat, so a crash
    // never leaves a torn file. False when it could not be written.
    Result<> saveSettingsFile();
    Result<> saveSettingsFile(const std::filesystem::path& path);
};

}  // namespace dorvath
