// Storing and reading a 100,000-point run: our SQL-text statements against a prepared,
// bound statement and a raw sqlite3_step loop over the same rows.
#include <sqlite3.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "bench_database.h"
#include "data/c_format.h"
#include "data/track_database.h"
#include "ratio_reporter.h"

using namespace dorvath;

namespace {

constexpr int kPoints = 100000;
constexpr int kLaps = 100;

std::vector<TrackPoint> MakePoints() {
    std::vector<TrackPoint> pts(kPoints);
    double start = OleDateFromFields(2026, 11, 3, 6, 30, 0);
    for (int i = 0; i < kPoints; ++i) {
        TrackPoint& p = pts[i];
        p.time = start + i / 86400.0;
        p.lat = 35.681236 + 0.002 * std::sin(i / 500.0);
        p.lng = 139.767125 + 0.002 * std::cos(i / 700.0);
        p.dist = i * 2.9;
        p.speed = 10.4 + std::sin(i / 60.0);
        p.kcal = i / 20;
        p.pace = 5.45;
        p.atli = 40 + 10 * std::sin(i / 900.0);
    }
    return pts;
}

std::vector<Lap> MakeLaps() { return bench::EvenLaps(kLaps, kPoints, 345); }

struct Fixture : bench::BenchDatabase {
    std::vector<TrackPoint> points = MakePoints();
    std::vector<Lap> laps = MakeLaps();
    int storedRun = 0;

    void clear() {
        db.execute("delete from TK;");
        db.execute("delete from TKPT;");
        db.execute("delete from LAP;");
    }
};

Fixture& F() {
    static Fixture f;
    return f;
}

void StoreText(benchmark::State& state) {
    Fixture& f = F();
    for (auto _ : state) {
        state.PauseTiming();
        f.clear();
        Track t;
        t.numofpt = kPoints;
        auto pts = f.points;
        auto laps = f.laps;
        state.ResumeTiming();
        f.db.storeTrack(t, pts, laps);
        f.storedRun = t.objid;
    }
    state.counters["points/s"] =
        benchmark::Counter(kPoints, benchmark::Counter::kIsIterationInvariantRate);
}

void StorePrepared(benchmark::State& state) {
    Fixture& f = F();
    sqlite3* db = f.db.handle();
    for (auto _ : state) {
        state.PauseTiming();
        f.clear();
        state.ResumeTiming();
        Track t;
        f.db.insertTrack(t);
        sqlite3_exec(db, "begin transaction;", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db,
                           "insert into TKPT (tkid,sindex,time,lat,lng,dist,speed,kcal,pace,atli) "
                           "values (?,?,?,?,?,?,?,?,?,?);",
                           -1, &st, nullptr);
        for (int i = 0; i < kPoints; ++i) {
            const TrackPoint& p = f.points[i];
            sqlite3_bind_int(st, 1, t.objid);
            sqlite3_bind_int(st, 2, i);
            sqlite3_bind_double(st, 3, p.time);
            sqlite3_bind_double(st, 4, p.lat);
            sqlite3_bind_double(st, 5, p.lng);
            sqlite3_bind_double(st, 6, p.dist);
            sqlite3_bind_double(st, 7, p.speed);
            sqlite3_bind_int(st, 8, p.kcal);
            sqlite3_bind_double(st, 9, p.pace);
            sqlite3_bind_double(st, 10, p.atli);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_prepare_v2(db,
                           "insert into LAP (tkid,sindex,time,dist,kcal,pace,si,ei) "
                           "values (?,?,?,?,?,?,?,?);",
                           -1, &st, nullptr);
        for (int i = 0; i < kLaps; ++i) {
            const Lap& l = f.laps[i];
            sqlite3_bind_int(st, 1, t.objid);
            sqlite3_bind_int(st, 2, i);
            sqlite3_bind_int(st, 3, l.time);
            sqlite3_bind_double(st, 4, l.dist);
            sqlite3_bind_int(st, 5, l.kcal);
            sqlite3_bind_double(st, 6, l.pace);
            sqlite3_bind_int(st, 7, l.si);
            sqlite3_bind_int(st, 8, l.ei);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "commit transaction;", nullptr, nullptr, nullptr);
        f.storedRun = t.objid;
    }
    state.counters["points/s"] =
        benchmark::Counter(kPoints, benchmark::Counter::kIsIterationInvariantRate);
}

void ReadReaders(benchmark::State& state) {
    Fixture& f = F();
    for (auto _ : state) {
        auto pts = f.db.trackPoints(f.storedRun);
        if (pts.size() != kPoints) state.SkipWithError("wrong point count");
        benchmark::DoNotOptimize(pts.data());
    }
    state.counters["points/s"] =
        benchmark::Counter(kPoints, benchmark::Counter::kIsIterationInvariantRate);
}

void ReadRaw(benchmark::State& state) {
    Fixture& f = F();
    sqlite3* db = f.db.handle();
    for (auto _ : state) {
        std::vector<TrackPoint> pts;
        sqlite3_stmt* st = nullptr;
        std::string sql = SqlFormat("select * from TKPT where tkid=%d;", f.storedRun);
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
        // column order of the create statement
        while (sqlite3_step(st) == SQLITE_ROW) {
            TrackPoint& p = pts.emplace_back();
            p.objid = sqlite3_column_int(st, 0);
            p.tkid = sqlite3_column_int(st, 1);
            p.sindex = sqlite3_column_int(st, 2);
            p.time = sqlite3_column_double(st, 3);
            p.lat = sqlite3_column_double(st, 4);
            p.lng = sqlite3_column_double(st, 5);
            p.speed = sqlite3_column_double(st, 6);
            p.atli = sqlite3_column_double(st, 7);
            p.dist = sqlite3_column_double(st, 8);
            p.kcal = sqlite3_column_int(st, 9);
            p.pace = sqlite3_column_double(st, 10);
        }
        sqlite3_finalize(st);
        if (pts.size() != kPoints) state.SkipWithError("wrong point count");
        benchmark::DoNotOptimize(pts.data());
    }
    state.counters["points/s"] =
        benchmark::Counter(kPoints, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

// Both stores run before both reads: the reads use the run the store left.
BENCHMARK(StorePrepared)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(StoreText)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ReadRaw)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(ReadReaders)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    dorvath::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("store", "StoreText", "StorePrepared", "<= 3");
    reporter.printRatio("read", "ReadReaders", "ReadRaw", "<= 1.5");
    benchmark::Shutdown();
    return 0;
}
