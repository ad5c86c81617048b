#include "app/device/watch_cli.h"

#include <cstdio>

#include "app/commands.h"
#include "device/sim/simulated_watches.h"
#include "device/sim/watch_scenario.h"

namespace dorvath {

void StderrMessageSink::showMessage(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

void StderrMessageSink::watchNotOpened(const std::string& text) {
    notOpened_ = true;
    showMessage(text);
}

bool PrepareWatchSimulation(const GlobalOptions& options, SimulatedWatchFinder& watches) {
    if (!options.simulate) return true;
    try {
        EnableWatchSimulation(watches, *options.simulate);
        return true;
    } catch (const ScenarioError& e) {
        std::fprintf(stderr, "dorvath: simulated watch: %s\n", e.what());
        return false;
    }
}

}  // namespace dorvath
