// Opening a 100,000-point run on the list page (points, point list, laps, chart model and
// the chart going out as JSON) against reading its points from the database alone; and
// the tooltip coming back for a mouse move over the chart through the real bridge,
// against the transport alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "bench_database.h"
#include "engine/bridge_engine.h"
#include "engine/bridge_server.h"
#include "ratio_reporter.h"
#include "support/bridge_client.h"
#include "ui/list_page_wnd.h"
#include "ui/map_line.h"

using namespace dorvath;

namespace {

constexpr int kPoints = 100000;
constexpr int kLaps = 100;

DateTimeFields RunDay() {
    DateTimeFields f;
    f.year = 2026, f.month = 11, f.day = 3;
    return f;
}

// A run that wanders like a real one: most points more than 5 m apart, some standing.
void StoreRun(TrackDatabase& db) {
    std::vector<TrackPoint> pts(kPoints);
    const double start = OleDateFromFields(2026, 11, 3, 6, 30, 0);
    for (int i = 0; i < kPoints; ++i) {
        TrackPoint& p = pts[i];
        p.time = start + i * kOneSecond;
        p.lat = 35.681236 + 0.00003 * i * std::cos(i / 5000.0) / 10;
        p.lng = 139.767125 + 0.00003 * i * std::sin(i / 5000.0) / 10;
        p.dist = i * 2.9;
        p.speed = i % 97 == 0 ? 0.5 : 10.4 + std::sin(i / 60.0);
        p.kcal = i / 20;
        p.atli = 40 + 10 * std::sin(i / 900.0);
    }
    std::vector<Lap> laps = bench::EvenLaps(kLaps, kPoints, 345);
    Track t;
    t.stime = start;
    t.etime = start + kPoints * kOneSecond;
    t.numofpt = kPoints;
    db.storeTrack(t, pts, laps);
}

// The list page on a bridge engine whose batches are serialised and dropped (or sent to
// a real page), showing the run's day with its row selected.
struct Page : bench::BenchDatabase {
    EventLoop loop;
    BridgeEngine engine{loop};
    AppState state{dir};
    std::unique_ptr<CListPageWnd> page;
    std::size_t bytes = 0, messages = 0;

    Page() {
        StoreRun(db);
        engine.setSink([this](std::string text) {
            bytes += text.size();
            ++messages;
        });
        page = std::make_unique<CListPageWnd>(loop, engine, 0, db, state);
        page->calendar().today = RunDay;
        page->create();
        loop.poll();
        engine.events().dispatch({{"ev", "list"},
                                  {"frame", CListPageWnd::kFrame},
                                  {"ctl", CTrackList::kControl},
                                  {"kind", "select"},
                                  {"sel", {{0, 0}}},
                                  {"mark", 0}});
        engine.flush();
    }
    // The loading dialog's start waits in 50 ms steps for its thread; without that wait, the
    // work alone.
    void open(bool busyWait) {
        page->loadingOptions = LoadingDlgOptions{};
        if (!busyWait) page->loadingOptions.sleep = [](int) { std::this_thread::yield(); };
        page->openRun();
        engine.flush();
        loop.poll();
    }
};

Page& P() {
    static Page p;
    return p;
}

void ReadPoints(benchmark::State& state) {
    Page& p = P();
    const int run = P().state.dayTracks.at(0).objid;
    for (auto _ : state) {
        auto pts = p.db.trackPoints(run);
        if (pts.size() != kPoints) state.SkipWithError("wrong point count");
        benchmark::DoNotOptimize(pts.data());
    }
}

void OpenRun(benchmark::State& state) {
    Page& p = P();
    p.bytes = 0;
    for (auto _ : state) p.open(false);
    if (P().state.trackPoints.size() != kPoints) state.SkipWithError("not opened");
    state.counters["chart points"] = static_cast<double>(p.page->chart().model().points.size());
    state.counters["bytes out"] = static_cast<double>(p.bytes) / state.iterations();
}

void OpenRunWithLoadingDialog(benchmark::State& state) {
    Page& p = P();
    for (auto _ : state) p.open(true);
}

void ChartModelAlone(benchmark::State& state) {
    Page& p = P();
    const auto& pts = P().state.trackPoints;
    if (pts.size() != kPoints) p.open(false);
    for (auto _ : state) benchmark::DoNotOptimize(MakeChartModel(pts, 0));
}

// The map's share of opening: the thinned line and log.xml of the 100,000 points.
void ThinAndWriteLine(benchmark::State& state) {
    Page& p = P();
    const auto& pts = P().state.trackPoints;
    if (pts.size() != kPoints) p.open(false);
    for (auto _ : state) {
        auto line = ThinMapPoints(pts);
        if (!WriteMapLine(p.dir / "log.xml", line).empty()) state.SkipWithError("not written");
        state.counters["map points"] = static_cast<double>(line.size());
    }
}

// What one playback tick sends to the page.
void PlaybackTick(benchmark::State& state) {
    Page& p = P();
    if (P().state.trackPoints.size() != kPoints) p.open(false);
    p.page->playback().onButton("onplay");
    p.engine.flush();
    p.messages = p.bytes = 0;
    for (auto _ : state) {
        p.page->playback().onTimer();
        p.engine.flush();
        if (p.page->playback().cursor().mode != PlaybackCursor::kPlay)
            p.page->playback().onButton("onplay");
    }
    state.counters["messages/tick"] = static_cast<double>(p.messages) / state.iterations();
    state.counters["bytes/tick"] = static_cast<double>(p.bytes) / state.iterations();
    p.page->playback().stop();
}

double Percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * v.size()))];
}

