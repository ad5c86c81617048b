#include "device/watch_finder.h"

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <thread>

#include "device/device_messages.h"

namespace dorvath {
namespace {

bool PermissionError(int e) { return e == EACCES || e == EPERM; }

// hidapi's own probe decides; the plain open only says why it failed.
int RealOpenError(const std::string& path) {
    if (CanOpenHidPath(path)) return 0;
    const int e = HidOpenError(path);
    return e ? e : EIO;
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

std::unique_ptr<ReportLink> WatchFinder::openFound() {
    const std::string path = findPath();
    return path.empty() ? nullptr : open(path);
}

std::string HidWatchFinder::notOpenedMessage() const {
    namespace fs = std::filesystem;
    std::string denied;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        denied = lastDenied_;
    }
    std::error_code ec;
    bool installed = false;
    for (const char* dir : {"/etc/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"})
        installed = installed || fs::exists(fs::path(dir) / kUdevRuleName, ec);
    return WatchNotOpenedMessage(denied, installed, ruleSource_.string());
}

std::string HidWatchFinder::search(uint16_t vendorId, uint16_t productId) {
    // Up to a second for udev to give a node that just appeared its permissions.
    const WatchSearch found = SearchWatch(EnumerateHidInterfaces, RealOpenError, vendorId,
                                          productId, 10, std::chrono::milliseconds(100));
    std::lock_guard<std::mutex> lock(mutex_);
    lastDenied_ = found.deniedNode;
    return found.path;
}

std::unique_ptr<ReportLink> HidWatchFinder::open(const std::string& path) {
    auto link = std::make_unique<HidLink>();
    if (!link->Open(path)) return nullptr;
    return link;
}

}  // namespace dorvath
