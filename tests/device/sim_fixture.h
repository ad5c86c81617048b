#pragma once
// A simulated watch with a scenario built in the test, a link onto it, an in-memory
// track database, and helpers to read the wire.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/track_database.h"
#include "device/device_messages.h"
#include "device/protocol.h"
#include "device/sim/simulated_link.h"
#include "device/sim/simulated_watches.h"
#include "device/sim/watch_simulator.h"

namespace dorvath::test {

inline LogRecord Fix(uint32_t time, int32_t lat = 35000000, int32_t lng = 139000000) {
    return {.lat_e6 = lat,
            .lng_e6 = lng,
            .time = time,
            .speed = 10.5f,
            .dist = 12.25,
            .kcal = 3,
            .kind = LogRecord::kFix,
            .pace = 5.75f,
            .atli = 42.5f};
}

inline LogRecord LapMarker(uint32_t time, float dist = 1000.5f, int32_t seconds = 340) {
    return {.time = time,
            .kcal = 61,
            .kind = LogRecord::kLapMarker,
            .lap_distance = dist,
            .lap_seconds = seconds,
            .pace = 10.25f};
}

// A log of `n` fixes one second apart from `start`.
inline WatchLog FixLog(uint32_t start, uint32_t n) {
    WatchLog l;
    for (uint32_t i = 0; i < n; ++i) l.records.push_back(Fix(start + i, 35000000 + int32_t(i)));
    l.header.start_time = start;
    l.header.record_count = n;
    l.header.distance_km = 1.5f;
    l.header.kcal = 90;
    l.header.elapsed = static_cast<int32_t>(n);
    l.header.pace = 9.5f;
    return l;
}

inline WatchLog LogOf(uint32_t start, std::vector<LogRecord> records) {
    WatchLog l;
    l.records = std::move(records);
    l.header.start_time = start;
    l.header.record_count = static_cast<uint32_t>(l.records.size());
    return l;
}

// The messages the device code shows, in order.
struct RecordingSink : DeviceMessageSink {
    void showMessage(const std::string& t) override { messages.push_back(t); }
    std::vector<std::string> messages;
};

class SimFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(":memory:");
        db.createTables();
    }

    // Makes the watch from `scenario`, a link onto it, and offers it as "sim:test".
    void start() {
        watch = std::make_shared<WatchSimulator>(scenario);
        link = std::make_unique<SimulatedLink>(watch);
        watches.add("test", watch);
    }

    int count(const char* table) {
        return db.queryInt(std::string("select count(*) from ") + table + ";");
    }

    // Host writes whose first four bytes are `code`.
    std::vector<Report> writes(uint32_t code) const {
        std::vector<Report> out;
        for (const Report& r : watch->hostWrites())
            if (GetU32(r.data()) == code) out.push_back(r);
        return out;
    }

    TrackDatabase db;
    WatchScenario scenario;
    std::shared_ptr<WatchSimulator> watch;
    std::unique_ptr<SimulatedLink> link;
    SimulatedWatchFinder watches, noWatch;
};

}  // namespace dorvath::test
