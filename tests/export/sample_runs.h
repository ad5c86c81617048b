#pragma once
// Runs for the export tests and the export benchmark: a small hand-made run whose files
// are written out by hand under golden/, and a seeded generator for long runs.
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "data/track.h"

namespace dorvath::test {

// 2016-05-01: 07:30:01.987 (six-decimal date, written as 07:30:02), 07:05:09 and 12:00:00.
inline std::vector<TrackPoint> SamplePoints() {
    std::vector<TrackPoint> pts(3);
    pts[0].time = 42491.312523;
    pts[0].lat = -33.5;
    pts[0].lng = 151.25;
    pts[1].time = 42491.295243;
    pts[1].lat = 35.681236;
    pts[1].lng = 139.7671;
    pts[1].dist = 1234.56;
    pts[1].speed = 10.04;
    pts[1].pace = 5.5;
    pts[1].atli = 41.5;
    pts[1].kcal = 80;
    pts[2].time = 42491.5;
    pts[2].lat = 35.000001;
    pts[2].lng = 139.500002;
    pts[2].dist = 2000.04;
    pts[2].speed = 9.96;
    pts[2].pace = 75.5;
    pts[2].atli = -2.25;
    pts[2].kcal = 130;
    for (int i = 0; i < 3; ++i) pts[i].sindex = i;
    return pts;
}

inline Track SampleTrack(const std::vector<TrackPoint>& pts) {
    Track t;
    t.stime = pts.empty() ? 42491.25 : pts.front().time;
    t.etime = pts.empty() ? t.stime : pts.back().time;
    t.numofpt = static_cast<int32_t>(pts.size());
    t.elapsed = 1800;
    t.dist = pts.empty() ? 0 : pts.back().dist;
    t.pace = 10.2;
    t.kcal = 130;
    return t;
}

// A run of n one-second fixes wandering around Tokyo, with values that survive the
// database's six decimals unchanged (the watch delivers millionths of a degree).
inline std::vector<TrackPoint> GeneratedPoints(int n, uint32_t seed, double start = 46329.25) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> step(-40, 40);
    std::uniform_int_distribution<int> speed(60, 160);
    std::vector<TrackPoint> pts(static_cast<size_t>(n));
    long lat = 35681236, lng = 139767125;
    double dist = 0;
    for (int i = 0; i < n; ++i) {
        TrackPoint& p = pts[static_cast<size_t>(i)];
        lat += step(rng);
        lng += step(rng);
        p.sindex = i;
        p.time = std::round((start + i / 86400.0) * 1e6) / 1e6;
        p.lat = lat / 1e6;
        p.lng = lng / 1e6;
        p.speed = speed(rng) / 10.0;
        dist += p.speed / 3.6;
        p.dist = std::round(dist * 10) / 10;
        p.pace = p.speed > 0 ? std::round(60 / p.speed * 1000) / 1000 : 0;
        p.kcal = i / 15;
        p.atli = 40 + (i % 200) / 4.0;
    }
    return pts;
}

}  // namespace dorvath::test
