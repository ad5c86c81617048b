// The bridge's two costs that users feel: a click on a page and the operations it causes
// coming back (over the real WebSocket, through the UI thread), and painting the visible
// rows of a large owner-data list. Each is reported with a baseline measured here too:
// the transport alone (a "ready" that the bridge thread answers itself) and the rows'
// texts formatted without painting.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "engine/bridge_engine.h"
#include "engine/bridge_server.h"
#include "support/bridge_client.h"

namespace dorvath {
namespace {

constexpr int kRows = 100000;
constexpr int kVisible = 50;

class Echo : public PageHandler {
  public:
    explicit Echo(HtmlEngine& e) : e_(e) {}
    bool onButtonClick(const ClickEvent& c) override {
        e_.setText(c.frame, Id("pong"), c.id);
        e_.setStyle(c.frame, Id("pong"), "color", "red");
        return false;
    }

  private:
    HtmlEngine& e_;
};

// Paints one row of a point list the way the pages do: background, selection, texts.
Canvas PaintRow(int row, bool selected) {
    Canvas c(560, 18);
    c.fill({0, 0, 560, 18},
           selected ? Rgb(51, 102, 204) : (row % 2 ? Rgb(245, 248, 252) : Rgb(255, 255, 255)));
    Color fg = selected ? Rgb(255, 255, 255) : Rgb(30, 38, 51);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d", row + 1);
    c.text({0, 0, 50, 18}, buf, fg, TextStyle{Align::Right, VAlign::Middle, 12, false, false, ""});
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", row / 3600 % 24, row / 60 % 60, row % 60);
    c.text({56, 0, 140, 18}, buf, fg);
    std::snprintf(buf, sizeof buf, "%.6f", 35.681236 + row * 1e-5);
    c.text({146, 0, 260, 18}, buf, fg);
    std::snprintf(buf, sizeof buf, "%.6f", 139.767125 + row * 1e-5);
    c.text({266, 0, 380, 18}, buf, fg);
    std::snprintf(buf, sizeof buf, "%.1f km/h", 9.5 + (row % 40) * 0.1);
    c.text({386, 0, 470, 18}, buf, fg,
           TextStyle{Align::Right, VAlign::Middle, 12, false, false, ""});
    c.line(0, 17, 560, 17, Rgb(230, 234, 240));
    return c;
}

// The visible 50 rows at the end of the list painted, batched and serialised as they
// would go out.
void PaintLastRows(BridgeEngine& e) {
    int from = kRows - kVisible;
    std::vector<Canvas> rows;
    rows.reserve(kVisible);
    for (int r = from; r < from + kVisible; ++r) rows.push_back(PaintRow(r, r == from + 3));
    e.widgets().paintListRows("main/page1", 6004, from, rows);
    e.flush();
}

std::string FormatLastRowTexts() {
    std::string out;
    char buf[96];
    for (int row = kRows - kVisible; row < kRows; ++row) {
        std::snprintf(buf, sizeof buf, "%d %02d:%02d:%02d %.6f %.6f %.1f km/h\n", row + 1,
                      row / 3600 % 24, row / 60 % 60, row % 60, 35.681236 + row * 1e-5,
                      139.767125 + row * 1e-5, 9.5 + (row % 40) * 0.1);
        out += buf;
    }
    return out;
}

void BM_PaintVisibleRows(benchmark::State& state) {
    EventLoop loop;
    BridgeEngine e(loop);
    std::size_t bytes = 0;
    e.setSink([&](std::string text) { bytes += text.size(); });
    e.widgets().setListCount("main/page1", 6004, kRows);
    e.flush();
    bytes = 0;
    for (auto _ : state) PaintLastRows(e);
    state.counters["bytes/batch"] = static_cast<double>(bytes) / state.iterations();
}
BENCHMARK(BM_PaintVisibleRows)->Unit(benchmark::kMicrosecond);

void BM_FormatRowTextsBaseline(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(FormatLastRowTexts());
}
BENCHMARK(BM_FormatRowTextsBaseline)->Unit(benchmark::kMicrosecond);

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * v.size()))];
}

// Click -> operations back, 10,000 times, against the transport alone.
int RoundTrips() {
    EventLoop loop;
    BridgeEngine engine(loop);
    Echo echo(engine);
    engine.events().attach("", &echo);
    engine.loadPage("", "201");
    engine.flush();
    BridgeServer server(engine, BridgeOptions{});
    server.start();
    std::thread ui([&] { loop.run(); });
    BridgeClient c;
    if (!c.connect(server.port(), server.token())) {
        std::fprintf(stderr, "bridge: cannot connect\n");
        return 1;
    }
    using Clock = std::chrono::steady_clock;
    auto measure = [&](const std::string& ev, int n) {
        std::vector<double> ms;
        ms.reserve(n);
        for (int i = 0; i < n; ++i) {
            auto t0 = Clock::now();
            c.send(ev);
            if (!c.receive(5000)) {
                std::fprintf(stderr, "bridge: no answer\n");
                break;
            }
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
        return ms;
    };
    const std::string click = R"({"ev":"click","frame":"","id":"ping","attrs":{"id":"ping"}})";
    const std::string ready = R"({"ev":"ready","frame":"","page":"201"})";
    measure(click, 200);  // warm up
    auto base = measure(ready, 10000);
    auto clicks = measure(click, 10000);
    loop.quit();
    ui.join();
    c.close();
    server.stop();
    if (clicks.empty() || base.empty()) return 1;
    double p50 = Percentile(clicks, 0.50), p99 = Percentile(clicks, 0.99);
    double b50 = Percentile(base, 0.50), b99 = Percentile(base, 0.99);
    std::printf(
        "click -> operations round trip, %zu times: p50 %.3f ms, p99 %.3f ms (target p99 <= 5 "
        "ms)\n",
        clicks.size(), p50, p99);
    std::printf("transport alone (answered on the bridge thread): p50 %.3f ms, p99 %.3f ms\n", b50,
                b99);
    std::printf("ratio click / transport: p50 %.2f, p99 %.2f\n", p50 / b50, p99 / b99);
    return 0;
}

// Median of 300 runs each: painting the visible rows against formatting their texts.
void PaintSummary() {
    using Clock = std::chrono::steady_clock;
    EventLoop loop;
    BridgeEngine e(loop);
    e.setSink([](std::string) {});
    e.widgets().setListCount("main/page1", 6004, kRows);
    e.flush();
    std::vector<double> paint, base;
    for (int i = 0; i < 300; ++i) {
        auto t0 = Clock::now();
        PaintLastRows(e);
        auto t1 = Clock::now();
        benchmark::DoNotOptimize(FormatLastRowTexts());
        auto t2 = Clock::now();
        paint.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        base.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    }
    double p = Percentile(paint, 0.5), b = Percentile(base, 0.5);
    std::printf(
        "paint 50 rows of a %d-row owner-data list: median %.3f ms (target <= 2 ms); "
        "texts alone %.3f ms; ratio %.1f\n",
        kRows, p, b, p / b);
}

}  // namespace
}  // namespace dorvath

int main(int argc, char** argv) {
    if (int r = dorvath::RoundTrips()) return r;
    dorvath::PaintSummary();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
