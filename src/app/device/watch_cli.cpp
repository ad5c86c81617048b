#include "app/device/watch_cli.h"

#include <cstdio>

#include "app/commands.h"
#include "device/sim/watch_scenario.h"
#include "device/watch_finder.h"

namespace dorvath {

void StderrMessageSink::showMessage(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

void StderrMessageSink::watchNotOpened(const std::string& text) {
    notOpened_ = true;
    showMessage(text);
}

bool PrepareWatchSimulation(const GlobalOptions& options) {
    if (!options.simulate) return true;
    try {
        EnableWatchSimulation(*options.simulate);
        return true;
    } catch (const ScenarioError& e) {
        std::fprintf(stderr, "dorvath: simulated watch: %s\n", e.what());
        return false;
    }
}

}  // namespace dorvath
