#pragma once
// A fresh folder with its own velcan.db for each test, and file helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "data/temp_dir.h"
#include "data/track_database.h"
#include "support/with_database.h"

namespace dorvath::test {

inline std::filesystem::path GoldenFile(const std::string& name) {
    const char* src = std::getenv("DORVATH_SOURCE");
    std::filesystem::path root = src ? src : DORVATH_TEST_SOURCE_FALLBACK;
    return root / "tests" / "export" / "golden" / name;
}

// The names in a folder, for checking that no temporary file was left behind.
inline std::vector<std::string> FolderEntries(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ExportTest : public WithDatabase {
  protected:
    // Stores a run the way the download does and returns its record with the new objid.
    Track store(std::vector<TrackPoint> pts, Track t) {
        std::vector<Lap> laps;
        db.storeTrack(t, pts, laps);
        return t;
    }
};

}  // namespace dorvath::test
