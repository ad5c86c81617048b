// The whole download against the simulated watch with no delay: 20 logs of 5,000 records
// through the protocol, the conversion and the database. Baseline: the same report
// sequence with the simulator, the records neither converted nor stored. The wire itself
// carries at most one 64-byte report per 1 ms frame (1,000 records/s); the download's
// records/s over 1,000 says how far the program's own cost stays below that.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench_database.h"
#include "data/track_database.h"
#include "device/log_download.h"
#include "device/protocol.h"
#include "device/sim/simulated_link.h"
#include "device/sim/watch_simulator.h"
#include "ratio_reporter.h"

using namespace dorvath;

namespace {

constexpr int kLogs = 20;
constexpr uint32_t kRecordsPerLog = 5000;

// `logs` runs of exactly `records` records each (fixes with a lap marker each km).
WatchScenario Scenario(int logs, uint32_t records) {
    WatchScenario s;
    for (int i = 0; i < logs; ++i) {
        RunPlan p;
        p.seed = 100 + i;
        p.startTime = 1790000000u + static_cast<uint32_t>(i) * 86400u;
        p.points = static_cast<int>(records);
        WatchLog log = GenerateRun(p);
        log.records.resize(records);
        log.header.record_count = records;
        s.logs.push_back(std::move(log));
    }
    return s;
}

const WatchScenario& BenchScenario() {
    static WatchScenario s = Scenario(kLogs, kRecordsPerLog);
    return s;
}

using TempDb = bench::BenchDatabase;

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Processor time of the timed downloads: the wall clock also holds the disk's syncs.
double g_cpuSeconds = 0;
int g_downloads = 0;

std::shared_ptr<WatchSimulator> Watch(const WatchScenario& s) {
    auto w = std::make_shared<WatchSimulator>(s);
    w->setWireLogging(false);
    return w;
}

void DownloadEndToEnd(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto db = std::make_unique<TempDb>();
        SimulatedLink link(Watch(BenchScenario()));
        state.ResumeTiming();
        DownloadStats stats;
        double cpu = CpuSeconds();
        const DownloadEnd r = DownloadLogs(
            link, db->db, [](std::string t) { benchmark::DoNotOptimize(t.data()); }, &stats);
        g_cpuSeconds += CpuSeconds() - cpu;
        ++g_downloads;
        if (r != kDownloadComplete || stats.stored != kLogs) state.SkipWithError("download failed");
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.counters["records/s"] = benchmark::Counter(double(kLogs) * kRecordsPerLog,
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

// The same reports moved, nothing converted or stored.
void WireOnly(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        SimulatedLink link(Watch(BenchScenario()));
        state.ResumeTiming();
        DeviceSettings zone;
        Report reply{};
        bool ok = ReadWatchSettings(link, zone) &&
                  Exchange(link, MakeCommandHeader(CMD_LOG_COUNT), reply);
        uint32_t n = GetU32(reply.data() + 4);
        for (uint32_t i = 0; ok && i < n; ++i) {
            ok = Exchange(link, MakeCommandHeader(CMD_LOG_HEADER, i), reply) &&
                 SendOnly(link, MakeCommandHeader(CMD_LOG_RECORDS, i));
            uint32_t count = GetU32(reply.data() + 8);
            for (uint32_t k = 1; ok && k <= count; ++k) {
                ok = ReceiveOnly(link, reply);
                if (ok && k % kRecordsPerAck == 0)
                    ok = SendOnly(link, MakeCommandHeader(CMD_LOG_RECORDS_ACK, i));
            }
        }
        if (!ok) state.SkipWithError("wire failed");
        benchmark::DoNotOptimize(reply.data());
    }
    state.counters["records/s"] = benchmark::Counter(double(kLogs) * kRecordsPerLog,
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

// What keeping the best efforts adds to the download: finding them in every log's fixes.
void BestEffortsOfTheLogs(benchmark::State& state) {
    std::vector<std::vector<TimeAndDistance>> runs;
    for (const WatchLog& log : BenchScenario().logs) {
        auto& run = runs.emplace_back();
        for (const LogRecord& r : log.records)
            if (r.kind == LogRecord::kFix) run.push_back({OleDateFromSeconds(r.time), r.dist});
    }
    for (auto _ : state)
        for (const auto& run : runs) benchmark::DoNotOptimize(BestEfforts(run));
}

long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    size_t n = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, n, field) == 0) return std::atol(line.c_str() + n + 1);
    return -1;
}

// Peak resident memory while one 100,000-record log is downloaded and stored: the whole
// process, and what the download added to it.
void PrintPeakMemory() {
    auto watch = Watch(Scenario(1, 100000));
    TempDb db;
    SimulatedLink link(watch);
    long before = StatusKb("VmRSS:");
    std::ofstream("/proc/self/clear_refs") << "5";  // restart the high-water mark
    const DownloadEnd r = DownloadLogs(link, db.db, nullptr);
    long peak = StatusKb("VmHWM:");
    std::printf(
        "peak memory, one 100000-record log: %.1f MB for the process, %.1f MB added by the "
        "download (target < 64 MB)%s\n",
        peak / 1024.0, (peak - before) / 1024.0,
        r == kDownloadComplete ? "" : " [download failed]");
}

}  // namespace

BENCHMARK(WireOnly)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(DownloadEndToEnd)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BestEffortsOfTheLogs)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    dorvath::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double records = kLogs * double(kRecordsPerLog);
    double seconds = reporter.seconds("DownloadEndToEnd");
    if (seconds > 0)
        std::printf(
            "download: %.0f records/s = %.1f x the USB report rate of 1000/s (target >= 100)\n",
            records / seconds, records / seconds / 1000);
    if (g_cpuSeconds > 0) {
        double rps = records * g_downloads / g_cpuSeconds;
        std::printf("download, processor time only: %.0f records/s = %.1f x the USB report rate\n",
                    rps, rps / 1000);
    }
    reporter.printRatio("download cost", "DownloadEndToEnd", "WireOnly", "as low as it gets");
    reporter.printRatio("best efforts' share of the download", "BestEffortsOfTheLogs",
                        "DownloadEndToEnd", "<= 0.05");
    PrintPeakMemory();
    benchmark::Shutdown();
    return 0;
}
