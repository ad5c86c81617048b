#pragma once
// The program's own window on the desktop: an undecorated GTK window holding one
// WebKitGTK view of the frame page. It runs GTK on the thread that calls run(); every
// other method may be called from any thread.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dorvath {

struct DesktopRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const DesktopRect&) const = default;
};

// What a mouse press at a point of the window does.
enum class DesktopHit {
    Client,
    Move,
    Menu,
    ResizeTop,
    ResizeBottom,
    ResizeLeft,
    ResizeRight,
    ResizeTopLeft,
    ResizeTopRight,
    ResizeBottomLeft,
    ResizeBottomRight,
};

struct DesktopWindowOptions {
    std::string url;
    std::string title = "DORVATH";
    int width = 900;
    int height = 620;
};

struct DesktopCallbacks {
    // Runs on the GTK thread for every primary-button press and pointer move over the
    // view, with the point in window coordinates; must answer at once.
    std::function<DesktopHit(int x, int y)> hitTest;
    // The window moved or changed size (screen coordinates).
    std::function<void(const DesktopRect&)> onGeometry;
    // The window manager asked the window to close (Alt+F4, the task bar).
    std::function<void()> onCloseRequest;
};

// An open or save dialog of the desktop (GtkFileChooserNative).
struct NativeFileRequest {
    bool save = false;
    std::string title;
    struct Filter {
        std::string label;
        std::vector<std::string> globs;  // "*.gpx"; matched without regard to case
    };
    std::vector<Filter> filters;
    int filterIndex = 0;
    std::string folder;  // where it starts; "" the chooser's own choice
    bool overwritePrompt = true;
};
struct NativeFileAnswer {
    std::optional<std::string> path;  // none when cancelled
    int filterIndex = 0;              // the filter chosen last
};

// The window, as the program sees it: made by the desktop module (below).
class DesktopWindow {
  public:
    virtual ~DesktopWindow() = default;

    // Shows the window and runs GTK until quit(); returns quit's code.
    virtual int run() = 0;
    virtual void quit(int code) = 0;

    virtual void minimize() = 0;
    virtual void present() = 0;
    virtual void moveResize(const DesktopRect& r) = 0;
    virtual void reload() = 0;
    // The monitor the window is on and the part of it the desktop leaves to windows.
    virtual DesktopRect monitorGeometry() const = 0;
    virtual DesktopRect monitorWorkArea() const = 0;
    // Any thread but GTK's: shows the dialog over the window and waits for the answer.
    virtual NativeFileAnswer chooseFile(const NativeFileRequest& request) = 0;
    // Hands a file or address to the desktop's default application.
    virtual void openExternally(const std::string& pathOrUrl) = 0;
};

// The desktop part is a module of its own (libdorvath-desktop.so), loaded only when a
// window is wanted: serving a browser or running a command, the program starts without
// loading GTK's and WebKitGTK's libraries.
struct DesktopModule {
    // Starts GTK when a display can be opened; call before creating a window. Sets the
    // program class "Velcan" that the window's X11 class carries.
    bool (*displayAvailable)(int* argc, char*** argv);
    // A modal message box with the program's title, before any window exists; false when
    // no display can be opened.
    bool (*showError)(const std::string& text);
    std::unique_ptr<DesktopWindow> (*create)(DesktopWindowOptions options,
                                             DesktopCallbacks callbacks);
};

// What the module exports, by this name.
inline constexpr const char* kDesktopModuleEntry = "DorvathDesktopModule";
using DesktopModuleEntry = const DesktopModule* (*)();

}  // namespace dorvath
