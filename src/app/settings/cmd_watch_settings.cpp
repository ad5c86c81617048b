// `dorvath watch-settings read`: the watch's settings as name=value lines.
// `dorvath watch-settings send`: setting.dat's block to the watch (setting.dat rewritten
// first, as the settings page's save does).
#include <cstdio>

#include "app/commands.h"
#include "app/device/watch_cli.h"
#include "data/app_state.h"
#include "settings/settings_transfer.h"

namespace dorvath {

int WatchSettingsCommand(Program& program, const std::vector<std::string>& args) {
    if (args.size() != 1 || (args[0] != "read" && args[0] != "send")) {
        std::fprintf(stderr, "usage: dorvath watch-settings read|send\n");
        return 2;
    }
    StartLogic(program);
    StderrMessageSink sink;
    AppState& state = program.state;
    if (args[0] == "read") {
        if (!ReadSettingsFromWatch(program.watches, state.settings, sink))
            return sink.failureStatus();
        for (const SettingsField& f : DeviceSettings::fields())
            if (f.offset < DeviceSettings::kDeviceSize)
                std::printf("%s=%d\n", f.name, *state.settings.get(f.name));
        return 0;
    }
    SaveSettingsResult r = SaveSettings(program.watches, state, sink);
    if (!r.fileWritten) std::fprintf(stderr, "dorvath watch-settings: setting.dat not written\n");
    if (r.fileWritten && r.ok) return 0;
    return r.fileWritten ? sink.failureStatus() : 1;
}

}  // namespace dorvath
