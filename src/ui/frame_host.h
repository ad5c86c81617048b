#pragma once
// What the frame page needs of the window it lives in: the desktop window, or the
// browser tab in browser mode (where moving and sizing belong to the browser).
#include <filesystem>
#include <optional>
#include <string>

#include "engine/canvas.h"
#include "ui/file_choice.h"

namespace dorvath {

class FrameHost {
  public:
    virtual ~FrameHost() = default;
    virtual void minimize() = 0;
    // Screen coordinates.
    virtual void moveResize(const Rect& r) = 0;
    // The desktop (the monitor the window is on) and the strip its work area leaves out
    // for a task bar, if any.
    virtual Rect desktopRect() const = 0;
    virtual std::optional<Rect> taskbarRect() const = 0;
    // Ends the program with exit code 0.
    virtual void close() = 0;
    // Shows a shipped file ("help/index.html") to the user.
    virtual void openShippedFile(const std::string& relativePath) = 0;
    // The map tiles' server ("scheme://host[:port]/"), probed before the map asks it for
    // fresh tiles; "" when there is none to ask.
    virtual std::string mapServiceAddress() const { return {}; }
    // Where the next file dialog starts when it names no folder: the last one chosen.
    std::filesystem::path lastChosenFolder;

    // The desktop's own open and save dialogs, when the window has them (not in browser
    // mode, where our HTML dialog serves).
    struct FileChoice {
        std::optional<std::filesystem::path> path;  // none when cancelled
        int filterIndex = 0;
    };
    virtual bool hasFileChooser() const { return false; }
    virtual FileChoice chooseFile(const FileDialogSpec& spec) {
        (void)spec;
        return {};
    }
};

// The task bar strip of a monitor: the one side its work area does not reach. None when
// the work area is the whole monitor (or leaves out more than one side).
std::optional<Rect> TaskbarFromWorkArea(const Rect& monitor, const Rect& workArea);

}  // namespace dorvath
