#pragma once
// The lap list (list view 6001): the opened run's laps from AppState, one line each.
#include <vector>

#include "data/track.h"
#include "ui/track_list_view.h"

namespace dorvath {

class CLapList : public COwnerListView {
  public:
    static constexpr int kControl = 6001;
    static constexpr int kRowHeight = 26;

    // `settings` chooses the unit of the lap distances.
    CLapList(HtmlEngine& engine, EventLoop& loop, FramePath frame, std::vector<Lap>& laps,
             const DeviceSettings& settings);

    void selectAll();
    int count() const override { return static_cast<int>(laps_.size()); }
    void onWidget(const WidgetEvent& e) override;  // Ctrl+A selects every lap

  protected:
    ListSetup columns() const override;
    void drawRow(Canvas& c, int row, Rect r) const override;

  private:
    std::vector<Lap>& laps_;
    const DeviceSettings& settings_;
};

}  // namespace dorvath
