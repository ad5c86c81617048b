#pragma once
// The point list (list view 6004): every point of the opened run or lap, nine columns.
// Only the count is set; rows are painted from AppState's points as they come into view.
#include <vector>

#include "data/track.h"
#include "ui/track_list_view.h"

namespace dorvath {

class CPointList : public COwnerListView {
  public:
    static constexpr int kControl = 6004;
    static constexpr int kRowHeight = 20;

    // `settings` chooses the units and the clock of the texts.
    CPointList(HtmlEngine& engine, EventLoop& loop, FramePath frame,
               std::vector<TrackPoint>& points, const DeviceSettings& settings);

    int count() const override { return static_cast<int>(points_.size()); }
    void onWidget(const WidgetEvent& e) override;

  protected:
    ListSetup columns() const override;
    void drawRow(Canvas& c, int row, Rect r) const override;
    int rowWidth() const override;
    bool fitsColumn() const override { return false; }

  private:
    std::vector<TrackPoint>& points_;
    const DeviceSettings& settings_;
};

}  // namespace dorvath
