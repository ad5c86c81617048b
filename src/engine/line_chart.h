#pragma once
// A line chart for a static control: what a charting library is given (series over the
// point index, an x axis of evenly spread label texts, two y axes, titles, colours and the
// plot area), sent as protocol::ChartJson has it. The page runtime draws it with uPlot and reports
// the data point under the pointer with each mouse move (WidgetEvent::hotSpot).
#include <string>
#include <vector>

#include "engine/canvas.h"

namespace dorvath {

struct ChartAxis {
    std::string title;
    Color color = Rgb(0, 0, 0);  // axis line, labels and title
    int lineWidth = 1;
    int titleSize = 12;  // px
};

struct ChartSeries {
    std::string name;
    std::vector<double> values;  // y of point i, drawn at x = i
    Color color = Rgb(0, 0, 0);
    int lineWidth = 1;
    bool secondAxis = false;  // on the right y axis
};

struct LineChart {
    int width = 0, height = 0;  // the control's client size it was made for
    // Bars instead of lines: one bar per value at x = i, from 0 up; the hot spot of a bar
    // is the bar under the pointer, its "x" value the bar's index.
    bool bars = false;
    Rect plotArea;
    Color background = Rgb(255, 255, 255);
    Color plotBackground = Rgb(255, 255, 255);
    Color gridColor = Rgb(204, 204, 204);
    std::string font;  // CSS font-family of titles and labels
    // The x axis runs from 0 to xMax with the labels spread evenly over it.
    double xMax = 0;
    std::vector<std::string> xLabels;
    ChartAxis xAxis, yAxis, yAxis2;
    std::vector<ChartSeries> series;
};

// Hot spots are numbered as an image map lists them: series by series, point by point,
// from 1; 0 is none. The value "x" of a hot spot is its point's index as decimal text.
constexpr int ChartHotSpot(int series, int point, int pointsPerSeries) {
    return series * pointsPerSeries + point + 1;
}

}  // namespace dorvath
