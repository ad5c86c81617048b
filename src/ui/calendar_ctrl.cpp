#include "ui/calendar_ctrl.h"

#include <ctime>

#include "data/c_format.h"
#include "data/track_database.h"
#include "ui/messages.h"

namespace dorvath {

DateTimeFields LocalNow() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    DateTimeFields f;
    f.year = tm.tm_year + 1900;
    f.month = tm.tm_mon + 1;
    f.day = tm.tm_mday;
    f.hour = tm.tm_hour;
    f.minute = tm.tm_min;
    f.second = tm.tm_sec;
    f.dayOfWeek = tm.tm_wday;
    return f;
}

CCalendarCtrl::CCalendarCtrl(HtmlEngine& engine, EventLoop& loop, FramePath frame,
                             WindowHandle parent)
    : today(LocalNow), engine_(engine), loop_(loop), frame_(std::move(frame)), parent_(parent) {
    DateTimeFields t = LocalNow();
    year_ = t.year;
    month_ = t.month;
}

void CCalendarCtrl::loadMarks(TrackDatabase& db) {
    std::vector<double> dates;
    DbQuery q = db.query("select * from TK;");
    while (!q.atEnd()) {
        dates.push_back(q.doubleValue("stime"));
        q.next();
    }
    setMarks(dates);
}

void CCalendarCtrl::setMarks(const std::vector<double>& startDates) {
    marks_.clear();
    for (double d : startDates) {
        DateTimeFields f = OleDateToFields(d);
        marks_.insert(dayKey(f.year, f.month, f.day));
    }
}

void CCalendarCtrl::rebuild() {
    cells_.clear();
    // Noon keeps the weekday and the day steps clear of any rounding at midnight.
    double first = OleDateFromFields(year_, month_, 1, 12, 0, 0);
    int weekday = OleDateToFields(first).dayOfWeek;
    first -= weekday != 0 ? weekday : 7;
    for (int k = 0; k < kCells; ++k) {
        DateTimeFields f = OleDateToFields(first + k);
        CalendarCell c;
        c.year = f.year;
        c.month = f.month;
        c.day = f.day;
        c.marked = marks_.count(dayKey(f.year, f.month, f.day)) ? 1 : 0;
        cells_.push_back(c);
    }
    layout();
    invalidate();
}

void CCalendarCtrl::layout() {
    const int w = width_ / 7, h = (height_ - kHeaderHeight) / 6;
    for (int i = 0; i < static_cast<int>(cells_.size()); ++i) {
        const int row = i / 7, col = i % 7;
        cells_[i].rect =
            Rect{col * w, kHeaderHeight + row * h, (col + 1) * w, kHeaderHeight + (row + 1) * h};
    }
}

void CCalendarCtrl::setMonth(int year, int month) {
    if (month < 1 || month > 12) return;
    year_ = year;
    month_ = month;
    selected_ = -1;
    rebuild();
}

void CCalendarCtrl::previousMonth() {
    if (month_ == 1)
        setMonth(year_ - 1, 12);
    else
        setMonth(year_, month_ - 1);
}

void CCalendarCtrl::nextMonth() {
    if (month_ == 12)
        setMonth(year_ + 1, 1);
    else
        setMonth(year_, month_ + 1);
}

void CCalendarCtrl::goToday() {
    DateTimeFields t = today();
    setMonth(t.year, t.month);
    for (int i = 0; i < static_cast<int>(cells_.size()); ++i) {
        const CalendarCell& c = cells_[i];
        if (c.year == t.year && c.month == t.month && c.day == t.day) {
            selected_ = i;
            break;
        }
    }
    invalidate();
    loop_.post(parent_, WM_RELOAD_DAY);
}

void CCalendarCtrl::selectDay(double day) {
    const DateTimeFields d = OleDateToFields(day);
    setMonth(d.year, d.month);
    for (int i = 0; i < static_cast<int>(cells_.size()); ++i)
        if (cells_[i].year == d.year && cells_[i].month == d.month && cells_[i].day == d.day)
            selected_ = i;
    invalidate();
}

double CCalendarCtrl::selectedDay() const {
    if (selected_ < 0 || selected_ >= static_cast<int>(cells_.size())) return 0.0;
    const CalendarCell& c = cells_[selected_];
    return OleDateFromFields(c.year, c.month, c.day);
}

std::string CCalendarCtrl::monthLabel() const { return CFormat("%04d-%02d", year_, month_); }

void CCalendarCtrl::onSize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    layout();
    invalidate();
}

bool CCalendarCtrl::onMouseDown(int x, int y) {
    for (int i = 0; i < static_cast<int>(cells_.size()); ++i) {
        if (!cells_[i].rect.contains(x, y)) continue;
        selected_ = i;
        invalidate();
        loop_.post(parent_, WM_RELOAD_DAY);
        return true;
    }
    return false;
}

Canvas CCalendarCtrl::draw() const {
    Canvas c(width_, height_);
    c.fill(Rect{0, 0, width_, height_}, Rgb(255, 255, 255));
    const int w = width_ / 7, h = (height_ - kHeaderHeight) / 6;
    static const char* kWeekdays[7] = {"日", "月", "火", "水", "木", "金", "土"};
    TextStyle centred;
    centred.align = Align::Center;
    centred.valign = VAlign::Middle;
    for (int k = 0; k < 7; ++k) {
        const Color color = k == 0 || k == 6 ? kRed : Rgb(0, 0, 0);
        c.text(Rect{k * w, 0, (k + 1) * w, kHeaderHeight}, kWeekdays[k], color, centred);
    }
    // 1-pixel lines as fills: crisp at any zoom, where a drawn line may blur.
    for (int k = 0; k <= 6; ++k) {
        const int y = kHeaderHeight + k * h;
        c.fill(Rect{0, y, width_, y + 1}, kGridColor);
    }
    for (int k = 1; k <= 7; ++k) {
        const int x = k * w;
        c.fill(Rect{x, kHeaderHeight, x + 1, height_}, kGridColor);
    }
    const DateTimeFields t = today();
    for (const CalendarCell& cell : cells_) {
        Rect r{cell.rect.left + 1, cell.rect.top + 1, cell.rect.right - 1, cell.rect.bottom - 1};
        if (cell.year == t.year && cell.month == t.month && cell.day == t.day)
            c.fill(r, kTodayColor);
        if (cell.marked)
            c.fill(r, kMarkColor);
        else if (cell.month != month_ || cell.year != year_)
            c.fill(r, kOtherMonthColor);
        Rect inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        c.text(inner, std::to_string(cell.day), Rgb(0, 0, 0), centred);
    }
    if (selected_ >= 0 && selected_ < static_cast<int>(cells_.size())) {
        const Rect& r = cells_[selected_].rect;
        c.fill(Rect{r.left, r.top, r.right + 1, r.top + 1}, kRed);
        c.fill(Rect{r.right, r.top, r.right + 1, r.bottom + 1}, kRed);
        c.fill(Rect{r.left, r.bottom, r.right + 1, r.bottom + 1}, kRed);
        c.fill(Rect{r.left, r.top, r.left + 1, r.bottom + 1}, kRed);
    }
    return c;
}

void CCalendarCtrl::invalidate() { engine_.widgets().paint(frame_, kControl, draw()); }

}  // namespace dorvath
