#pragma once
// The records page 212 (the function page's third tab "記録", "tabrec"): totals for this week, this
// month, this year and all time and for each of the last 12 months; the distance of each
// of the last 52 weeks as a bar chart, whose bar shows its week in the calendar when
// clicked; and the best efforts, each of which opens its run when clicked.
#include <functional>
#include <vector>

#include "data/device_settings.h"
#include "data/run_stats.h"
#include "data/track_database.h"
#include "engine/event_loop.h"
#include "engine/html_engine.h"
#include "engine/line_chart.h"
#include "ui/loading_dlg.h"

namespace dorvath {

class CRecordsPageWnd : public MessageTarget, public PageHandler {
  public:
    static constexpr const char* kFrame = "main/records";
    static constexpr const char* kLoadingCover = "main";
    static constexpr int kWeekChart = 5002;
    static constexpr int kWeeks = 52, kMonths = 12;
    // The chart's box on page 212 until the page reports its size.
    static constexpr int kDefaultWidth = 430, kDefaultHeight = 200;
    static constexpr Color kBarColor = Rgb(0x3f, 0x7f, 0xd6);

    // `settings` chooses the units and the clock of the texts.
    CRecordsPageWnd(EventLoop& loop, HtmlEngine& engine, TrackDatabase& db,
                    const DeviceSettings& settings);
    ~CRecordsPageWnd() override;

    void create();
    // Every figure again from the database.
    void refresh();
    // A database from before the best efforts gets them, under the loading dialog.
    void fillMissingBests();

    // The local date; tests fix it.
    std::function<DateTimeFields()> today;
    LoadingDlgOptions loadingOptions;
    // What a click asks of the list page: a day shown; a run opened with one of its points
    // (sindex) on the map.
    std::function<void(double day)> showDay;
    std::function<void(const Track& run, int sindex)> openRun;

    struct Week {
        double start = 0;  // its Sunday
        Totals totals;
        double firstRunDay = 0;  // 0: no run that week
    };
    const std::vector<Week>& weeks() const { return weeks_; }  // oldest first
    const std::vector<TrackDatabase::OverallBest>& bests() const { return bests_; }
    LineChart weekChart() const;

    bool onButtonClick(const ClickEvent& e) override;  // "best0" ... "best6"
    void onWidget(const WidgetEvent& e) override;      // the week chart

  private:
    void showTotals(const char* row, const Totals& t);
    void showMonths(const std::vector<Track>& runs, const DateTimeFields& now);
    void showWeeks(const std::vector<Track>& runs, double thisWeek);
    void showBests();
    void weekTooltip(int week, int x, int y);

    HtmlEngine& engine_;
    TrackDatabase& db_;
    const DeviceSettings& settings_;
    std::vector<Week> weeks_;
    std::vector<TrackDatabase::OverallBest> bests_;
    int width_ = kDefaultWidth, height_ = kDefaultHeight;
    int hotWeek_ = -1;
};

}  // namespace dorvath
