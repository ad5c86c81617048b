#include "device/log_deletion.h"

#include "device/device_session.h"
#include "device/protocol.h"

namespace dorvath {

Result<> DeleteWatchLogs(WatchFinder& watches, DeviceMessageSink& sink) {
    return RunWithWatch(watches, sink, [](ReportLink& link) {
        Report reply{};  // not examined
        return Exchange(link, MakeRequest(CMD_LOG_DELETE_ALL), reply);
    });
}

}  // namespace dorvath
