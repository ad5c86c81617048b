// Exports of a 100,000-point run as GPX, KML and CSV, with GPSBabel writing the same points
// as GPX as the peer; and a 1,000,000-point track file saved and opened, against the
// database reading and storing the same points on their own.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "../../tests/export/sample_runs.h"
#include "bench_database.h"
#include "data/c_format.h"
#include "data/track_database.h"
#include "export/csv_export.h"
#include "export/gpx_export.h"
#include "export/kml_export.h"
#include "export/track_file.h"
#include "ratio_reporter.h"

using namespace dorvath;

namespace {

constexpr int kExportPoints = 100000;
constexpr int kFilePoints = 1000000;

struct Fixture : bench::BenchDatabase {
    Track exportRun;
    Track fileRun;
    std::vector<TrackPoint> filePoints;
    std::string unicsv;

    Fixture() {
        std::vector<Lap> laps;
        std::vector<TrackPoint> pts = test::GeneratedPoints(kExportPoints, 1);
        exportRun = test::SampleTrack(pts);
        db.storeTrack(exportRun, pts, laps);

        // GPSBabel's input: the same points as its own CSV dialect.
        std::string csv = "No,Latitude,Longitude,Date,Time\n";
        for (size_t i = 0; i < pts.size(); ++i) {
            DateTimeFields f = OleDateToFields(pts[i].time);
            csv +=
                CFormat("%d,%.6f,%.6f,%04d/%02d/%02d,%02d:%02d:%02d\n", static_cast<int>(i + 1),
                        pts[i].lat, pts[i].lng, f.year, f.month, f.day, f.hour, f.minute, f.second);
        }
        unicsv = (dir / "run.csv").string();
        std::FILE* out = std::fopen(unicsv.c_str(), "wb");
        std::fwrite(csv.data(), 1, csv.size(), out);
        std::fclose(out);

        filePoints = test::GeneratedPoints(kFilePoints, 2);
        fileRun = test::SampleTrack(filePoints);
        std::vector<TrackPoint> copy = filePoints;
        db.storeTrack(fileRun, copy, laps);
    }
};

Fixture& F() {
    static Fixture f;
    return f;
}

// Wall-clock rates: the peer's work happens in another process, out of this one's CPU time.
// The baselines, which write no file, count the bytes of the track-file records they
// stand for, so that every row has the same columns.
void Rates(benchmark::State& state, int points, const std::filesystem::path& file) {
    state.counters["points/s"] =
        benchmark::Counter(points, benchmark::Counter::kIsIterationInvariantRate);
    std::error_code ec;
    uint64_t size = file.empty() ? 4 + kTrackRecordSize + points * kPointRecordSize
                                 : std::filesystem::file_size(file, ec);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(ec ? 0 : size));
}

template <ExportResult (*Export)(const ExportRequest&, TrackDatabase&)>
void RunExport(benchmark::State& state, const char* name) {
    Fixture& f = F();
    ExportRequest req{f.dir / name, f.exportRun};
    for (auto _ : state)
        if (!Export(req, f.db)) state.SkipWithError("export failed");
    Rates(state, kExportPoints, req.path);
}

void GpxExport(benchmark::State& state) { RunExport<ExportGpx>(state, "out.gpx"); }
void KmlExport(benchmark::State& state) { RunExport<ExportKml>(state, "out.kml"); }
void CsvExport(benchmark::State& state) { RunExport<ExportCsv>(state, "out.csv"); }

// The peer: GPSBabel turning the same 100,000 points into a GPX track, process start
// included (that is how it is used).
void GpsbabelGpx(benchmark::State& state) {
    Fixture& f = F();
    std::filesystem::path out = f.dir / "babel.gpx";
    std::string cmd =
        "gpsbabel -t -i unicsv -f '" + f.unicsv + "' -o gpx -F '" + out.string() + "'";
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("gpsbabel failed");
    Rates(state, kExportPoints, out);
}

void TrackFileSave(benchmark::State& state) {
    Fixture& f = F();
    std::filesystem::path out = f.dir / "big.trk";
    for (auto _ : state)
        if (!SaveTrackFile(out, {f.fileRun}, f.db)) state.SkipWithError("save failed");
    Rates(state, kFilePoints, out);
}

// Baseline of the save: reading the points it writes.
void ReadPointsBaseline(benchmark::State& state) {
    Fixture& f = F();
    for (auto _ : state) {
        auto pts = f.db.trackPoints(f.fileRun.objid);
        if (pts.size() != kFilePoints) state.SkipWithError("wrong point count");
        benchmark::DoNotOptimize(pts.data());
    }
    Rates(state, kFilePoints, {});
}

// A fresh database for every round, so each import starts from the same state.
struct FreshDb {
    TrackDatabase db;
    std::filesystem::path path;
    explicit FreshDb(const std::filesystem::path& p) : path(p) {
        std::filesystem::remove(path);
        db.open(path.string());
        db.createTables();
    }
    ~FreshDb() {
        db.close();
        std::filesystem::remove(path);
    }
};

void TrackFileOpen(benchmark::State& state) {
    Fixture& f = F();
    std::filesystem::path file = f.dir / "big.trk";
    if (!std::filesystem::exists(file) && !SaveTrackFile(file, {f.fileRun}, f.db))
        state.SkipWithError("the track file could not be written");
    for (auto _ : state) {
        state.PauseTiming();
        auto fresh = std::make_unique<FreshDb>(f.dir / "import.db");
        state.ResumeTiming();
        ImportResult r = OpenTrackFile(file, fresh->db);
        if (!r.complete() || r.imported != 1) state.SkipWithError(r.reason.c_str());
        state.PauseTiming();
        fresh.reset();
        state.ResumeTiming();
    }
    Rates(state, kFilePoints, file);
}

// Baseline of the import: storing the same points straight from memory.
void StoreTrackBaseline(benchmark::State& state) {
    Fixture& f = F();
    for (auto _ : state) {
        state.PauseTiming();
        auto fresh = std::make_unique<FreshDb>(f.dir / "import.db");
        std::vector<TrackPoint> pts = f.filePoints;
        std::vector<Lap> laps;
        Track t = f.fileRun;
        state.ResumeTiming();
        fresh->db.storeTrack(t, pts, laps);
        state.PauseTiming();
        fresh.reset();
        state.ResumeTiming();
    }
    Rates(state, kFilePoints, {});
}

}  // namespace

BENCHMARK(GpxExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(KmlExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(CsvExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(GpsbabelGpx)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(ReadPointsBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(TrackFileSave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(StoreTrackBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(TrackFileOpen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    dorvath::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("GPX export against GPSBabel", "GpxExport", "GpsbabelGpx", "<= 0.5");
    reporter.printRatio("track file save against reading its points", "TrackFileSave",
                        "ReadPointsBaseline", "<= 2");
    reporter.printRatio("track file open against storing its points", "TrackFileOpen",
                        "StoreTrackBaseline", "<= 1.3");
    double open = reporter.seconds("TrackFileOpen");
    if (open > 0)
        std::printf("track file open: %.0f points/s (target >= 300000)\n", kFilePoints / open);
    benchmark::Shutdown();
    return 0;
}
