#include "ui/track_chart_view.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "data/c_format.h"
#include "ui/messages.h"
#include "ui/value_format.h"

namespace dorvath {
namespace {

constexpr std::size_t kAllPointsUpTo = 1000;
constexpr double kMinSpacingMetres = 5;
constexpr int kChartPoints = 1000;
constexpr double kMetricSteps[] = {10, 20, 50, 100, 200, 250, 500, 1000};
constexpr double kFeetSteps[] = {528, 1056, 2640, 5280, 10560, 13200, 26400, 52800};
constexpr double kFeetPerMetre = 3.28;  // as the distance texts convert
constexpr double kFeetPerMile = 5280;
constexpr int kMinLabels = 8, kMaxLabels = 15;
// Stand-in for the library font "mingliu.ttc": a CJK font the setup installs.
constexpr const char* kChartFont =
    "\"IPAPGothic\", \"IPAGothic\", \"Noto Sans CJK JP\", \"MingLiU\", sans-serif";

struct LabelScale {
    double step = 0;
    int count = 0;
};

// The first step (table entry times 1, 10, 100, 1000, ...) and count from 8 to 15 whose
// labels reach the distance.
template <std::size_t K>
LabelScale ChooseLabels(const double (&table)[K], double distance) {
    for (double multiplier = 1; multiplier <= 1e9; multiplier *= 10)
        for (double step : table)
            for (int n = kMinLabels; n <= kMaxLabels; ++n)
                if (step * multiplier * (n - 1) >= distance) return {step * multiplier, n};
    return {table[K - 1] * 1e9, kMaxLabels};
}

bool IsWhole(double v) { return std::fmod(v, 1.0) == 0.0; }

}  // namespace

std::vector<TrackPoint> ChooseChartPoints(const std::vector<TrackPoint>& loaded) {
    if (loaded.size() <= kAllPointsUpTo) return loaded;
    std::vector<TrackPoint> taken;
    double lastLat = 1001, lastLng = 1001;  // no position: the first point is taken
    for (const TrackPoint& p : loaded) {
        if (!taken.empty() && !(PointDistance(lastLat, lastLng, p.lat, p.lng) >= kMinSpacingMetres))
            continue;
        taken.push_back(p);
        lastLat = p.lat;
        lastLng = p.lng;
    }
    const std::size_t k = std::max<std::size_t>(1, taken.size() / kChartPoints);
    std::vector<TrackPoint> out;
    out.reserve(taken.size() / k + 1);
    for (std::size_t i = 0; i < taken.size(); i += k) out.push_back(taken[i]);
    return out;
}

double ChartPace(double kmh) {
    if (!(kmh > 1.0)) return 0;  // the chart draws 1.0 km/h itself as 0
    // Rounded as the lists round it.
    const Pace p = PaceFromSpeed(kmh);
    return p.minutes + p.seconds / 60.0;
}

ChartModel MakeChartModel(const std::vector<TrackPoint>& loaded, int unitSystem) {
    ChartModel m;
    m.points = ChooseChartPoints(loaded);
    const int n = static_cast<int>(m.points.size());
    m.pace.reserve(n);
    m.altitude.reserve(n);
    for (const TrackPoint& p : m.points) {
        m.pace.push_back(ChartPace(p.speed));
        m.altitude.push_back(p.atli);
    }
    if (!loaded.empty()) m.distance = loaded.back().dist - loaded.front().dist;

    const bool imperial = unitSystem == 1;
    // Imperial axes are laid out in feet and labelled in miles.
    const double distance = imperial ? m.distance * kFeetPerMetre : m.distance;
    const double unitsPerLabel = imperial ? kFeetPerMile : 1000;
    LabelScale scale;
    if (distance > 0 && std::isfinite(distance)) {
        scale =
            imperial ? ChooseLabels(kFeetSteps, distance) : ChooseLabels(kMetricSteps, distance);
        const double end = scale.step * (scale.count - 1) / distance * n;
        m.xAxisEnd = end < std::numeric_limits<int>::max() ? static_cast<int>(end) : n;
    } else {
        // No distance covered: one label step, with the points spread over it.
        scale = {imperial ? kFeetSteps[0] : kMetricSteps[0], 2};
        m.xAxisEnd = n;
    }
    m.labelStep = scale.step;
    m.labelCount = scale.count;

    const bool large = imperial || scale.step >= 1000;
    const double divisor = large ? unitsPerLabel : 1;
    // A step that is not a whole number of km (2500 m) or miles gets one decimal.
    const char* format = IsWhole(scale.step / divisor) ? "%.0f" : "%.1f";
    for (int i = 0; i < scale.count; ++i)
        m.labels.push_back(CFormat(format, i * scale.step / divisor));
    m.xTitle = imperial ? "距離(mi)" : large ? "距離(km)" : "距離(m)";
    return m;
}

std::string ChartTooltip(const TrackPoint& p, const FormatSettings& fs) {
    const Pace pace = PaceFromSpeed(p.speed);
    return CFormat("距離:%s 時間:%s\r\n速度:%s  ペース:%02d'%02d\"\r\n緯度:%s  経度:%s",
                   FormatDistance(p.dist, fs), FormatClockSeconds(p.time, fs),
                   FormatSpeed(p.speed, fs), pace.minutes, pace.seconds, FormatCoordinate(p.lat),
                   FormatCoordinate(p.lng));
}

TrackChartView::TrackChartView(HtmlEngine& engine, EventLoop& loop, FramePath frame,
                               WindowHandle parent, const DeviceSettings& settings)
    : engine_(engine),
      loop_(loop),
      frame_(std::move(frame)),
      parent_(parent),
      settings_(settings) {}

void TrackChartView::build(const std::vector<TrackPoint>& loaded) {
    model_ = MakeChartModel(loaded, settings_.unitSystem());
    draw();
}

void TrackChartView::clear() {
    engine_.widgets().clearChart(frame_, kControl);
    shown_ = false;
}

LineChart TrackChartView::chart() const {
    LineChart c;
    c.width = width_;
    c.height = height_;
    const int w = std::max(1, width_ - kPlotWidthLess), h = std::max(1, height_ - kPlotHeightLess);
    c.plotArea = Rect{kPlotLeft, kPlotTop, kPlotLeft + w, kPlotTop + h};
    c.gridColor = kGridColor;
    c.font = kChartFont;
    c.xMax = model_.xAxisEnd - 1;
    c.xLabels = model_.labels;
    c.xAxis = ChartAxis{model_.xTitle, Rgb(0, 0, 0), 2, 12};  // 9 pt
    c.yAxis = ChartAxis{kPaceTitle, kPaceColor, 2, 11};       // 8 pt
    c.yAxis2 = ChartAxis{kAltitudeTitle, kAltitudeColor, 1, 11};
    c.series.push_back(ChartSeries{"Speed", model_.pace, kPaceColor, 2, false});
    c.series.push_back(ChartSeries{"Atli", model_.altitude, kAltitudeColor, 2, true});
    return c;
}

void TrackChartView::draw() {
    engine_.widgets().drawChart(frame_, kControl, chart());
    // A new picture comes with new hot spots.
    shown_ = true;
    lastHotSpot_ = -1;
}

void TrackChartView::onWidget(const WidgetEvent& e) {
    using K = WidgetEvent::Kind;
    if (e.kind == K::Size) {
        // A hidden tab reports no size; the control keeps the one it had.
        if (e.width <= 0 || e.height <= 0) return;
        if (e.width == width_ && e.height == height_) return;
        width_ = e.width;
        height_ = e.height;
        if (shown_) draw();
    } else if (e.kind == K::MouseMove) {
        onMouseMove(e);
    }
}

void TrackChartView::setTooltip(std::string text, int x, int y) {
    tooltip_ = std::move(text);
    engine_.widgets().tooltip(frame_, kControl, tooltip_, x, y);
}

void TrackChartView::onMouseMove(const WidgetEvent& e) {
    if (e.keys != 0) {
        setTooltip({}, e.x, e.y);
        return;
    }
    const int hot = shown_ ? e.hotSpot : 0;
    if (hot == lastHotSpot_) return;
    lastHotSpot_ = hot;
    if (hot == 0) {
        setTooltip({}, e.x, e.y);
        return;
    }
    if (!e.hotX || e.hotX->empty()) return;
    char* end = nullptr;
    const long i = std::strtol(e.hotX->c_str(), &end, 10);
    if (*end != '\0' || i < 0 || i >= static_cast<long>(model_.points.size())) return;
    const TrackPoint& p = model_.points[i];
    setTooltip(ChartTooltip(p, FormatSettings::of(settings_)), e.x, e.y);
    mapPoint_ = MapPoint{p.lat, p.lng};
    Message m;
    m.id = WM_SHOW_MAP_POINT;
    m.data = mapPoint_;
    loop_.post(parent_, std::move(m));
}

}  // namespace dorvath
