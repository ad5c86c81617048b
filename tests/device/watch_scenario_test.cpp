#include "device/sim/watch_scenario.h"

#include <gtest/gtest.h>

#include <cmath>

#include "data/track.h"
#include "device/sim/run_generator.h"

namespace dorvath {
namespace {

std::string ErrorOf(const std::string& json) {
    try {
        ParseScenario(json);
    } catch (const ScenarioError& e) {
        return e.what();
    }
    return "";
}

TEST(ScenarioFile, FullExampleIsRead) {
    WatchScenario s = ParseScenario(R"({
      "model": "KT908", "firmware_version": "V2.1",
      "settings": {"utc_bias": 60, "daylight": 1, "hour1": 7},
      "logs": [
        {"start_time": 1700000000, "distance_km": 1.5, "kcal": 80, "elapsed": 600, "pace": 9.0,
         "records": [
           {"kind": 0, "lat_e6": 35000000, "lng_e6": 139000000, "time": 1700000000,
            "speed": 10.5, "dist": 0.0, "kcal": 0, "pace": 5.7, "atli": 12.5},
           {"kind": 1, "kcal": 70, "lap_distance": 1000.0, "lap_seconds": 340, "pace": 10.6}]},
        {"start_time": 1700100000, "generate": {"points": 600, "lap_every_m": 500, "seed": 3}}],
      "faults": {"stop_after_reports": 40, "refuse_header_at_block": 5,
                 "refuse_body_times": 2, "extra_log_count": 1}})");
    EXPECT_EQ(s.model, "KT908");
    EXPECT_EQ(s.firmwareVersion, "V2.1");
    EXPECT_EQ(s.settings.utcBias(), 60);
    EXPECT_EQ(s.settings.daylight(), 1);
    EXPECT_EQ(s.settings.get("hour1"), 7);
    EXPECT_EQ(s.settings.get("weight"), 60);  // untouched fields keep their defaults
    ASSERT_EQ(s.logs.size(), 2u);
    EXPECT_EQ(s.logs[0].header.record_count, 2u);
    EXPECT_EQ(s.logs[0].header.kcal, 80);
    EXPECT_FLOAT_EQ(s.logs[0].header.distance_km, 1.5f);
    EXPECT_EQ(s.logs[0].records[0].lat_e6, 35000000);
    EXPECT_FLOAT_EQ(s.logs[0].records[0].atli, 12.5f);
    EXPECT_EQ(s.logs[0].records[1].kind, 1);
    EXPECT_EQ(s.logs[0].records[1].lap_seconds, 340);
    EXPECT_EQ(s.logs[1].header.start_time, 1700100000u);
    EXPECT_GT(s.logs[1].header.record_count, 600u);  // the fixes and their lap markers
    EXPECT_EQ(s.faults.stopAfterReports, 40u);
    EXPECT_EQ(s.faults.refuseHeaderAtBlock, 5);
    EXPECT_EQ(s.faults.refuseBodyTimes, 2);
    EXPECT_EQ(s.faults.extraLogCount, 1);
}

TEST(ScenarioFile, UnknownKeysAreNamed) {
    EXPECT_EQ(ErrorOf(R"({"modle": "KT907"})"), "modle: unknown key");
    EXPECT_EQ(ErrorOf(R"({"settings": {"reserved": 1}})"), "settings.reserved: unknown key");
    EXPECT_EQ(ErrorOf(R"({"settings": {"wieght": 1}})"), "settings.wieght: unknown key");
    EXPECT_EQ(ErrorOf(R"({"logs": [{"start_time": 1, "colour": 1}]})"),
              "logs[0].colour: unknown key");
    EXPECT_EQ(ErrorOf(R"({"logs": [{"start_time": 1, "records": [{"kind": 0}, {"knd": 1}]}]})"),
              "logs[0].records[1].knd: unknown key");
    EXPECT_EQ(ErrorOf(R"({"faults": {"stop": 1}})"), "faults.stop: unknown key");
    EXPECT_EQ(ErrorOf(R"({"logs": [{"start_time": 1, "generate": {"point": 1}}]})"),
              "logs[0].generate.point: unknown key");
}

TEST(ScenarioFile, WrongTypesAndRangesAreNamed) {
    EXPECT_EQ(ErrorOf(R"({"model": 5})"), "model: expected a string");
    EXPECT_EQ(ErrorOf(R"({"logs": {}})"), "logs: expected an array");
    EXPECT_EQ(ErrorOf(R"({"logs": [{"start_time": 1.5}]})"),
              "logs[0].start_time: expected an integer");
    EXPECT_EQ(ErrorOf(R"({"logs": [{"start_time": -1}]})"),
              "logs[0].start_time: out of range (0 to 4294967295)");
    EXPECT_EQ(ErrorOf(R"({"logs": [{"kcal": 1}]})"), "logs[0].start_time: missing");
    EXPECT_EQ(ErrorOf(R"({"logs": [{"start_time": 1, "records": [{"speed": "fast"}]}]})"),
              "logs[0].records[0].speed: expected a number");
    EXPECT_EQ(ErrorOf(R"({"settings": {"hour0": 300}})"),
              "settings.hour0: out of range (0 to 255)");
    EXPECT_EQ(ErrorOf(R"({"faults": {"refuse_header_at_block": 192}})"),
              "faults.refuse_header_at_block: out of range (0 to 191)");
    EXPECT_EQ(ErrorOf(R"([1, 2])"), "scenario: expected an object");
    EXPECT_NE(ErrorOf("{"), "");
}

TEST(ScenarioFile, RecordCountMayDifferFromTheRecordsGiven) {
    WatchScenario s = ParseScenario(R"({"logs": [{"start_time": 5, "record_count": 9,
        "records": [{"kind": 0}]}]})");
    EXPECT_EQ(s.logs[0].header.record_count, 9u);
    EXPECT_EQ(s.logs[0].records.size(), 1u);
}

