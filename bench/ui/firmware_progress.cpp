// What showing the block count costs a firmware update: the whole update of a generated
// image against the simulated watch with no delay, with the loading dialog counting the
// blocks (its thread painting every change into a recording engine), against the same
// loading dialog left at its "Loading" cycle (the baseline, as the dialog was before the
// count). A run without any indicator is shown for scale: the dialog's start waits in
// 50 ms steps for its thread. A real watch takes at least 1 ms per report, about 13 s for
// the 12,700 reports of an update.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "data/byte_order.h"
#include "device/protocol.h"
#include "device/sim/simulated_watches.h"
#include "device/sim/watch_simulator.h"
#include "ratio_reporter.h"
#include "settings/firmware_update.h"
#include "support/recording_html_engine.h"
#include "ui/loading_dlg.h"

using namespace dorvath;

namespace {

struct QuietSink : DeviceMessageSink {
    void showMessage(const std::string&) override {}
};

class Dialog : public LoadingIndicator {
  public:
    Dialog(HtmlEngine& engine, bool count) : dlg_(engine), count_(count) {}
    void start() override { dlg_.start("main"); }
    void progress(int done, int total) override {
        if (count_) dlg_.setProgress(done, total);
    }
    void stop() override { dlg_.end(); }

  private:
    CLoadingDlg dlg_;
    bool count_;
};

const std::string& ImagePath() {
    static const std::string path = [] {
        auto p = std::filesystem::temp_directory_path() / "dorvath-bench-fw.bin";
        std::vector<uint8_t> f(kFirmwareFileSize);
        std::mt19937 gen(3);
        for (auto& b : f) b = static_cast<uint8_t>(gen());
        PutU32(f.data() + kFirmwareImageSize, kFirmwareTrailer);
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
        return p.string();
    }();
    return path;
}

void Update(benchmark::State& state, LoadingIndicator& busy, RecordingHtmlEngine* engine) {
    std::vector<uint8_t> image(kFirmwareImageSize);
    QuietSink sink;
    for (auto _ : state) {
        auto watch = std::make_shared<WatchSimulator>(WatchScenario{});
        watch->setWireLogging(false);
        SimulatedWatchFinder watches;
        watches.add("bench", watch);
        FirmwareOutcome r = UpdateFirmware(watches, ImagePath(), image, sink, busy);
        if (!r) state.SkipWithError("update failed");
        if (engine) engine->clearOperations();
    }
}

void UpdateWithCount(benchmark::State& state) {
    RecordingHtmlEngine engine;
    Dialog busy(engine, true);
    Update(state, busy, &engine);
}

void UpdateWithDialogOnly(benchmark::State& state) {
    RecordingHtmlEngine engine;
    Dialog busy(engine, false);
    Update(state, busy, &engine);
}

void UpdateWithoutIndicator(benchmark::State& state) {
    NoLoadingIndicator busy;
    Update(state, busy, nullptr);
}

BENCHMARK(UpdateWithCount)->Unit(benchmark::kMillisecond);
BENCHMARK(UpdateWithDialogOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(UpdateWithoutIndicator)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("block count in the loading dialog", "UpdateWithCount",
                        "UpdateWithDialogOnly", "below 1.5");
    std::filesystem::remove(ImagePath());
    benchmark::Shutdown();
    return 0;
}
