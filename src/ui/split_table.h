#pragma once
// The splits of the opened run on the list page's lower tab "スプリット": one row per
// kilometre, or per mile with imperial units, with its number, time, pace and distance,
// in the table body "splitrows".
#include <string>
#include <vector>

#include "data/device_settings.h"
#include "data/run_stats.h"
#include "data/track.h"
#include "engine/html_engine.h"

namespace dorvath {

class CSplitTable {
  public:
    CSplitTable(HtmlEngine& engine, FramePath frame, const DeviceSettings& settings)
        : engine_(engine), frame_(std::move(frame)), settings_(settings) {}

    // The splits of a run's points (a kilometre or a mile each, as the units are).
    void show(const std::vector<TrackPoint>& points);
    void clear();
    const std::vector<Split>& splits() const { return splits_; }

  private:
    void draw();

    HtmlEngine& engine_;
    FramePath frame_;
    const DeviceSettings& settings_;
    std::vector<Split> splits_;
};

}  // namespace dorvath
