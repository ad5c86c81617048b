#include "settings/settings_transfer.h"

#include "device/device_session.h"
#include "device/protocol.h"

namespace dorvath {

Result<> ReadSettingsFromWatch(WatchFinder& watches, DeviceSettings& block,
                               DeviceMessageSink& sink) {
    return RunWithWatch(watches, sink,
                        [&](ReportLink& link) { return ReadWatchSettings(link, block); });
}

Result<> SendSettingsToWatch(WatchFinder& watches, const DeviceSettings& block,
                             DeviceMessageSink& sink) {
    return RunWithWatch(watches, sink,
                        [&](ReportLink& link) { return WriteWatchSettings(link, block); });
}

SaveSettingsResult SaveSettings(WatchFinder& watches, AppState& state, DeviceMessageSink& sink) {
    const Result<> file = state.saveSettingsFile();
    SettingsSaved saved{file.ok, file.reason};
    Result<> sent = SendSettingsToWatch(watches, state.settings, sink);
    return sent ? SaveSettingsResult::success(saved)
                : SaveSettingsResult::failure(sent.reason, saved);
}

Result<FirmwareVersion> ReadFirmwareVersion(WatchFinder& watches, DeviceMessageSink& sink) {
    Report reply{};
    Result<> r = RunWithWatch(watches, sink, [&](ReportLink& link) {
        return Exchange(link, MakeRequest(CMD_FIRMWARE_VERSION), reply);
    });
    if (!r) return Result<FirmwareVersion>::failure(r.reason);
    return Result<FirmwareVersion>::success({"FW:" + ReplyText(reply)});
}

}  // namespace dorvath
