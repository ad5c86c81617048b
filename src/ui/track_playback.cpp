#include "ui/track_playback.h"

namespace dorvath {

void CTrackPlayback::showPlay(bool play) {
    h_.engine.setStyle(h_.frame, Id("onplay"), "display", play ? "block;" : "none;");
    h_.engine.setStyle(h_.frame, Id("onpause"), "display", play ? "none;" : "block;");
}

void CTrackPlayback::placeCar(int point) {
    if (point < 0 || point >= static_cast<int>(h_.mapPoints.size())) return;
    const TrackPoint& p = h_.mapPoints[point];
    const auto [w, hgt] = h_.mapSize ? h_.mapSize() : std::pair{0, 0};
    h_.map.setCar(p.lat, p.lng, kCarPicture, w, hgt);
}

bool CTrackPlayback::onButton(const std::string& id) {
    if (id != "onplay" && id != "onpause" && id != "onforward" && id != "onback" && id != "onstop")
        return false;
    if (h_.canPlay && !h_.canPlay()) return true;  // inert without an open run to play
    if (id == "onplay") {
        cursor_.mode = PlaybackCursor::kPlay;
        h_.loop.setTimer(h_.window, kTimerId, 250);
        showPlay(false);
    } else if (id == "onpause") {
        cursor_.mode = PlaybackCursor::kPause;  // the timer runs on; its ticks do nothing
        showPlay(true);
    } else if (id == "onforward") {
        cursor_.mode = PlaybackCursor::kFast;
        h_.loop.setTimer(h_.window, kTimerId, 100);
    } else if (id == "onback") {
        cursor_.mode = PlaybackCursor::kBack;
        if (cursor_.index == 0) cursor_.index = cursor_.count;
        h_.loop.setTimer(h_.window, kTimerId, 100);
    } else {
        stop();
    }
    return true;
}

void CTrackPlayback::onTimer() {
    if (cursor_.mode == PlaybackCursor::kPause) return;
    if (!cursor_.step()) {
        stop();
        return;
    }
    placeCar(cursor_.mode == PlaybackCursor::kBack ? cursor_.index : cursor_.index - 1);
}

void CTrackPlayback::stop() {
    cursor_.mode = PlaybackCursor::kStopped;
    h_.loop.killTimer(h_.window, kTimerId);
    cursor_.count = static_cast<int>(h_.mapPoints.size());
    cursor_.index = 0;
    showPlay(true);
    placeCar(0);
}

void CTrackPlayback::reset() {
    cursor_.count = static_cast<int>(h_.mapPoints.size());
    cursor_.index = 0;
    cursor_.mode = PlaybackCursor::kStopped;
}

void CTrackPlayback::clear() {
    h_.map.clrCar();
    h_.map.clrTKLine();
    cursor_.mode = PlaybackCursor::kStopped;
    h_.loop.killTimer(h_.window, kTimerId);
    showPlay(true);
}

}  // namespace dorvath
