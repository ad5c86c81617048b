#pragma once
// The month calendar of the list page: static control 5000, painted as 42 day cells under
// a weekday header. Days on which a run started are filled orange; a click selects a day
// and asks the list page to read that day's runs.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "data/track.h"
#include "engine/canvas.h"
#include "engine/event_loop.h"
#include "engine/html_engine.h"

namespace dorvath {

class TrackDatabase;

struct CalendarCell {
    int year = 0, month = 0, day = 0;
    int marked = 0;  // 1 when a run started that day
    Rect rect;       // control coordinates, right and bottom exclusive
};

class CCalendarCtrl {
  public:
    static constexpr int kControl = 5000;
    static constexpr int kHeaderHeight = 20;
    static constexpr int kCells = 42;
    // The control's box on page 204 until the page reports its size.
    static constexpr int kDefaultWidth = 274, kDefaultHeight = 150;
    static constexpr Color kGridColor = Rgb(200, 214, 253);
    static constexpr Color kMarkColor = Rgb(255, 128, 64);
    static constexpr Color kOtherMonthColor = Rgb(230, 230, 230);
    static constexpr Color kTodayColor = Rgb(250, 250, 250);
    static constexpr Color kRed = Rgb(255, 0, 0);

    // `parent` receives WM_RELOAD_DAY.
    CCalendarCtrl(HtmlEngine& engine, EventLoop& loop, FramePath frame, WindowHandle parent);

    // The local date; tests fix it.
    std::function<DateTimeFields()> today;

    void loadMarks(TrackDatabase& db);  // every run in the database, not only this month's
    void setMarks(const std::vector<double>& startDates);
    void rebuild();
    void previousMonth();
    void nextMonth();
    void goToday();
    // The month of a day with that day selected (the caller reads its runs).
    void selectDay(double day);
    // The selected cell's day at 00:00; 0.0 when none is selected.
    double selectedDay() const;
    std::string monthLabel() const;  // "2016-05"

    // Widget events of the control.
    void onSize(int width, int height);
    bool onMouseDown(int x, int y);  // true when a day was hit

    Canvas draw() const;
    void invalidate();  // paints the control

    int year() const { return year_; }
    int month() const { return month_; }
    int selected() const { return selected_; }
    void setMonth(int year, int month);  // selection -1, rebuild
    const std::vector<CalendarCell>& cells() const { return cells_; }

  private:
    void layout();
    static int dayKey(int y, int m, int d) { return y * 10000 + m * 100 + d; }

    HtmlEngine& engine_;
    EventLoop& loop_;
    FramePath frame_;
    WindowHandle parent_;
    int year_ = 2000, month_ = 1;
    int selected_ = -1;
    std::set<int> marks_;
    std::vector<CalendarCell> cells_;
    int width_ = kDefaultWidth, height_ = kDefaultHeight;
};

// The local calendar date and time of now.
DateTimeFields LocalNow();

}  // namespace dorvath
