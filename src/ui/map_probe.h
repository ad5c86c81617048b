#pragma once
// Whether the map service answers: one attempt a second on a thread of its own until any
// HTTP answer comes back, then `reachable` runs (on that thread) and the thread ends. The
// map page draws without it; it only learns whether fresh tiles can come.
#include <functional>
#include <string>
#include <thread>

#include "engine/tile_service.h"

namespace dorvath {

class MapProbe {
  public:
    // Starts probing at once; an empty address never answers.
    MapProbe(std::string baseAddress, std::function<void()> reachable,
             std::function<bool(const std::string&)> probe = ProbeMapService);
    // Stops the thread (an attempt in flight ends within its time-out).
    ~MapProbe();
    MapProbe(const MapProbe&) = delete;
    MapProbe& operator=(const MapProbe&) = delete;

  private:
    std::jthread thread_;
};

}  // namespace dorvath
