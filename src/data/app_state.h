#pragma once
// What the views share: the selected day's runs, the open run's points and laps, the
// thinned map line, and the settings block that is also setting.dat.
#include <filesystem>
#include <string>
#include <vector>

#include "data/device_settings.h"
#include "data/track.h"

namespace dorvath {

// Files the program keeps beside itself live in the data folder: the executable's folder,
// unless --data-dir named another one.
void SetDataDir(const std::filesystem::path& dir);
std::filesystem::path DataDir();
std::filesystem::path ExecutableDir();
std::filesystem::path AppPath(const std::string& name);

class AppState {
  public:
    static AppState& instance();

    std::vector<Track> dayTracks;
    std::vector<TrackPoint> trackPoints;
    std::vector<Lap> trackLaps;
    std::vector<TrackPoint> mapPoints;
    DeviceSettings settings;

    // Reads up to 132 bytes of setting.dat over the current block; false (block kept)
    // when the file cannot be opened.
    bool loadSettingsFile();
    bool loadSettingsFile(const std::filesystem::path& path);
    // Writes the 132 bytes through a temporary file renamed over setting.dat, so a crash
    // never leaves a torn file. False when it could not be written.
    bool saveSettingsFile();
    bool saveSettingsFile(const std::filesystem::path& path);
};

}  // namespace dorvath
