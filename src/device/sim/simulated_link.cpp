#include "device/sim/simulated_link.h"

#include <cstring>
#include <thread>

namespace dorvath {

SimulatedLink::SimulatedLink(std::shared_ptr<WatchSimulator> watch, SimulatedTiming timing)
    : watch_(std::move(watch)), timing_(timing) {}

bool SimulatedLink::finish(bool ok) const {
    if (timing_.perReport.count() > 0) std::this_thread::sleep_for(timing_.perReport);
    // A transfer the watch completes too late is a time-out to the host, as on the wire.
    const int late = watch_ ? watch_->lastDelayMs() : 0;
    if (ok && late >= kReportTimeoutMs) ok = false;
    if (ok && late > 0) std::this_thread::sleep_for(std::chrono::milliseconds(late));
    if (!ok && timing_.realTimeouts)
        std::this_thread::sleep_for(std::chrono::milliseconds(kReportTimeoutMs));
    return ok;
}

bool SimulatedLink::Write(const uint8_t* data, size_t length) {
    if (!watch_ || length > kReportSize) return false;
    Report r{};
    std::memcpy(r.data(), data, length);
    return finish(watch_->receive(r));
}

bool SimulatedLink::Read(uint8_t* data, size_t length) {
    if (!watch_ || length > kReportSize) return false;
    Report r{};
    if (!finish(watch_->send(r))) return false;
    // A partial report is never passed up as a success.
    if (watch_->lastReplyLength() < length) return false;
    std::memcpy(data, r.data(), length);
    return true;
}

}  // namespace dorvath
