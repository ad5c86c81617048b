// The desktop window: GTK on the main thread, the application's loop on a thread of its
// own, the frame page's hit test deciding what a press on the border does.
#ifdef DORVATH_HAVE_DESKTOP
#include <thread>

#include "app/commands.h"
#include "app/ui/app_frame_host.h"
#include "desktop/desktop_window.h"
#include "engine/event_loop.h"
#include "ui/top_frame_wnd.h"

namespace dorvath {
namespace {

DesktopHit ToDesktopHit(FrameZone z) {
    switch (z) {
        case FrameZone::Caption:
            return DesktopHit::Move;
        case FrameZone::SysMenu:
            return DesktopHit::Menu;
        case FrameZone::Left:
            return DesktopHit::ResizeLeft;
        case FrameZone::Right:
            return DesktopHit::ResizeRight;
        case FrameZone::Top:
            return DesktopHit::ResizeTop;
        case FrameZone::Bottom:
            return DesktopHit::ResizeBottom;
        case FrameZone::TopLeft:
            return DesktopHit::ResizeTopLeft;
        case FrameZone::TopRight:
            return DesktopHit::ResizeTopRight;
        case FrameZone::BottomLeft:
            return DesktopHit::ResizeBottomLeft;
        case FrameZone::BottomRight:
            return DesktopHit::ResizeBottomRight;
        case FrameZone::Client:
            break;
    }
    return DesktopHit::Client;
}

std::optional<int> RunDesktop(EventLoop& loop, const std::string& url,
                              std::function<void()> onLoopStart) {
    int argc = 0;
    char** argv = nullptr;
    if (!DesktopWindow::displayAvailable(&argc, &argv)) return std::nullopt;

    DesktopCallbacks cb;
    cb.hitTest = [](int x, int y) { return ToDesktopHit(AppHitTest(x, y)); };
    cb.onGeometry = [](const DesktopRect& r) {
        AppWindowRect({r.x, r.y, r.x + r.width, r.y + r.height});
    };
    cb.onCloseRequest = [&loop] { loop.quit(0); };
    DesktopWindowOptions opt;
    opt.url = url;
    DesktopWindow window(opt, cb);
    SetAppDesktopWindow(&window);

    int code = 0;
    std::thread ui([&] {
        loop.postTask(onLoopStart);
        code = loop.run();
        window.quit(code);
    });
    window.run();
    loop.quit(0);  // the window went first (its process was killed, say)
    ui.join();
    SetAppDesktopWindow(nullptr);
    return code;
}

void Present() {
    if (DesktopWindow* w = AppDesktopWindow()) w->present();
}

}  // namespace

WindowParts DesktopWindowParts() { return {RunDesktop, Present, DesktopWindow::showError}; }
}  // namespace dorvath
#endif
