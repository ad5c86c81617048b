#pragma once
// Finding and opening the watch by path: hidraw paths for the real one; the simulated
// watches ("sim:NAME") are device/sim's, in front of it.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "device/hid_link.h"
#include "device/report_link.h"

namespace dorvath {

// How the program finds and opens the watch: the hardware through hidapi, or the
// simulated watches in front of it. One is made by the program and handed to whatever
// talks to the watch.
class WatchFinder {
  public:
    virtual ~WatchFinder() = default;
    // The first present interface with both ids that can be opened; "" when there is none.
    std::string findPath(uint16_t vendorId = kWatchVendorId, uint16_t productId = kWatchProductId) {
        return search(vendorId, productId);
    }
    // An open link to the watch at `path`, or null when it cannot be opened.
    virtual std::unique_ptr<ReportLink> open(const std::string& path) = 0;
    // What the user is told when the last findPath found no watch to open: what it found
    // refused, without searching again.
    virtual std::string notOpenedMessage() const = 0;
    // The watch looked up afresh and opened; null when there is none.
    std::unique_ptr<ReportLink> openFound();

  protected:
    virtual std::string search(uint16_t vendorId, uint16_t productId) = 0;
};

// The watch among the HID interfaces, through hidapi.
class HidWatchFinder : public WatchFinder {
  public:
    // `ruleSource`: the udev rule a user without access is told to install.
    explicit HidWatchFinder(std::filesystem::path ruleSource)
        : ruleSource_(std::move(ruleSource)) {}
    std::unique_ptr<ReportLink> open(const std::string& path) override;
    std::string notOpenedMessage() const override;

  protected:
    std::string search(uint16_t vendorId, uint16_t productId) override;

  private:
    std::filesystem::path ruleSource_;
    mutable std::mutex mutex_;
    std::string lastDenied_;  // the interface the last search found refused
};

constexpr const char* kUdevRuleName = "60-dorvath-watch.rules";

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
}  // namespace dorvath
