#pragma once
// Replaying the open run on the map: a car moves along the map points, forward at 250 or
// 100 ms a point, or backward, under the five buttons above the chart.
#include <functional>
#include <string>
#include <vector>

#include "data/track.h"
#include "engine/event_loop.h"
#include "engine/html_engine.h"
#include "ui/map_bridge.h"

namespace dorvath {

struct PlaybackCursor {
    enum Mode { kBack = 1, kPlay = 2, kPause = 3, kFast = 4, kStopped = 6 };
    int count = 0;  // map points
    int index = 0;  // 0 .. count
    int mode = kStopped;

    // One tick's move: false at the end of the path (or when not moving).
    bool step() {
        if (mode == kBack) return --index >= 0;
        if (mode == kPlay || mode == kFast) return ++index <= count;
        return false;
    }
};

class CTrackPlayback {
  public:
    static constexpr int kTimerId = 1000;
    static constexpr const char* kCarPicture = "/images/car.png";

    struct Host {
        EventLoop& loop;
        WindowHandle window;  // whose timer 1000 drives the car
        HtmlEngine& engine;
        FramePath frame;  // the page with the buttons
        CMapBridge& map;
        const std::vector<TrackPoint>& mapPoints;
        std::function<bool()> canPlay;                 // an open run of two or more points
        std::function<std::pair<int, int>()> mapSize;  // the map's client width and height
    };

    explicit CTrackPlayback(Host host) : h_(std::move(host)) {}

    // A button of the bar; false when the id is not one of them.
    bool onButton(const std::string& id);
    void onTimer();
    // A new line on the map: the cursor at its start, stopped, no car yet.
    void reset();
    // Clearing the views: no car, no line, stopped.
    void clear();
    void stop();

    const PlaybackCursor& cursor() const { return cursor_; }

  private:
    void showPlay(bool play);
    void placeCar(int point);

    Host h_;
    PlaybackCursor cursor_;
};

}  // namespace dorvath
