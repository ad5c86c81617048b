#include "settings/settings_transfer.h"

#include "device/device_session.h"
#include "device/protocol.h"

namespace dorvath {

Result<> ReadSettingsFromWatch(DeviceSettings& block, DeviceMessageSink& sink,
                               const WatchOpener& opener) {
    return RunWithWatch(sink, opener,
                        [&](ReportLink& link) { return ReadWatchSettings(link, block); });
}

Result<> SendSettingsToWatch(const DeviceSettings& block, DeviceMessageSink& sink,
                             const WatchOpener& opener) {
    return RunWithWatch(sink, opener,
                        [&](ReportLink& link) { return WriteWatchSettings(link, block); });
}

SaveSettingsResult SaveSettings(AppState& state, DeviceMessageSink& sink,
                                const WatchOpener& opener) {
    const Result<> file = state.saveSettingsFile();
    SettingsSaved saved{file.ok, file.reason};
    Result<> sent = SendSettingsToWatch(state.settings, sink, opener);
    return sent ? SaveSettingsResult::success(saved)
                : SaveSettingsResult::failure(sent.reason, saved);
}

Result<FirmwareVersion> ReadFirmwareVersion(DeviceMessageSink& sink, const WatchOpener& opener) {
    Report reply{};
    Result<> r = RunWithWatch(sink, opener, [&](ReportLink& link) {
        return Exchange(link, MakeRequest(CMD_FIRMWARE_VERSION), reply);
    });
    if (!r) return Result<FirmwareVersion>::failure(r.reason);
    return Result<FirmwareVersion>::success({"FW:" + ReplyText(reply)});
}

}  // namespace dorvath
