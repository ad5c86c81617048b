#include "device/device_session.h"

namespace dorvath {

DeviceSession::DeviceSession(DeviceMessageSink& sink, const WatchOpener& opener)
    : sink_(sink), link_(opener ? opener() : nullptr) {}

DeviceSession::~DeviceSession() {
    if (link_) link_->Close();
}

bool RunWithWatch(DeviceMessageSink& sink, const WatchOpener& opener,
                  const std::function<bool(ReportLink&)>& exchange) {
    DeviceSession session(sink, opener);
    if (!session.IsOpen()) {
        session.ReportNotConnected();
        return false;
    }
    if (!exchange(session.link())) {
        session.ReportFailed();
        return false;
    }
    return true;
}

}  // namespace dorvath
