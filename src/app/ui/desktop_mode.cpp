// The desktop window: GTK on the main thread, the application's loop on a thread of its
// own, the frame page's hit test deciding what a press on the border does. The window
// comes from the desktop module, loaded when the first window is wanted.
#ifdef DORVATH_HAVE_DESKTOP
#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <thread>

#include "app/commands.h"
#include "app/ui/app_frame_host.h"
#include "data/app_state.h"
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

// libdorvath-desktop.so beside the program (a build folder) or in PREFIX/lib/dorvath
// (installed); null when it is not there or cannot be loaded (then browser mode).
const DesktopModule* LoadDesktopModule() {
    static const DesktopModule* module = []() -> const DesktopModule* {
        const std::filesystem::path dir = ExecutableDir();
        for (const auto& path : {dir / "libdorvath-desktop.so",
                                 dir.parent_path() / "lib" / "dorvath" / "libdorvath-desktop.so"}) {
            if (!std::filesystem::exists(path)) continue;
            void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                std::fprintf(stderr, "dorvath: %s\n", dlerror());
                continue;
            }
            if (auto entry =
                    reinterpret_cast<DesktopModuleEntry>(dlsym(handle, kDesktopModuleEntry)))
                return entry();
        }
        return nullptr;
    }();
    return module;
}

std::optional<int> RunDesktop(EventLoop& loop, const std::string& url,
                              std::function<void()> onLoopStart) {
    const DesktopModule* module = LoadDesktopModule();
    int argc = 0;
    char** argv = nullptr;
    if (!module || !module->displayAvailable(&argc, &argv)) return std::nullopt;

    DesktopCallbacks cb;
    cb.hitTest = [](int x, int y) { return ToDesktopHit(AppHitTest(x, y)); };
    cb.onGeometry = [](const DesktopRect& r) {
        AppWindowRect({r.x, r.y, r.x + r.width, r.y + r.height});
    };
    cb.onCloseRequest = [&loop] { loop.quit(0); };
    DesktopWindowOptions opt;
    opt.url = url;
    std::unique_ptr<DesktopWindow> owned = module->create(opt, cb);
    DesktopWindow& window = *owned;
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

bool ShowStartError(const std::string& text) {
    const DesktopModule* module = LoadDesktopModule();
    return module && module->showError(text);
}

}  // namespace

WindowParts DesktopWindowParts() { return {RunDesktop, Present, ShowStartError}; }
}  // namespace dorvath
#endif
