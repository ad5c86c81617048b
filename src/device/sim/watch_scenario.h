#pragma once
// What a simulated watch holds and how it misbehaves: the built-in demo, or a JSON file.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/device_settings.h"
#include "device/sim/run_generator.h"

namespace dorvath {

struct WatchFaults {
    std::optional<uint64_t> stopAfterReports;  // every transfer after this many times out
    std::optional<int> refuseHeaderAtBlock;    // firmware block header refused at this index
    int refuseBodyTimes = 0;                   // the first N firmware block bodies are refused
    int extraLogCount = 0;                     // logs counted but never delivered
};

struct WatchScenario {
    std::string model = "KT907";
    std::string firmwareVersion = "V1.0";
    DeviceSettings settings;  // only bytes 0-123 live on the watch
    std::vector<WatchLog> logs;
    WatchFaults faults;
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
