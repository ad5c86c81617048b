#include "device/watch_finder.h"

#include <filesystem>
#include <map>
#include <mutex>

namespace dorvath {
namespace {

struct SimEntry {
    std::shared_ptr<WatchSimulator> watch;
    SimulatedTiming timing;
};

// Written when simulation is switched on, read by whichever thread opens a link.
std::mutex& SimMutex() {
    static std::mutex m;
    return m;
}
std::map<std::string, SimEntry>& Sims() {
    static std::map<std::string, SimEntry> s;
    return s;
}

}  // namespace

void AddSimulatedWatch(const std::string& name, std::shared_ptr<WatchSimulator> watch,
                       SimulatedTiming timing) {
    std::lock_guard<std::mutex> lock(SimMutex());
    Sims()[name] = SimEntry{std::move(watch), timing};
}

void ClearSimulatedWatches() {
    std::lock_guard<std::mutex> lock(SimMutex());
    Sims().clear();
}

std::shared_ptr<WatchSimulator> SimulatedWatch(const std::string& name) {
    std::lock_guard<std::mutex> lock(SimMutex());
    auto it = Sims().find(name);
    return it == Sims().end() ? nullptr : it->second.watch;
}

std::shared_ptr<WatchSimulator> EnableWatchSimulation(const std::string& scenario) {
    auto watch = std::make_shared<WatchSimulator>(LoadScenario(scenario));
    std::string name =
        scenario == "demo" ? "demo" : std::filesystem::path(scenario).stem().string();
    if (name.empty()) name = "watch";
    SimulatedTiming timing;
    timing.perReport = std::chrono::microseconds(watch->scenario().reportDelayUs);
    AddSimulatedWatch(name, watch, timing);
    return watch;
}

std::string FindWatchPath(uint16_t vendorId, uint16_t productId) {
    std::vector<HidInterfaceInfo> list;
    {
        std::lock_guard<std::mutex> lock(SimMutex());
        for (const auto& [name, e] : Sims())
            list.push_back({kSimulatedPathPrefix + name, kWatchVendorId, kWatchProductId, 0x0100});
    }
    bool simulated = !list.empty();
    for (HidInterfaceInfo& i : EnumerateHidInterfaces()) list.push_back(std::move(i));
    auto canOpen = [&](const std::string& path) {
        if (path.rfind(kSimulatedPathPrefix, 0) == 0)
            return simulated && SimulatedWatch(path.substr(4)) != nullptr;
        return CanOpenHidPath(path);
    };
    return SelectWatchPath(list, vendorId, productId, canOpen);
}

std::unique_ptr<ReportLink> OpenWatchLink(const std::string& path) {
    if (path.rfind(kSimulatedPathPrefix, 0) == 0) {
        std::lock_guard<std::mutex> lock(SimMutex());
        auto it = Sims().find(path.substr(4));
        if (it == Sims().end()) return nullptr;
        return std::make_unique<SimulatedLink>(it->second.watch, it->second.timing);
    }
    auto link = std::make_unique<HidLink>();
    if (!link->Open(path)) return nullptr;
    return link;
}

std::unique_ptr<ReportLink> OpenFoundWatch() {
    std::string path = FindWatchPath(kWatchVendorId, kWatchProductId);
    if (path.empty()) return nullptr;
    return OpenWatchLink(path);
}

}  // namespace dorvath
