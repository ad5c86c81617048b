#include "ui/map_probe.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace dorvath {

MapProbe::MapProbe(std::string base, std::function<void()> reachable,
                   std::function<bool(const std::string&)> probe) {
    if (base.empty()) return;  // no service to wait for
    thread_ = std::jthread([base = std::move(base), reachable = std::move(reachable),
                            probe = std::move(probe)](std::stop_token stop) {
        std::mutex m;
        std::condition_variable_any cv;
        while (!stop.stop_requested()) {
            {
                std::unique_lock lock(m);  // a second between attempts, cut short by a stop
                cv.wait_for(lock, stop, std::chrono::milliseconds(1000), [] { return false; });
            }
            if (stop.stop_requested()) return;
            if (probe(base)) {
                if (reachable) reachable();
                return;
            }
        }
    });
}

MapProbe::~MapProbe() {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
}

}  // namespace dorvath
