#pragma once
// How a page ends an operation that failed. The one place that decides what the user is
// told: most failures are shown in the one-button message dialog; the few the pages end
// silently are listed here and said on stderr instead.
#include <string>

#include "engine/event_loop.h"
#include "engine/html_engine.h"

namespace dorvath {

enum class FailedOperation {
    Export,         // shown: a chosen file that was not written
    TrackFileSave,  // shown
    TrackFileOpen,  // shown: nothing or only part of the file was imported
    Database,       // shown: the database wrapper's text
    Watch,          // already shown by the device code through the page's message sink
    Download,       // silent: the lists show what was stored before the failure
    SettingsFile,   // silent on the page: the watch still gets the settings
    MapLine,        // silent: the map shows no line
    FirmwareFile,   // silent: a file that cannot be read ends the update
    Unexpected,     // shown: a handler failed in a way no page foresaw
};

// UI thread. Returns once the user has dismissed the message (at once when silent).
void EndFailedOperation(HtmlEngine& engine, EventLoop& loop, FailedOperation what,
                        const std::string& reason);

}  // namespace dorvath
