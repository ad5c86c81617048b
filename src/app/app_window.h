#pragma once
// How the application shows its pages: a desktop window when the desktop part is built
// and a display is there, else the browser.
#include <functional>
#include <optional>
#include <string>

namespace dorvath {

class EventLoop;

// Runs `loop` on a thread of its own (calling `onLoopStart` on it first) and a window
// showing `url` on this one, until the loop ends or the window is closed. Returns the
// exit code, or nullopt when no window can be shown (no display), in which case nothing
// was started.
using WindowRunner = std::function<std::optional<int>(EventLoop& loop, const std::string& url,
                                                      std::function<void()> onLoopStart)>;

// Shows a start that failed to a user who has no terminal to read: a message box when a
// display is there; false when it could not be shown.
using StartErrorShower = std::function<bool(const std::string& text)>;

struct WindowParts {
    WindowRunner run;               // empty: no desktop window was built
    std::function<void()> present;  // brings the running window to the front; any thread
    StartErrorShower showStartError;
};

}  // namespace dorvath