TEST(ScenarioFile, MissingFileIsAnError) {
    EXPECT_THROW(LoadScenario("/no/such/file.json"), ScenarioError);
}

// ---- Generated runs -------------------------------------------------------------------

TEST(RunGenerator, SamePlanSameRun) {
    RunPlan p;
    p.seed = 42;
    p.points = 500;
    WatchLog a = GenerateRun(p), b = GenerateRun(p);
    ASSERT_EQ(a.records.size(), b.records.size());
    for (size_t i = 0; i < a.records.size(); ++i) {
        EXPECT_EQ(a.records[i].lat_e6, b.records[i].lat_e6);
        EXPECT_EQ(a.records[i].dist, b.records[i].dist);
    }
    p.seed = 43;
    EXPECT_NE(GenerateRun(p).records[100].lat_e6 + GenerateRun(p).records[100].lng_e6,
              a.records[100].lat_e6 + a.records[100].lng_e6);
}

TEST(RunGenerator, LooksLikeARunWithALapEachKilometre) {
    RunPlan p;
    p.seed = 9;
    p.startTime = 1700000000;
    p.points = 3600;
    WatchLog run = GenerateRun(p);
    EXPECT_EQ(run.header.record_count, run.records.size());
    int fixes = 0, laps = 0;
    double lastDist = -1, lapSum = 0;
    uint32_t lastTime = 0;
    const LogRecord* prev = nullptr;
    for (const LogRecord& r : run.records) {
        if (r.kind == LogRecord::kFix) {
            ++fixes;
            EXPECT_GE(r.dist, lastDist);
            EXPECT_GE(r.time, lastTime);
            EXPECT_GE(r.speed, 4.0f);
            EXPECT_LE(r.speed, 20.0f);
            EXPECT_GT(r.atli, -50.0f);
            EXPECT_LT(r.atli, 200.0f);
            if (prev) {
                // Steps match the speed, within the rounding to millionths of a degree.
                double step = PointDistance(prev->lat_e6 / 1e6, prev->lng_e6 / 1e6, r.lat_e6 / 1e6,
                                            r.lng_e6 / 1e6);
                EXPECT_NEAR(step, r.speed / 3.6, 0.5);
            }
            lastDist = r.dist, lastTime = r.time, prev = &r;
        } else {
            ASSERT_EQ(r.kind, LogRecord::kLapMarker);
            ++laps;
            EXPECT_GE(r.lap_distance, 1000.0f);
            EXPECT_LT(r.lap_distance, 1010.0f);
            EXPECT_GT(r.lap_seconds, 180);
            EXPECT_LT(r.lap_seconds, 900);
            lapSum += r.lap_distance;
        }
    }
    EXPECT_EQ(fixes, 3600);
    EXPECT_EQ(laps, static_cast<int>(lastDist / 1000));
    EXPECT_LE(lapSum, lastDist);
    EXPECT_NEAR(run.header.distance_km * 1000, lastDist, 1);
    EXPECT_EQ(run.header.elapsed, 3599);
    EXPECT_GT(run.header.pace, 6);  // km/h
    EXPECT_LT(run.header.pace, 16);
}

TEST(RunGenerator, DemoRunsAreOnRecentMorningsAndFixedForTheDay) {
    const uint32_t now = 1796000000;
    auto a = DemoRuns(now), b = DemoRuns(now + 600);
    ASSERT_GE(a.size(), 3u);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].header.start_time, b[i].header.start_time);
        EXPECT_LT(a[i].header.start_time, now);
        EXPECT_GT(a[i].header.start_time, now - 14 * 86400u);
        // Mornings on the demo watch's UTC+9 clock.
        int hour = static_cast<int>((a[i].header.start_time + 9 * 3600) % 86400 / 3600);
        EXPECT_GE(hour, 5);
        EXPECT_LE(hour, 8);
    }
}

}  // namespace
}  // namespace dorvath
