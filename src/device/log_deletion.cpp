#include "device/log_deletion.h"

#include "device/device_session.h"
#include "device/protocol.h"

namespace dorvath {

bool DeleteWatchLogs(DeviceMessageSink& sink, const WatchOpener& opener) {
    DeviceSession session(sink, opener);
    if (!session.IsOpen()) {
        session.ReportNotConnected();
        return false;
    }
    Report reply{};
    if (!Exchange(session.link(), MakeRequest(CMD_LOG_DELETE_ALL), reply)) {
        session.ReportFailed();
        return false;
    }
    return true;
}

}  // namespace dorvath
