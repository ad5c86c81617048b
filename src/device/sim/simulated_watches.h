#pragma once
// The simulated watches, found as "sim:NAME" in front of the hardware: whoever switches
// simulation on wants the simulated watch.
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "device/sim/simulated_link.h"
#include "device/watch_finder.h"

namespace dorvath {

constexpr const char* kSimulatedPathPrefix = "sim:";

class SimulatedWatchFinder : public WatchFinder {
  public:
    // `hardware`, when given, is searched after the simulated watches.
    explicit SimulatedWatchFinder(WatchFinder* hardware = nullptr) : hardware_(hardware) {}

    // Offers `watch` as "sim:NAME"; replaces a watch of the same name.
    void add(const std::string& name, std::shared_ptr<WatchSimulator> watch,
             SimulatedTiming timing = {});
    std::shared_ptr<WatchSimulator> watch(const std::string& name) const;

    std::unique_ptr<ReportLink> open(const std::string& path) override;
    std::string notOpenedMessage() const override;

  protected:
    std::string search(uint16_t vendorId, uint16_t productId) override;

  private:
    struct Entry {
        std::shared_ptr<WatchSimulator> watch;
        SimulatedTiming timing;
    };
    WatchFinder* hardware_;
    mutable std::mutex mutex_;  // added on the UI thread, opened by any
    std::map<std::string, Entry> watches_;
};

// Adds the watch of a scenario ("demo" or a JSON file) under the name "demo" or the file's
// stem. Throws ScenarioError.
std::shared_ptr<WatchSimulator> EnableWatchSimulation(SimulatedWatchFinder& finder,
                                                      const std::string& scenario);

}  // namespace dorvath
