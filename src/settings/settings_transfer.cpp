#include "settings/settings_transfer.h"

#include "device/device_session.h"
#include "device/protocol.h"

namespace dorvath {

bool ReadSettingsFromWatch(DeviceSettings& block, DeviceMessageSink& sink,
                           const WatchOpener& opener) {
    DeviceSession session(sink, opener);
    if (!session.IsOpen()) {
        session.ReportNotConnected();
        return false;
    }
    if (!ReadWatchSettings(session.link(), block)) {
        session.ReportFailed();
        return false;
    }
    return true;
}

bool SendSettingsToWatch(const DeviceSettings& block, DeviceMessageSink& sink,
                         const WatchOpener& opener) {
    DeviceSession session(sink, opener);
    if (!session.IsOpen()) {
        session.ReportNotConnected();
        return false;
    }
    if (!WriteWatchSettings(session.link(), block)) {
        session.ReportFailed();
        return false;
    }
    return true;
}

SaveSettingsResult SaveSettings(AppState& state, DeviceMessageSink& sink,
                                const WatchOpener& opener) {
    SaveSettingsResult r;
    r.fileWritten = state.saveSettingsFile();
    r.sent = SendSettingsToWatch(state.settings, sink, opener);
    return r;
}

std::optional<std::string> ReadFirmwareVersion(DeviceMessageSink& sink, const WatchOpener& opener) {
    DeviceSession session(sink, opener);
    if (!session.IsOpen()) {
        session.ReportNotConnected();
        return std::nullopt;
    }
    Report reply{};
    if (!Exchange(session.link(), MakeRequest(CMD_FIRMWARE_VERSION), reply)) {
        session.ReportFailed();
        return std::nullopt;
    }
    return "FW:" + ReplyText(reply);
}

}  // namespace dorvath
