#pragma once
// The native control widgets of the pages: owner-drawn statics (display lists, images,
// charts, tooltips) and list views (rows painted on demand, selection mirrored). Part of
// an HtmlEngine: engine.widgets().
#include <set>
#include <string>
#include <vector>

#include "engine/canvas.h"
#include "engine/line_chart.h"
#include "engine/page_types.h"

namespace dorvath {

struct EngineCore;

class Widgets {
  public:
    explicit Widgets(EngineCore& core) : core_(core) {}

    // ---- statics ----
    void paint(const FramePath& f, int ctl, const Canvas& c);  // owner-drawn static
    // A line chart drawn in a static, replacing the one before; clearChart removes it.
    void drawChart(const FramePath& f, int ctl, const LineChart& chart);
    void clearChart(const FramePath& f, int ctl);
    void tooltip(const FramePath& f, int ctl, const std::string& text, int x, int y);  // "" hides

    // ---- list views ----
    void setupList(const FramePath& f, int ctl, const ListSetup& s);
    // Sets the row count keeping the selection of rows still there; reset also clears it.
    void setListCount(const FramePath& f, int ctl, int count);
    void resetList(const FramePath& f, int ctl);
    void deleteListRow(const FramePath& f, int ctl, int row);  // shifts rows below up
    void setListSelection(const FramePath& f, int ctl, const std::set<int>& rows, int mark);
    void setListColumnWidth(const FramePath& f, int ctl, int column, int width);
    void ensureListRowVisible(const FramePath& f, int ctl, int row);
    // Rows painted on demand: answer to WidgetEvent::Rows (or after a change).
    void paintListRows(const FramePath& f, int ctl, int from, const std::vector<Canvas>& rows);
    // Drops painted rows in from..to so the visible ones are asked for again.
    void invalidateList(const FramePath& f, int ctl, int from = 0, int to = -1);
    ListViewState listState(const FramePath& f, int ctl) const;  // the mirror

  private:
    void sendCountAndSelection(const FramePath& f, int ctl, const ListViewState& st);
    void sendKept(const FramePath& f, int ctl, nlohmann::json body);
    EngineCore& core_;
};

}  // namespace dorvath
