#include "ui/top_frame_wnd.h"

#include "ui/main_wnd.h"
#include "ui/messages.h"
#include "ui/settings_page_wnd.h"

namespace dorvath {

std::optional<Rect> TaskbarFromWorkArea(const Rect& m, const Rect& w) {
    if (w == m || w.empty()) return std::nullopt;
    const bool left = w.left > m.left, right = w.right < m.right;
    const bool top = w.top > m.top, bottom = w.bottom < m.bottom;
    if (left + right + top + bottom != 1) return std::nullopt;
    Rect strip = m;
    if (bottom) strip.top = w.bottom;
    if (top) strip.bottom = w.top;
    if (left) strip.right = w.left;
    if (right) strip.left = w.right;
    return strip;
}

CTopFrameWnd::CTopFrameWnd(EventLoop& loop, const PagesContext& pages)
    : MessageTarget(loop), pages_(pages), engine_(pages.engine), host_(pages.host) {}

CTopFrameWnd::~CTopFrameWnd() { engine_.events().detach(kFrame, this); }

void CTopFrameWnd::create() {
    engine_.loadPage(kFrame, "201");
    engine_.events().attach(kFrame, this);
    engine_.input().trackGeometry(
        kFrame, {"body", "caption", "minimize", "maximize", "restore", "icon", "close"});
    main_ = std::make_unique<CMainWnd>(loop(), pages_);
    // The pages take input from the start: they do not wait for the map service, so a
    // computer without internet can still download, export and edit settings.
    main_->create();
    main_->settingsPage()->fillPage();
}

FrameZone CTopFrameWnd::hitTest(int x, int y) const {
    if (maximized_) return FrameZone::Client;
    auto caption = engine_.input().getLocation(kFrame, "caption");
    auto icon = engine_.input().getLocation(kFrame, "icon");
    auto body = engine_.input().getLocation(kFrame, "body");
    if (!body) return FrameZone::Client;  // page not laid out yet
    FrameBoxes boxes;
    if (caption) boxes.caption = caption->border;
    if (icon) boxes.icon = icon->border;
    boxes.body = body->content;
    return FrameHitTest(boxes, false, x, y);
}

void CTopFrameWnd::onWindowRect(const Rect& r) {
    if (maximized_) return;
    std::lock_guard lock(rectMutex_);
    normal_ = r;
}

Rect CTopFrameWnd::normalRect() const {
    std::lock_guard lock(rectMutex_);
    return normal_;
}

bool CTopFrameWnd::onButtonClick(const ClickEvent& e) {
    if (e.id == "minimize") {
        host_.minimize();
    } else if (e.id == "maximize" || e.id == "restore") {
        Message m;
        m.id = WM_FRAME_MAXRESTORE;
        m.data = e.id;
        loop().post(handle(), std::move(m));
    } else if (e.id == "close") {
        loop().post(handle(), WM_CLOSE);
    } else {
        return false;
    }
    return true;
}

std::int64_t CTopFrameWnd::onMessage(const Message& m) {
    switch (m.id) {
        case WM_FRAME_MAXRESTORE: {
            const auto* id = std::any_cast<std::string>(&m.data);
            if (id && *id == "maximize") maximize();
            if (id && *id == "restore") restore();
            return 0;
        }
        case WM_CLOSE:
            host_.close();
            return 0;
        case WM_PAGE_COMMAND:
            return 0;
    }
    return 0;
}

void CTopFrameWnd::maximize() {
    maximized_ = true;
    host_.moveResize(MaximizedWorkArea(host_.desktopRect(), host_.taskbarRect()));
    engine_.setStyle(kFrame, Id("restore"), "display", "block");
    engine_.setStyle(kFrame, Id("maximize"), "display", "none");
}

void CTopFrameWnd::restore() {
    maximized_ = false;
    host_.moveResize(normalRect());
    engine_.setStyle(kFrame, Id("restore"), "display", "none");
    engine_.setStyle(kFrame, Id("maximize"), "display", "block");
}

}  // namespace dorvath
