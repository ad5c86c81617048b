#include "device/watch_finder.h"

#include <cerrno>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "data/app_state.h"
#include "device/device_messages.h"

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

namespace {

constexpr const char* kRuleName = "60-dorvath-watch.rules";

bool PermissionError(int e) { return e == EACCES || e == EPERM; }

// hidapi's own probe decides; the plain open only says why it failed.
int RealOpenError(const std::string& path) {
    if (CanOpenHidPath(path)) return 0;
    const int e = HidOpenError(path);
    return e ? e : EIO;
}

// The interface the last hardware search found refused, for the message that follows it.
std::mutex& DeniedMutex() {
    static std::mutex m;
    return m;
}
std::string& LastDeniedNode() {
    static std::string node;
    return node;
}

}  // namespace

WatchSearch SearchWatch(const HidLister& list, const HidOpenCheck& openError, uint16_t vendorId,
                        uint16_t productId, int retries, std::chrono::milliseconds pause) {
    for (int attempt = 0;; ++attempt) {
        // One open attempt per interface: the first that opens is the watch, in list
        // order; otherwise the first that refused for lack of permission is named.
        WatchSearch s;
        for (const HidInterfaceInfo& i : list()) {
            if (i.vendorId != vendorId || i.productId != productId) continue;
            const int e = openError(i.path);
            if (e == 0) return {i.path, {}};
            if (s.deniedNode.empty() && PermissionError(e)) s.deniedNode = i.path;
        }
        if (s.deniedNode.empty() || attempt >= retries) return s;
        std::this_thread::sleep_for(pause);
    }
}

std::string WatchNotOpenedMessage(const std::string& deniedNode, bool ruleInstalled,
                                  const std::string& ruleSource) {
    if (deniedNode.empty()) return kConnectionMessage;
    std::string m = "端末 " + deniedNode + " を開く権限がありません。\n";
    if (ruleInstalled) return m + "udevルールは入っています。端末をUSBから抜いて挿し直して下さい。";
    return m + "次のコマンドでudevルールを入れて下さい: sudo cp '" + ruleSource +
           "' /etc/udev/rules.d/ && sudo udevadm control --reload && sudo udevadm trigger";
}

std::string WatchNotOpenedMessage() {
    namespace fs = std::filesystem;
    std::string denied;
    {
        std::lock_guard<std::mutex> lock(DeniedMutex());
        denied = LastDeniedNode();
    }
    std::error_code ec;
    bool installed = false;
    for (const char* dir : {"/etc/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"})
        installed = installed || fs::exists(fs::path(dir) / kRuleName, ec);
    return WatchNotOpenedMessage(denied, installed, (ShippedDir() / kRuleName).string());
}

std::string FindWatchPath(uint16_t vendorId, uint16_t productId) {
    std::vector<HidInterfaceInfo> sims;
    {
        std::lock_guard<std::mutex> lock(SimMutex());
        for (const auto& [name, e] : Sims())
            sims.push_back({kSimulatedPathPrefix + name, kWatchVendorId, kWatchProductId, 0x0100});
    }
    std::string path = SelectWatchPath(sims, vendorId, productId, [](const std::string& p) {
        return SimulatedWatch(p.substr(4)) != nullptr;
    });
    WatchSearch found;
    if (path.empty()) {
        // Up to a second for udev to give a node that just appeared its permissions.
        found = SearchWatch(EnumerateHidInterfaces, RealOpenError, vendorId, productId, 10,
                            std::chrono::milliseconds(100));
        path = found.path;
    }
    std::lock_guard<std::mutex> lock(DeniedMutex());
    LastDeniedNode() = found.deniedNode;
    return path;
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
