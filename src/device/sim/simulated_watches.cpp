#include "device/sim/simulated_watches.h"

#include <filesystem>

#include "device/device_messages.h"
#include "device/sim/watch_scenario.h"

namespace dorvath {

void SimulatedWatchFinder::add(const std::string& name, std::shared_ptr<WatchSimulator> watch,
                               SimulatedTiming timing) {
    std::lock_guard<std::mutex> lock(mutex_);
    watches_[name] = Entry{std::move(watch), timing};
}

std::shared_ptr<WatchSimulator> SimulatedWatchFinder::watch(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = watches_.find(name);
    return it == watches_.end() ? nullptr : it->second.watch;
}

std::string SimulatedWatchFinder::search(uint16_t vendorId, uint16_t productId) {
    std::vector<HidInterfaceInfo> sims;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [name, e] : watches_)
            sims.push_back({kSimulatedPathPrefix + name, kWatchVendorId, kWatchProductId, 0x0100});
    }
    const std::string path =
        SelectWatchPath(sims, vendorId, productId, [this](const std::string& p) {
            return watch(p.substr(std::string(kSimulatedPathPrefix).size())) != nullptr;
        });
    if (!path.empty() || !hardware_) return path;
    return hardware_->findPath(vendorId, productId);
}

std::unique_ptr<ReportLink> SimulatedWatchFinder::open(const std::string& path) {
    const std::string prefix = kSimulatedPathPrefix;
    if (path.rfind(prefix, 0) != 0) return hardware_ ? hardware_->open(path) : nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = watches_.find(path.substr(prefix.size()));
    if (it == watches_.end()) return nullptr;
    return std::make_unique<SimulatedLink>(it->second.watch, it->second.timing);
}

std::string SimulatedWatchFinder::notOpenedMessage() const {
    return hardware_ ? hardware_->notOpenedMessage() : kConnectionMessage;
}

std::shared_ptr<WatchSimulator> EnableWatchSimulation(SimulatedWatchFinder& finder,
                                                      const std::string& scenario) {
    auto watch = std::make_shared<WatchSimulator>(LoadScenario(scenario));
    std::string name =
        scenario == "demo" ? "demo" : std::filesystem::path(scenario).stem().string();
    if (name.empty()) name = "watch";
    SimulatedTiming timing;
    timing.perReport = std::chrono::microseconds(watch->scenario().reportDelayUs);
    finder.add(name, watch, timing);
    return watch;
}

}  // namespace dorvath
