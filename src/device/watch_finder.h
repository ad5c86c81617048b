#pragma once
// Finding and opening the watch by path: hidraw paths for the real one, "sim:NAME" for
// the simulated watches that are switched on.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "device/hid_link.h"
#include "device/report_link.h"
#include "device/sim/simulated_link.h"

namespace dorvath {

constexpr const char* kSimulatedPathPrefix = "sim:";

// Offers `watch` as "sim:NAME" to FindWatchPath, ahead of the hardware: whoever switches
// simulation on wants the simulated watch. Replaces a watch of the same name.
void AddSimulatedWatch(const std::string& name, std::shared_ptr<WatchSimulator> watch,
                       SimulatedTiming timing = {});
void ClearSimulatedWatches();
std::shared_ptr<WatchSimulator> SimulatedWatch(const std::string& name);

// Switches simulation on with a scenario ("demo" or a JSON file) under the name "demo"
// or the file's stem. Throws ScenarioError.
std::shared_ptr<WatchSimulator> EnableWatchSimulation(const std::string& scenario);

// The first present interface with both ids that can be opened: the simulated watches
// first, then hidapi's list in its order. "" when there is none.
std::string FindWatchPath(uint16_t vendorId = kWatchVendorId, uint16_t productId = kWatchProductId);

// The search among the hardware, apart from it so it can be tried on a made-up list.
// `openError` is 0 for a path that opens, else its errno. When an interface with both ids
// is there but refused for lack of permission, udev may not have set the node's mode yet
// (it appeared a moment ago): the list is taken again `retries` times, `pause` apart.
struct WatchSearch {
    std::string path;        // the interface to use; "" when none
    std::string deniedNode;  // an interface with both ids this user may not open
};
using HidLister = std::function<std::vector<HidInterfaceInfo>()>;
using HidOpenCheck = std::function<int(const std::string& path)>;
WatchSearch SearchWatch(const HidLister& list, const HidOpenCheck& openError, uint16_t vendorId,
                        uint16_t productId, int retries, std::chrono::milliseconds pause);

// What the user is told when the watch could not be opened: with `deniedNode`, that the
// node refused and how to get the udev rule (copy `ruleSource` in, or, when the rule is
// installed already, plug the watch in again); otherwise the connection line. A second
// line, when there is one, follows a "\n".
std::string WatchNotOpenedMessage(const std::string& deniedNode, bool ruleInstalled,
                                  const std::string& ruleSource);
// The same for the last FindWatchPath: what it found refused is told without searching
// the hardware again.
std::string WatchNotOpenedMessage();

// An open link to the watch at `path`, or null when it cannot be opened.
std::unique_ptr<ReportLink> OpenWatchLink(const std::string& path);

// How a device operation gets its link; the default looks the watch up afresh.
using WatchOpener = std::function<std::unique_ptr<ReportLink>()>;
std::unique_ptr<ReportLink> OpenFoundWatch();

}  // namespace dorvath
