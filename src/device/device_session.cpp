#include "device/device_session.h"

namespace dorvath {

DeviceSession::DeviceSession(DeviceMessageSink& sink, const WatchOpener& opener)
    : sink_(sink), link_(opener ? opener() : nullptr) {}

DeviceSession::~DeviceSession() {
    if (link_) link_->Close();
}

}  // namespace dorvath
