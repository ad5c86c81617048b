#pragma once
// A velcan.db with its tables in a fresh temporary folder, removed with the folder.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/track_database.h"

namespace dorvath::bench {

struct BenchDatabase {
    std::filesystem::path dir;
    TrackDatabase db;

    BenchDatabase() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "dorvath-bench-XXXXXX").string();
        dir = mkdtemp(tmpl.data());
        db.open((dir / "velcan.db").string());
        db.createTables();
    }
    ~BenchDatabase() {
        db.close();
        std::filesystem::remove_all(dir);
    }
};

// `count` laps of 1000 m that share `points` points evenly, each `seconds` long.
inline std::vector<Lap> EvenLaps(int count, int points, int32_t seconds = 0) {
    std::vector<Lap> laps(count);
    for (int i = 0; i < count; ++i) {
        laps[i].time = seconds;
        laps[i].dist = 1000;
        laps[i].si = i * (points / count);
        laps[i].ei = (i + 1) * (points / count);
    }
    return laps;
}

}  // namespace dorvath::bench
