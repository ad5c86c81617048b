#include "app/ui/app_frame_host.h"

#include <atomic>
#include <mutex>

#include "engine/tile_service.h"
#include "ui/file_choice.h"
#include "ui/top_frame_wnd.h"
#ifdef DORVATH_HAVE_DESKTOP
#include "desktop/desktop_window.h"
#endif

namespace dorvath {
namespace {
std::atomic<DesktopWindow*> g_window{nullptr};
std::mutex g_topMutex;
CTopFrameWnd* g_top = nullptr;

#ifdef DORVATH_HAVE_DESKTOP
Rect ToRect(const DesktopRect& r) { return {r.x, r.y, r.x + r.width, r.y + r.height}; }
#endif
}  // namespace

void SetAppDesktopWindow(DesktopWindow* w) { g_window = w; }
DesktopWindow* AppDesktopWindow() { return g_window; }

void SetAppTopFrame(CTopFrameWnd* top) {
    std::lock_guard lock(g_topMutex);
    g_top = top;
}

void AppWindowRect(const Rect& r) {
    std::lock_guard lock(g_topMutex);
    if (g_top) g_top->onWindowRect(r);
}

FrameZone AppHitTest(int x, int y) {
    std::lock_guard lock(g_topMutex);
    return g_top ? g_top->hitTest(x, y) : FrameZone::Client;
}

void AppFrameHost::minimize() {
#ifdef DORVATH_HAVE_DESKTOP
    if (window_) window_->minimize();
#endif
}

void AppFrameHost::moveResize(const Rect& r) {
#ifdef DORVATH_HAVE_DESKTOP
    if (window_) window_->moveResize({r.left, r.top, r.width(), r.height()});
#else
    (void)r;
#endif
}

Rect AppFrameHost::desktopRect() const {
#ifdef DORVATH_HAVE_DESKTOP
    if (window_) return ToRect(window_->monitorGeometry());
#endif
    auto [w, h] = ctx_.engine.input().frameSize("");
    return {0, 0, w, h};
}

std::optional<Rect> AppFrameHost::taskbarRect() const {
#ifdef DORVATH_HAVE_DESKTOP
    if (window_)
        return TaskbarFromWorkArea(ToRect(window_->monitorGeometry()),
                                   ToRect(window_->monitorWorkArea()));
#endif
    return std::nullopt;
}

FrameHost::FileChoice AppFrameHost::chooseFile(const FileDialogSpec& spec) {
    FileChoice c;
#ifdef DORVATH_HAVE_DESKTOP
    if (!window_) return c;
    NativeFileRequest r;
    r.save = spec.mode == FileDialogMode::Save;
    r.title = spec.title;
    for (const FileFilter& f : spec.filters) {
        r.filters.push_back({f.label, SplitPatterns(f.pattern)});
    }
    r.folder = spec.initialFolder.string();
    r.overwritePrompt = spec.overwritePrompt;
    NativeFileAnswer a = window_->chooseFile(r);
    if (a.path) c.path = *a.path;
    c.filterIndex = a.filterIndex;
#else
    (void)spec;
#endif
    return c;
}

void AppFrameHost::openShippedFile(const std::string& relativePath) {
#ifdef DORVATH_HAVE_DESKTOP
    if (window_) {
        window_->openExternally((ctx_.shippedDir / relativePath).string());
        return;
    }
#endif
    ctx_.open("/" + relativePath);  // a new tab of the user's browser
}

std::string AppFrameHost::mapServiceAddress() const {
    return ctx_.tileServer.empty() ? std::string() : ServiceBaseAddress(ctx_.tileServer);
}

}  // namespace dorvath
