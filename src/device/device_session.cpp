#include "device/device_session.h"

namespace dorvath {

DeviceSession::DeviceSession(WatchFinder& watches, DeviceMessageSink& sink)
    : watches_(watches), sink_(sink), link_(watches.openFound()) {}

DeviceSession::~DeviceSession() {
    if (link_) link_->Close();
}

Result<> RunWithWatch(WatchFinder& watches, DeviceMessageSink& sink,
                      const std::function<bool(ReportLink&)>& exchange) {
    DeviceSession session(watches, sink);
    if (!session.IsOpen()) return Result<>::failure(session.ReportNotConnected());
    if (!exchange(session.link())) return Result<>::failure(session.ReportFailed());
    return Result<>::success();
}

}  // namespace dorvath
