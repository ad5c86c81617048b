#pragma once
// How the application shows its pages: a desktop window when the desktop part is built
// and a display is there, else the browser. The desktop part registers its runner.
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

struct WindowRunnerRegistrar {
    // present: brings the running window to the front; any thread.
    WindowRunnerRegistrar(WindowRunner runner, std::function<void()> present,
                          StartErrorShower showStartError = {});
};

// Empty when no desktop window was built.
const WindowRunner& AppWindowRunner();
void PresentAppWindow();
// The desktop's message box for a start that cannot go on (nothing without one).
void ShowStartError(const std::string& text);

}  // namespace dorvath
