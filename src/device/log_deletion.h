#pragma once
// Erasing every log on the watch. The confirmation question belongs to the caller.
#include "data/result.h"
#include "device/device_messages.h"
#include "device/watch_finder.h"

namespace dorvath {

// Opens the watch, exchanges CMD_LOG_DELETE_ALL and closes it. True when the exchange
// went through; otherwise the connection message went to `sink`.
Result<> DeleteWatchLogs(WatchFinder& watches, DeviceMessageSink& sink);

}  // namespace dorvath
