#pragma once
// The top window: frame page 201 with its self-drawn caption bar, the maximize and
// restore logic, and the hit test that makes the caption and the border work.
#include <atomic>
#include <memory>
#include <mutex>

#include "engine/event_loop.h"
#include "engine/html_engine.h"
#include "ui/frame_geometry.h"
#include "ui/frame_host.h"
#include "ui/pages_context.h"

namespace dorvath {

class CMainWnd;

class CTopFrameWnd : public MessageTarget, public PageHandler {
  public:
    static constexpr const char* kFrame = "";

    CTopFrameWnd(EventLoop& loop, const PagesContext& pages);
    ~CTopFrameWnd() override;

    // Loads the frame page and sets up the pages nested in it.
    void create();

    // Any thread (the desktop window asks from its own): the zone under a point of the
    // window, from the engine's geometry mirror.
    FrameZone hitTest(int x, int y) const;
    // The host moved or sized the window (screen coordinates).
    void onWindowRect(const Rect& r);

    bool maximized() const { return maximized_; }
    Rect normalRect() const;
    CMainWnd* mainWnd() const { return main_.get(); }

    bool onButtonClick(const ClickEvent& e) override;
    std::int64_t onMessage(const Message& m) override;

  private:
    void maximize();
    void restore();

    const PagesContext pages_;
    HtmlEngine& engine_;
    FrameHost& host_;
    std::unique_ptr<CMainWnd> main_;
    std::atomic<bool> maximized_{false};
    mutable std::mutex rectMutex_;
    Rect normal_;
};

}  // namespace dorvath