// Mouse moves over two chart points in turn, each answered by a tooltip, against a
// "ready" that the bridge thread answers itself.
int TooltipRoundTrips() {
    Page p;
    p.open(false);
    BridgeServer server(p.engine, BridgeOptions{});
    server.start();
    std::thread ui([&] { p.loop.run(); });
    BridgeClient c;
    if (!c.connect(server.port(), server.token())) {
        std::fprintf(stderr, "open_run: cannot connect\n");
        p.loop.quit();
        ui.join();
        return 1;
    }
    using Clock = std::chrono::steady_clock;
    const int n = static_cast<int>(p.page->chart().model().points.size());
    auto measure = [&](bool moves, int count) {
        std::vector<double> ms;
        ms.reserve(count);
        for (int i = 0; i < count; ++i) {
            const int point = (i % 2) * (n / 2);
            std::string ev =
                moves ? R"({"ev":"static","frame":"main/page1","ctl":5001,"kind":"move","x":)" +
                            std::to_string(100 + i % 2) + R"(,"y":80,"keys":0,"hot":)" +
                            std::to_string(ChartHotSpot(0, point, n)) + R"(,"hx":")" +
                            std::to_string(point) + "\"}"
                      : std::string(R"({"ev":"ready","frame":"bench","page":""})");
            const char* wanted = moves ? "\"tooltip\"" : "\"replayed\"";
            auto t0 = Clock::now();
            c.send(ev);
            for (;;) {
                auto m = c.receive(5000);
                if (!m) {
                    std::fprintf(stderr, "open_run: no answer\n");
                    return ms;
                }
                if (m->find(wanted) != std::string::npos) break;
            }
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
        return ms;
    };
    measure(true, 200);  // warm up
    auto base = measure(false, 5000);
    auto moves = measure(true, 5000);
    p.loop.quit();
    ui.join();
    c.close();
    server.stop();
    if (moves.size() < 5000 || base.size() < 5000) return 1;
    std::printf(
        "mouse move -> tooltip over the bridge, %zu times: p50 %.3f ms, p99 %.3f ms (target "
        "p99 <= 10 ms)\n",
        moves.size(), Percentile(moves, 0.5), Percentile(moves, 0.99));
    std::printf("transport alone: p50 %.3f ms, p99 %.3f ms; ratio p99 %.2f\n",
                Percentile(base, 0.5), Percentile(base, 0.99),
                Percentile(moves, 0.99) / Percentile(base, 0.99));
    return 0;
}

}  // namespace

BENCHMARK(ReadPoints)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(OpenRun)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(OpenRunWithLoadingDialog)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(ChartModelAlone)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(ThinAndWriteLine)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(PlaybackTick)->Unit(benchmark::kMicrosecond)->Iterations(1000);

int main(int argc, char** argv) {
    if (int r = TooltipRoundTrips()) return r;
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("open a run", "OpenRun", "ReadPoints", "<= 150 ms in all");
    reporter.printRatio("open a run, loading dialog included", "OpenRunWithLoadingDialog",
                        "ReadPoints", "<= 150 ms in all");
    reporter.printRatio("chart model", "ChartModelAlone", "ReadPoints", "small");
    reporter.printRatio("map line and log.xml", "ThinAndWriteLine", "ReadPoints",
                        "<= 30 ms in all");
    std::printf("map line and log.xml: %.1f ms (target <= 30 ms)\n",
                reporter.seconds("ThinAndWriteLine") * 1e3);
    std::printf("open a run: %.1f ms, with the loading dialog's start %.1f ms (target <= 150 ms)\n",
                reporter.seconds("OpenRun") * 1e3,
                reporter.seconds("OpenRunWithLoadingDialog") * 1e3);
    benchmark::Shutdown();
    return 0;
}
