#include "engine/line_chart.h"

namespace dorvath {

namespace {

nlohmann::json AxisJson(const ChartAxis& a) {
    return {{"title", a.title},
            {"color", CssColor(a.color)},
            {"width", a.lineWidth},
            {"titleSize", a.titleSize}};
}

}  // namespace

nlohmann::json LineChart::toJson() const {
    nlohmann::json series_ = nlohmann::json::array();
    for (const ChartSeries& s : series) {
        // NaN and infinities travel as null, which the runtime leaves as a gap.
        series_.push_back({{"name", s.name},
                           {"values", s.values},
                           {"color", CssColor(s.color)},
                           {"width", s.lineWidth},
                           {"axis2", s.secondAxis}});
    }
    return {{"w", width},
            {"h", height},
            {"plot", {plotArea.left, plotArea.top, plotArea.width(), plotArea.height()}},
            {"bg", CssColor(background)},
            {"plotBg", CssColor(plotBackground)},
            {"grid", CssColor(gridColor)},
            {"font", font},
            {"xMax", xMax},
            {"xLabels", xLabels},
            {"x", AxisJson(xAxis)},
            {"y", AxisJson(yAxis)},
            {"y2", AxisJson(yAxis2)},
            {"bars", bars},
            {"series", std::move(series_)}};
}

}  // namespace dorvath
