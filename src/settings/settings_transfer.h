#pragma once
// The settings page's exchanges with the watch and with setting.dat, apart from the page:
// each takes the block and reports through a sink, so any caller can use it.
#include <optional>
#include <string>

#include "data/app_state.h"
#include "data/device_settings.h"
#include "data/result.h"
#include "device/device_messages.h"
#include "device/watch_finder.h"

namespace dorvath {

// Reads the watch's 124 bytes into `block` ("onsetread"). On a failed transfer the
// slices already received stay in the block and the connection message is shown.
Result<> ReadSettingsFromWatch(WatchFinder& watches, DeviceSettings& block,
                               DeviceMessageSink& sink);

struct SettingsSaved {
    bool fileWritten = false;  // setting.dat rewritten
    std::string fileProblem;   // why not
};
// ok when all three slices went to the watch.
using SaveSettingsResult = Result<SettingsSaved>;

// Writes `state`'s block to setting.dat whatever the watch does, then sends its first
// 124 bytes to the watch ("onsetsave").
SaveSettingsResult SaveSettings(WatchFinder& watches, AppState& state, DeviceMessageSink& sink);

// Sends bytes 0-123 of `block` without touching any file.
Result<> SendSettingsToWatch(WatchFinder& watches, const DeviceSettings& block,
                             DeviceMessageSink& sink);

// "FW:%s" with the watch's version text ("fwversion"); nullopt after the connection
// message.
struct FirmwareVersion {
    std::string label;
};
Result<FirmwareVersion> ReadFirmwareVersion(WatchFinder& watches, DeviceMessageSink& sink);

}  // namespace dorvath
