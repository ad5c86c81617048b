#pragma once
// What the run, lap and point lists share: owner-drawn list views whose rows are painted
// on demand into Canvas rows, the row background of a selected row, and the single
// column of the run and lap lists that narrows while a vertical scroll bar shows.
#include <vector>

#include "data/device_settings.h"
#include "engine/canvas.h"
#include "engine/event_loop.h"
#include "engine/html_engine.h"

namespace dorvath {

// The colours of every row background.
struct ListRowPainter {
    static constexpr Color kWindow = Rgb(255, 255, 255);
    static constexpr Color kOuterPen = Rgb(170, 200, 245);
    static constexpr Color kInnerPen = Rgb(230, 250, 250);
    static constexpr Color kGradientTop = Rgb(235, 245, 245);
    static constexpr Color kGradientBottom = Rgb(225, 235, 245);
    static constexpr Color kRowLine = Rgb(200, 200, 200);

    static void background(Canvas& c, Rect r, bool selected);
    static void bottomLine(Canvas& c, Rect r);  // the 1-pixel separator along r's bottom
};

class COwnerListView : public MessageTarget {
  public:
    static constexpr int kWideColumn = 267;
    static constexpr int kNarrowColumn = 250;  // while a vertical scroll bar shows

    COwnerListView(HtmlEngine& engine, EventLoop& loop, FramePath frame, int ctl);

    // Columns, row height and header; called once when the page is set up.
    void setup();
    // The list's own events: paints requested rows and fits the single column.
    virtual void onWidget(const WidgetEvent& e);
    std::int64_t onMessage(const Message& m) override;  // WM_LIST_FIT_COLUMN

    // Every row again from the records shown, none selected.
    virtual void fill();
    // The row count from the records shown, keeping the selection of rows still there.
    void refresh();
    void repaint(int row = -1);  // one row, or all with -1
    ListViewState state() const { return engine_.widgets().listState(frame_, ctl_); }
    int ctl() const { return ctl_; }
    int columnWidth() const { return column0_; }

    // One row of the list as the runtime asks for it (tests call it too).
    Canvas paintRow(int row) const;
    virtual int count() const = 0;

  protected:
    static ListSetup singleColumn(int rowHeight);  // the run and lap lists
    virtual ListSetup columns() const = 0;
    virtual void drawRow(Canvas& c, int row, Rect r) const = 0;
    virtual int rowWidth() const { return column0_; }
    // The run and lap lists fit their one column to the scroll bar.
    virtual bool fitsColumn() const { return true; }

    HtmlEngine& engine_;
    FramePath frame_;
    int ctl_;
    int column0_ = kWideColumn;

  private:
    void fitColumn();
};

}  // namespace dorvath
