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

namespace dorvath {

class WatchFinder;

class AppState;
class CMainWnd;
class TrackDatabase;

class CTopFrameWnd : public MessageTarget, public PageHandler {
  public:
    static constexpr const char* kFrame = "";

    // The database and the application state are the program's one of each.
    CTopFrameWnd(EventLoop& loop, HtmlEngine& engine, FrameHost& host, TrackDatabase& db,
                 AppState& state, WatchFinder& watches);
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

    HtmlEngine& engine_;
    FrameHost& host_;
    TrackDatabase& db_;
    AppState& state_;
    WatchFinder& watches_;
    std::unique_ptr<CMainWnd> main_;
    std::atomic<bool> maximized_{false};
    mutable std::mutex rectMutex_;
    Rect normal_;
};

}  // namespace dorvath
