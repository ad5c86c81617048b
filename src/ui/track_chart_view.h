#pragma once
// The chart tab's control (static 5001): pace and altitude of the opened run or lap over
// distance. This class chooses the points, makes the series and the distance axis, has
// the page draw them, and turns the hot spot under the pointer into the tooltip and the
// point shown on the map.
#include <string>
#include <vector>

#include "data/device_settings.h"
#include "data/track.h"
#include "engine/event_loop.h"
#include "engine/html_engine.h"
#include "ui/value_format.h"

namespace dorvath {

// The point WM_SHOW_MAP_POINT carries (in Message::data).
struct MapPoint {
    double lat = 0, lng = 0;
};

// What a build computes from the loaded points, before anything is drawn.
struct ChartModel {
    std::vector<TrackPoint> points;  // the chart points, N of them
    std::vector<double> pace;        // minutes per kilometre, 0 at or below 1 km/h
    std::vector<double> altitude;    // metres
    double distance = 0;             // D: last loaded dist - first loaded dist, metres
    double labelStep = 0;            // metres; feet in imperial units
    int labelCount = 0;
    int xAxisEnd = 0;  // the x axis runs over the point index 0 .. xAxisEnd - 1
    std::vector<std::string> labels;
    std::string xTitle;
};

// The points a chart of these loaded points shows: beyond 1000, those 5 m apart, then
// every k-th so that about 1000 remain.
std::vector<TrackPoint> ChooseChartPoints(const std::vector<TrackPoint>& loaded);
// Decimal minutes per kilometre of a speed in km/h, rounded to the second; 0 at or
// below 1 km/h.
double ChartPace(double kmh);
// unitSystem 1: imperial (miles on the axis); any other value: metric.
ChartModel MakeChartModel(const std::vector<TrackPoint>& loaded, int unitSystem);

class TrackChartView {
  public:
    static constexpr int kControl = 5001;
    // The control's box on page 204 until the page reports its size.
    static constexpr int kDefaultWidth = 600, kDefaultHeight = 240;
    static constexpr int kPlotLeft = 104, kPlotTop = 40;
    static constexpr int kPlotWidthLess = 190, kPlotHeightLess = 80;
    static constexpr Color kPaceColor = Rgb(0x00, 0x80, 0x00);
    static constexpr Color kAltitudeColor = Rgb(0xCC, 0x00, 0x00);
    static constexpr Color kGridColor = Rgb(0xCC, 0xCC, 0xCC);
    static constexpr const char* kPaceTitle = "Pace(min/km)";
    static constexpr const char* kAltitudeTitle = "高度(m)";

    // `parent` receives WM_SHOW_MAP_POINT.
    // `settings` chooses the units of the axis and the tooltip.
    TrackChartView(HtmlEngine& engine, EventLoop& loop, FramePath frame, WindowHandle parent,
                   const DeviceSettings& settings);

    // A run or lap of more than one point was opened.
    void build(const std::vector<TrackPoint>& loaded);
    // The views are cleared: no picture, no hot spots.
    void clear();
    // Size and mouse moves of the control; clicks do nothing.
    void onWidget(const WidgetEvent& e);

    bool shown() const { return shown_; }  // a chart with its hot spots is up
    const ChartModel& model() const { return model_; }
    int lastHotSpot() const { return lastHotSpot_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // The chart as the page is given it at the current size.
    LineChart chart() const;

  private:
    void draw();
    void onMouseMove(const WidgetEvent& e);
    void setTooltip(std::string text, int x, int y);

    HtmlEngine& engine_;
    EventLoop& loop_;
    FramePath frame_;
    WindowHandle parent_;
    const DeviceSettings& settings_;
    ChartModel model_;
    bool shown_ = false;
    int lastHotSpot_ = -1;
    std::string tooltip_;
    MapPoint mapPoint_;
    int width_ = kDefaultWidth, height_ = kDefaultHeight;
};

// The tooltip of one chart point: distance and time, speed and pace, position.
std::string ChartTooltip(const TrackPoint& p, const FormatSettings& fs);

}  // namespace dorvath
