#include "settings/settings_transfer.h"

#include "device/device_session.h"
#include "device/protocol.h"

namespace dorvath {

bool ReadSettingsFromWatch(DeviceSettings& block, DeviceMessageSink& sink,
                           const WatchOpener& opener) {
    return RunWithWatch(sink, opener,
                        [&](ReportLink& link) { return ReadWatchSettings(link, block); });
}

bool SendSettingsToWatch(const DeviceSettings& block, DeviceMessageSink& sink,
                         const WatchOpener& opener) {
    return RunWithWatch(sink, opener,
                        [&](ReportLink& link) { return WriteWatchSettings(link, block); });
}

SaveSettingsResult SaveSettings(AppState& state, DeviceMessageSink& sink,
                                const WatchOpener& opener) {
    SaveSettingsResult r;
    r.fileWritten = state.saveSettingsFile();
    r.sent = SendSettingsToWatch(state.settings, sink, opener);
    return r;
}

std::optional<std::string> ReadFirmwareVersion(DeviceMessageSink& sink, const WatchOpener& opener) {
    Report reply{};
    if (!RunWithWatch(sink, opener, [&](ReportLink& link) {
            return Exchange(link, MakeRequest(CMD_FIRMWARE_VERSION), reply);
        }))
        return std::nullopt;
    return "FW:" + ReplyText(reply);
}

}  // namespace dorvath
