#include "device/sim/watch_scenario.h"

#include <ctime>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace dorvath {
namespace {

using nlohmann::json;

[[noreturn]] void Fail(const std::string& key, const std::string& what) {
    throw ScenarioError(key + ": " + what);
}

void CheckKeys(const json& obj, const std::string& where, const std::set<std::string>& allowed) {
    if (!obj.is_object()) Fail(where.empty() ? "scenario" : where, "expected an object");
    for (const auto& [k, v] : obj.items())
        if (!allowed.count(k)) Fail(where.empty() ? k : where + "." + k, "unknown key");
}

std::string Key(const std::string& where, const std::string& k) {
    return where.empty() ? k : where + "." + k;
}

int64_t Integer(const json& v, const std::string& key, int64_t lo, int64_t hi) {
    if (!v.is_number_integer()) Fail(key, "expected an integer");
    int64_t x = v.is_number_unsigned() && v.get<uint64_t>() > uint64_t(INT64_MAX)
                    ? INT64_MAX
                    : v.get<int64_t>();
    if (x < lo || x > hi)
        Fail(key, "out of range (" + std::to_string(lo) + " to " + std::to_string(hi) + ")");
    return x;
}

double Number(const json& v, const std::string& key) {
    if (!v.is_number()) Fail(key, "expected a number");
    return v.get<double>();
}

std::string Text(const json& v, const std::string& key) {
    if (!v.is_string()) Fail(key, "expected a string");
    return v.get<std::string>();
}

constexpr int64_t kI32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kI32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kU32Max = std::numeric_limits<uint32_t>::max();

LogRecord ParseRecord(const json& j, const std::string& where) {
    CheckKeys(j, where,
              {"kind", "lat_e6", "lng_e6", "time", "speed", "dist", "kcal", "lap_distance",
               "lap_seconds", "pace", "atli"});
    LogRecord r;
    for (const auto& [k, v] : j.items()) {
        std::string key = Key(where, k);
        if (k == "kind")
            r.kind = static_cast<int32_t>(Integer(v, key, kI32Min, kI32Max));
        else if (k == "lat_e6")
            r.lat_e6 = static_cast<int32_t>(Integer(v, key, kI32Min, kI32Max));
        else if (k == "lng_e6")
            r.lng_e6 = static_cast<int32_t>(Integer(v, key, kI32Min, kI32Max));
        else if (k == "time")
            r.time = static_cast<uint32_t>(Integer(v, key, 0, kU32Max));
        else if (k == "speed")
            r.speed = static_cast<float>(Number(v, key));
        else if (k == "dist")
            r.dist = Number(v, key);
        else if (k == "kcal")
            r.kcal = static_cast<int32_t>(Integer(v, key, kI32Min, kI32Max));
        else if (k == "lap_distance")
            r.lap_distance = static_cast<float>(Number(v, key));
        else if (k == "lap_seconds")
            r.lap_seconds = static_cast<int32_t>(Integer(v, key, kI32Min, kI32Max));
        else if (k == "pace")
            r.pace = static_cast<float>(Number(v, key));
        else if (k == "atli")
            r.atli = static_cast<float>(Number(v, key));
    }
    return r;
}

WatchLog ParseLog(const json& j, const std::string& where) {
    CheckKeys(j, where,
              {"start_time", "distance_km", "kcal", "elapsed", "pace", "records", "generate",
               "record_count"});
    if (!j.contains("start_time")) Fail(Key(where, "start_time"), "missing");
    if (j.contains("records") && j.contains("generate"))
        Fail(Key(where, "generate"), "give either records or generate, not both");
    WatchLog log;
    uint32_t start =
        static_cast<uint32_t>(Integer(j["start_time"], Key(where, "start_time"), 0, kU32Max));
    if (j.contains("generate")) {
        const json& g = j["generate"];
        std::string gw = Key(where, "generate");
        CheckKeys(g, gw, {"points", "lap_every_m", "seed"});
        RunPlan plan;
        plan.startTime = start;
        if (g.contains("points"))
            plan.points = static_cast<int>(Integer(g["points"], Key(gw, "points"), 0, 10'000'000));
        if (g.contains("lap_every_m")) {
            plan.lapEveryMetres = Number(g["lap_every_m"], Key(gw, "lap_every_m"));
            if (plan.lapEveryMetres < 0) Fail(Key(gw, "lap_every_m"), "must not be negative");
        }
        if (g.contains("seed"))
            plan.seed = static_cast<uint32_t>(Integer(g["seed"], Key(gw, "seed"), 0, kU32Max));
        log = GenerateRun(plan);
    } else if (j.contains("records")) {
        const json& recs = j["records"];
        if (!recs.is_array()) Fail(Key(where, "records"), "expected an array");
        for (size_t i = 0; i < recs.size(); ++i)
            log.records.push_back(
                ParseRecord(recs[i], Key(where, "records") + "[" + std::to_string(i) + "]"));
    }
    LogHeader& h = log.header;
    h.start_time = start;
    h.record_count = static_cast<uint32_t>(log.records.size());
    for (const auto& [k, v] : j.items()) {
        std::string key = Key(where, k);
        if (k == "distance_km")
            h.distance_km = static_cast<float>(Number(v, key));
        else if (k == "kcal")
            h.kcal = static_cast<int32_t>(Integer(v, key, kI32Min, kI32Max));
        else if (k == "elapsed")
            h.elapsed = static_cast<int32_t>(Integer(v, key, kI32Min, kI32Max));
        else if (k == "pace")
            h.pace = static_cast<float>(Number(v, key));
        else if (k == "record_count")
            h.record_count = static_cast<uint32_t>(Integer(v, key, 0, kU32Max));
    }
    return log;
}

void ParseFaults(const json& j, WatchFaults& f) {
    CheckKeys(j, "faults",
              {"stop_after_reports", "refuse_header_at_block", "refuse_body_times",
               "extra_log_count", "late_at_report", "late_ms", "short_at_report"});
    for (const auto& [k, v] : j.items()) {
        std::string key = "faults." + k;
        if (k == "stop_after_reports")
            f.stopAfterReports = Integer(v, key, 0, INT64_MAX);
        else if (k == "refuse_header_at_block")
            f.refuseHeaderAtBlock = static_cast<int>(Integer(v, key, 0, 191));
        else if (k == "refuse_body_times")
            f.refuseBodyTimes = static_cast<int>(Integer(v, key, 0, 1'000'000));
        else if (k == "extra_log_count")
            f.extraLogCount = static_cast<int>(Integer(v, key, 0, 1'000'000));
        else if (k == "late_at_report")
            f.lateAtReport = Integer(v, key, 1, INT64_MAX);
        else if (k == "late_ms")
            f.lateMs = static_cast<int>(Integer(v, key, 0, 60'000));
        else if (k == "short_at_report")
            f.shortAtReport = Integer(v, key, 1, INT64_MAX);
    }
}

}  // namespace

WatchScenario DemoScenario(uint32_t now) {
    WatchScenario s;
    s.logs = DemoRuns(now);
    return s;
}

WatchScenario ParseScenario(const std::string& text) {
    json j;
    try {
        j = json::parse(text);
    } catch (const json::parse_error& e) {
        throw ScenarioError(std::string("scenario: not JSON: ") + e.what());
    }
    CheckKeys(j, "",
              {"model", "firmware_version", "settings", "logs", "faults", "report_delay_us"});
    WatchScenario s;
    if (j.contains("model")) s.model = Text(j["model"], "model");
    if (j.contains("firmware_version"))
        s.firmwareVersion = Text(j["firmware_version"], "firmware_version");
    if (j.contains("settings")) {
        const json& st = j["settings"];
        if (!st.is_object()) Fail("settings", "expected an object");
        for (const auto& [k, v] : st.items()) {
            const SettingsField* f = DeviceSettings::findField(k);
            std::string key = "settings." + k;
            // The two fields after byte 123 never reach the watch.
            if (!f || f->offset >= DeviceSettings::kDeviceSize) Fail(key, "unknown key");
            int64_t lo = f->width == 4 ? kI32Min : 0;
            int64_t hi = f->width == 4 ? kI32Max : (f->width == 2 ? 0xFFFF : 0xFF);
            s.settings.set(k, static_cast<int32_t>(Integer(v, key, lo, hi)));
        }
    }
    if (j.contains("logs")) {
        const json& logs = j["logs"];
        if (!logs.is_array()) Fail("logs", "expected an array");
        for (size_t i = 0; i < logs.size(); ++i)
            s.logs.push_back(ParseLog(logs[i], "logs[" + std::to_string(i) + "]"));
    }
    if (j.contains("faults")) ParseFaults(j["faults"], s.faults);
    if (j.contains("report_delay_us"))
        s.reportDelayUs =
            static_cast<int>(Integer(j["report_delay_us"], "report_delay_us", 0, 1'000'000));
    return s;
}

WatchScenario LoadScenario(const std::string& nameOrPath) {
    if (nameOrPath == "demo") return DemoScenario(static_cast<uint32_t>(std::time(nullptr)));
    std::ifstream in(nameOrPath, std::ios::binary);
    if (!in) throw ScenarioError(nameOrPath + ": cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    try {
        return ParseScenario(text.str());
    } catch (const ScenarioError& e) {
        throw ScenarioError(nameOrPath + ": " + e.what());
    }
}

}  // namespace dorvath
