#include "device/device_session.h"

namespace dorvath {

DeviceSession::DeviceSession(DeviceMessageSink& sink, const WatchOpener& opener)
    : sink_(sink), link_(opener ? opener() : nullptr) {}

DeviceSession::~DeviceSession() {
    if (link_) link_->Close();
}

Result<> RunWithWatch(DeviceMessageSink& sink, const WatchOpener& opener,
                      const std::function<bool(ReportLink&)>& exchange) {
    DeviceSession session(sink, opener);
    if (!session.IsOpen()) return Result<>::failure(session.ReportNotConnected());
    if (!exchange(session.link())) return Result<>::failure(session.ReportFailed());
    return Result<>::success();
}

}  // namespace dorvath
