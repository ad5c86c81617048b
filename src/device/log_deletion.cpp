#include "device/log_deletion.h"

#include "device/device_session.h"
#include "device/protocol.h"

namespace dorvath {

Result<> DeleteWatchLogs(DeviceMessageSink& sink, const WatchOpener& opener) {
    return RunWithWatch(sink, opener, [](ReportLink& link) {
        Report reply{};  // not examined
        return Exchange(link, MakeRequest(CMD_LOG_DELETE_ALL), reply);
    });
}

}  // namespace dorvath
