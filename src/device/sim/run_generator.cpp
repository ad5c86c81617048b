#include "device/sim/run_generator.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "data/track.h"

namespace dorvath {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegree = 111195.0;

// std::mt19937 is specified bit for bit; the library's distributions are not, so the
// shapes are drawn from its raw output.
class Random {
  public:
    explicit Random(uint32_t seed) : gen_(seed) {}
    double uniform() { return (gen_() + 0.5) / 4294967296.0; }
    double normal() {
        return std::sqrt(-2.0 * std::log(uniform())) * std::cos(2 * kPi * uniform());
    }

  private:
    std::mt19937 gen_;
};

}  // namespace

WatchLog GenerateRun(const RunPlan& plan) {
    Random rnd(plan.seed);
    WatchLog log;
    int points = std::max(plan.points, 0);
    log.records.reserve(points + (plan.lapEveryMetres > 0 ? points / 200 + 1 : 0));

    double lat = plan.originLat, lng = plan.originLng;
    double heading = rnd.uniform() * 2 * kPi;
    double turn = 0;
    double fitness = 0.9 + 0.2 * rnd.uniform();  // this day's form
    double phase = rnd.uniform() * 2 * kPi;
    double altBase = 15 + 30 * rnd.uniform();
    double dist = 0, lapStartDist = 0;
    uint32_t t = plan.startTime, lapStartTime = plan.startTime;
    int32_t kcal = 0, lapStartKcal = 0;
    double prevLat = lat, prevLng = lng;
    int dt = std::max(plan.intervalSeconds, 1);

    for (int i = 0; i < points; ++i) {
        double minutes = i * dt / 60.0;
        // Warm-up in the first minutes, a slow swell over the run, small stride noise.
        double warm = std::min(1.0, 0.75 + minutes / 20.0);
        double speed = plan.baseSpeedKmh * fitness * warm *
                       (1 + 0.06 * std::sin(phase + minutes / 7.0)) * (1 + 0.03 * rnd.normal());
        speed = std::clamp(speed, 4.0, 20.0);
        if (i > 0) {
            // Gentle curves, now and then a corner.
            turn = 0.9 * turn + 0.02 * rnd.normal();
            if (rnd.uniform() < 0.004) turn += (rnd.uniform() < 0.5 ? -1 : 1) * 0.4;
            heading += turn;
            double step = speed / 3.6 * dt;
            lat += step * std::cos(heading) / kMetresPerDegree;
            lng += step * std::sin(heading) / (kMetresPerDegree * std::cos(lat * kPi / 180));
        }
        LogRecord fix;
        fix.kind = LogRecord::kFix;
        fix.lat_e6 = static_cast<int32_t>(std::lround(lat * 1e6));
        fix.lng_e6 = static_cast<int32_t>(std::lround(lng * 1e6));
        double fixLat = fix.lat_e6 / 1e6, fixLng = fix.lng_e6 / 1e6;
        if (i > 0) dist += PointDistance(prevLat, prevLng, fixLat, fixLng);
        prevLat = fixLat, prevLng = fixLng;
        t = plan.startTime + static_cast<uint32_t>(i * dt);
        kcal = static_cast<int32_t>(plan.weightKg * dist / 1000.0 * 1.036);
        fix.time = t;
        fix.speed = static_cast<float>(speed);
        fix.dist = dist;
        fix.kcal = kcal;
        fix.pace = static_cast<float>(60.0 / speed);  // minutes per kilometre
        fix.atli = static_cast<float>(altBase + 12 * std::sin(dist / 900.0 + phase) +
                                      4 * std::sin(dist / 230.0) + 0.3 * rnd.normal());
        log.records.push_back(fix);

        if (plan.lapEveryMetres > 0 && dist - lapStartDist >= plan.lapEveryMetres) {
            LogRecord lap;
            lap.kind = LogRecord::kLapMarker;
            lap.time = t;
            lap.kcal = kcal - lapStartKcal;
            lap.lap_distance = static_cast<float>(dist - lapStartDist);
            lap.lap_seconds = static_cast<int32_t>(t - lapStartTime);
            lap.pace =
                lap.lap_seconds > 0
                    ? static_cast<float>(lap.lap_distance / 1000.0 / (lap.lap_seconds / 3600.0))
                    : 0.0f;  // km/h, as the views read it
            log.records.push_back(lap);
            lapStartDist = dist, lapStartTime = t, lapStartKcal = kcal;
        }
    }

    LogHeader& h = log.header;
    h.start_time = plan.startTime;
    h.record_count = static_cast<uint32_t>(log.records.size());
    h.distance_km = static_cast<float>(dist / 1000.0);
    h.kcal = kcal;
    h.elapsed = static_cast<int32_t>(t - plan.startTime);
    h.pace = h.elapsed > 0 ? static_cast<float>(dist / 1000.0 / (h.elapsed / 3600.0)) : 0.0f;
    return log;
}

std::vector<WatchLog> DemoRuns(uint32_t now) {
    // Days back, length in minutes, start minute after 06:00 local (UTC+9 on the demo watch).
    struct Day {
        int daysBack, minutes, startMinute;
    };
    static const Day days[] = {{1, 32, 25}, {2, 45, 40}, {4, 28, 10}, {6, 55, 35}, {9, 38, 20}};
    uint32_t today = now - now % 86400;
    std::vector<WatchLog> out;
    uint32_t seed = 7;
    for (const Day& d : days) {
        RunPlan p;
        p.seed = seed++ + today / 86400;
        // 06:00 local on the demo watch's UTC+9 is 21:00 UTC the day before.
        p.startTime = today - d.daysBack * 86400u - 3 * 3600u + d.startMinute * 60u;
        p.points = d.minutes * 60;
        out.push_back(GenerateRun(p));
    }
    return out;
}

}  // namespace dorvath
