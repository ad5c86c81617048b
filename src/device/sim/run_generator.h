#pragma once
// A seeded generator of realistic runs as the watch records them: a wandering route,
// speeds that drift and wobble, rolling altitude, and a lap marker each lap distance.
// The same plan always gives the same run, on every machine.
#include <cstdint>
#include <vector>

#include "device/protocol.h"

namespace dorvath {

// A log as the watch holds it.
struct WatchLog {
    LogHeader header;
    std::vector<LogRecord> records;
};

struct RunPlan {
    uint32_t seed = 1;
    uint32_t startTime = 0;  // watch seconds since 1970
    int points = 1800;       // GPS fixes
    int intervalSeconds = 1;
    double lapEveryMetres = 1000;  // 0: no lap markers
    double originLat = 35.685175;
    double originLng = 139.752799;
    double baseSpeedKmh = 10.5;
    double weightKg = 60;
};

// Fixes and lap markers in stream order; the header's record_count counts both.
WatchLog GenerateRun(const RunPlan& plan);

// The demo watch's runs: a handful of morning runs on the days before `now` (watch
// seconds), fixed for a given day.
std::vector<WatchLog> DemoRuns(uint32_t now);

}  // namespace dorvath
