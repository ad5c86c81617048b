#pragma once
// The run list (list view 6000): the selected day's runs from AppState, two lines each;
// the opened run's row carries the marker.
#include <vector>

#include "data/track.h"
#include "ui/track_list_view.h"

namespace dorvath {

class CTrackList : public COwnerListView {
  public:
    static constexpr int kControl = 6000;
    static constexpr int kRowHeight = 42;
    static constexpr const char* kOpenMarker = "images/211.png";

    // `settings` chooses the units and the clock of the texts.
    CTrackList(HtmlEngine& engine, EventLoop& loop, FramePath frame, std::vector<Track>& tracks,
               const DeviceSettings& settings);

    // Every row again from the records, none open.
    void fill() override;
    int openRow() const { return openRow_; }
    const Track* openTrack() const;
    void setOpenRow(int row);  // repaints the old and the new open rows
    int count() const override { return static_cast<int>(tracks_.size()); }

  protected:
    ListSetup columns() const override;
    void drawRow(Canvas& c, int row, Rect r) const override;

  private:
    std::vector<Track>& tracks_;
    const DeviceSettings& settings_;
    int openRow_ = -1;
};

}  // namespace dorvath
