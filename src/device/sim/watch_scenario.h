#pragma once
// What a simulated watch holds and how it misbehaves: the built-in demo, or a JSON file:
//   {"model": "KT907", "firmware_version": "V1.0", "settings": {FORM_NAME: value, ...},
//    "logs": [{"start_time": S, "distance_km": D, "kcal": K, "elapsed": E, "pace": P,
//              "record_count": N (optional, defaults to the records given),
//              "records": [{"kind": 0, "lat_e6": .., "lng_e6": .., "time": .., "speed": ..,
//                           "dist": .., "kcal": .., "pace": .., "atli": ..},
//                          {"kind": 1, "kcal": .., "lap_distance": .., "lap_seconds": ..,
//                           "pace": ..}, ...]}
//             or {"start_time": S, "generate": {"points": N, "lap_every_m": M, "seed": X}}],
//    "faults": {"stop_after_reports": N, "refuse_header_at_block": I,
//               "refuse_body_times": N, "extra_log_count": N,
//               "late_at_report": N, "late_ms": M, "short_at_report": N},
//    "report_delay_us": N}
// Every key is optional except a log's start_time. Missing record and header numbers are 0;
// a generated log takes its header from the run unless the log names the field.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/device_settings.h"
#include "device/protocol.h"
#include "device/sim/run_generator.h"

namespace dorvath {

struct WatchFaults {
    std::optional<uint64_t> stopAfterReports;  // every transfer after this many times out
    std::optional<int> refuseHeaderAtBlock;    // firmware block header refused at this index
    int refuseBodyTimes = 0;                   // the first N firmware block bodies are refused
    int extraLogCount = 0;                     // logs counted but never delivered
    std::optional<uint64_t> lateAtReport;      // this transfer (from 1) completes late_ms late
    int lateMs = 0;
    std::optional<uint64_t> shortAtReport;  // this transfer's reply is a partial report
};

struct WatchScenario {
    std::string model = kWatchModel;
    std::string firmwareVersion = "V1.0";
    DeviceSettings settings;  // only bytes 0-123 live on the watch
    std::vector<WatchLog> logs;
    WatchFaults faults;
    // Added to every report, as a real watch takes its time (a firmware update then lasts
    // long enough to be watched).
    int reportDelayUs = 0;
};

// A scenario that cannot be used; the text names the offending key.
class ScenarioError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The demo watch: a few realistic runs on the days before `now` (seconds since 1970).
WatchScenario DemoScenario(uint32_t now);
// Parses scenario JSON. Throws ScenarioError.
WatchScenario ParseScenario(const std::string& json);
// "demo" or a path to a JSON file. Throws ScenarioError.
WatchScenario LoadScenario(const std::string& nameOrPath);

}  // namespace dorvath
