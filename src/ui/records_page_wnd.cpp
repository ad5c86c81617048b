#include "ui/records_page_wnd.h"

#include <cstdio>
#include <string>

#include "data/c_format.h"
#include "ui/calendar_ctrl.h"
#include "ui/failed_operation.h"
#include "ui/value_format.h"

namespace dorvath {
namespace {

// A distance in the unit of the views, as a plain number (the chart's scale).
double InUnits(double metres, const FormatSettings& fs) {
    return fs.unitSystem == 1 ? metres * 3.28 / 5280 : metres / 1000;
}

std::string Date(double day) {
    const DateTimeFields f = OleDateToFields(day);
    return CFormat("%04d-%02d-%02d", f.year, f.month, f.day);
}

}  // namespace

CRecordsPageWnd::CRecordsPageWnd(EventLoop& loop, HtmlEngine& engine, TrackDatabase& db,
                                 const DeviceSettings& settings)
    : MessageTarget(loop), today(LocalNow), engine_(engine), db_(db), settings_(settings) {}

CRecordsPageWnd::~CRecordsPageWnd() { engine_.events().detach(kFrame, this); }

void CRecordsPageWnd::create() {
    engine_.loadPage(kFrame, "212");
    engine_.events().attach(kFrame, this);
}

void CRecordsPageWnd::refresh() {
    std::vector<Track> runs;
    try {
        runs = db_.allTracks();
        bests_ = db_.overallBests();
    } catch (const CppSQLite3Exception& e) {
        return EndFailedOperation(engine_, loop(), FailedOperation::Database, DatabaseErrorText(e));
    }
    const DateTimeFields now = today();
    const double day = OleDateFromFields(now.year, now.month, now.day);
    const double week = WeekStart(day), month = OleDateFromFields(now.year, now.month, 1),
                 nextMonth = now.month == 12 ? OleDateFromFields(now.year + 1, 1, 1)
                                             : OleDateFromFields(now.year, now.month + 1, 1),
                 year = OleDateFromFields(now.year, 1, 1),
                 nextYear = OleDateFromFields(now.year + 1, 1, 1);
    Totals thisWeek, thisMonth, thisYear, all;
    for (const Track& run : runs) {
        const double d = RunDay(run.stime);
        Add(all, run);
        if (d >= year && d < nextYear) Add(thisYear, run);
        if (d >= month && d < nextMonth) Add(thisMonth, run);
        if (d >= week && d < week + 7) Add(thisWeek, run);
    }
    showTotals("week", thisWeek);
    showTotals("month", thisMonth);
    showTotals("year", thisYear);
    showTotals("all", all);
    showMonths(runs, now);
    showWeeks(runs, week);
    showBests();
}

void CRecordsPageWnd::showTotals(const char* row, const Totals& t) {
    const FormatSettings fs = FormatSettings::of(settings_);
    const std::string id = row;
    engine_.setText(kFrame, Id(id + "-runs"), CFormat("%d", t.runs));
    engine_.setText(kFrame, Id(id + "-dist"), FormatDistance(t.metres, fs));
    engine_.setText(kFrame, Id(id + "-time"), FormatDuration(static_cast<int>(t.seconds)));
    engine_.setText(kFrame, Id(id + "-pace"), FormatStretchPace(t.seconds, t.metres));
}

void CRecordsPageWnd::showMonths(const std::vector<Track>& runs, const DateTimeFields& now) {
    // Newest first, this month included.
    std::vector<Totals> months(kMonths);
    const int current = now.year * 12 + now.month - 1;
    for (const Track& run : runs) {
        const DateTimeFields f = OleDateToFields(RunDay(run.stime));
        const int back = current - (f.year * 12 + f.month - 1);
        if (back >= 0 && back < kMonths) Add(months[back], run);
    }
    const FormatSettings fs = FormatSettings::of(settings_);
    std::string rows;
    for (int k = 0; k < kMonths; ++k) {
        const int m = current - k;
        const Totals& t = months[k];
        rows += CFormat("<tr><th>%04d-%02d</th><td>%d</td><td>%s</td><td>%s</td><td>%s</td></tr>",
                        m / 12, m % 12 + 1, t.runs, FormatDistance(t.metres, fs),
                        FormatDuration(static_cast<int>(t.seconds)),
                        FormatStretchPace(t.seconds, t.metres));
    }
    engine_.setHtml(kFrame, Id("monthrows"), rows);
}

void CRecordsPageWnd::showWeeks(const std::vector<Track>& runs, double thisWeek) {
    weeks_.assign(kWeeks, Week{});
    const double first = thisWeek - 7.0 * (kWeeks - 1);
    for (int k = 0; k < kWeeks; ++k) weeks_[k].start = first + 7.0 * k;
    for (const Track& run : runs) {
        const double day = RunDay(run.stime);
        const double k = (WeekStart(day) - first) / 7.0;
        if (k < -0.5 || k > kWeeks - 0.5) continue;
        Week& w = weeks_[static_cast<int>(k + 0.5)];
        Add(w.totals, run);
        if (w.firstRunDay == 0 || day < w.firstRunDay) w.firstRunDay = day;
    }
    hotWeek_ = -1;
    engine_.widgets().drawChart(kFrame, kWeekChart, weekChart());
}

LineChart CRecordsPageWnd::weekChart() const {
    const FormatSettings fs = FormatSettings::of(settings_);
    LineChart c;
    c.bars = true;
    c.width = width_;
    c.height = height_;
    c.plotArea = Rect{58, 24, width_ - 26, height_ - 30};
    c.font = "IPAPGothic, IPAGothic, Noto Sans CJK JP, sans-serif";
    c.gridColor = Rgb(0xE1, 0xE7, 0xF2);
    c.xMax = kWeeks - 1;
    // A label every 17 weeks: the first, the last and two between, evenly spread.
    for (int k = 0; k < kWeeks; k += 17) {
        const DateTimeFields f = OleDateToFields(weeks_.empty() ? 0 : weeks_[k].start);
        c.xLabels.push_back(CFormat("%02d/%02d", f.month, f.day));
    }
    c.yAxis.title = fs.unitSystem == 1 ? "距離(mi)" : "距離(km)";
    c.yAxis.color = Rgb(0x3d, 0x4b, 0x63);
    c.xAxis.color = Rgb(0x3d, 0x4b, 0x63);
    ChartSeries s;
    s.name = "週の距離";
    s.color = kBarColor;
    for (const Week& w : weeks_) s.values.push_back(InUnits(w.totals.metres, fs));
    c.series.push_back(std::move(s));
    return c;
}

void CRecordsPageWnd::showBests() {
    const FormatSettings fs = FormatSettings::of(settings_);
    for (int e = 0; e < kEfforts; ++e) {
        const std::string id = CFormat("best%d", e);
        const TrackDatabase::OverallBest* best = nullptr;
        for (const auto& b : bests_)
            if (b.effort == e) best = &b;
        engine_.setText(kFrame, Id(id + "-time"), best ? FormatDuration(best->best.seconds) : "-");
        engine_.setText(
            kFrame, Id(id + "-pace"),
            best ? FormatStretchPace(best->best.seconds, kEffortDistances[e].metres) : "-");
        engine_.setText(
            kFrame, Id(id + "-date"),
            best ? Date(best->run.stime) + " " + FormatClockMinutes(best->run.stime, fs) : "-");
        engine_.setAttribute(kFrame, Id(id), "class", best ? "best btnctrl" : "best none");
    }
}

void CRecordsPageWnd::weekTooltip(int week, int x, int y) {
    if (week == hotWeek_) return;
    hotWeek_ = week;
    if (week < 0) return engine_.widgets().tooltip(kFrame, kWeekChart, "", x, y);
    const FormatSettings fs = FormatSettings::of(settings_);
    const Week& w = weeks_[week];
    const Totals& t = w.totals;
    engine_.widgets().tooltip(
        kFrame, kWeekChart,
        CFormat("%s からの週\n%d 回  %s\n%s  %s", Date(w.start), t.runs,
                FormatDistance(t.metres, fs), FormatDuration(static_cast<int>(t.seconds)),
                FormatStretchPace(t.seconds, t.metres)),
        x, y);
}

void CRecordsPageWnd::fillMissingBests() {
    std::vector<Track> missing;
    try {
        missing = db_.runsWithoutBests();
        if (missing.empty()) return;
        CLoadingDlg loading(engine_, loadingOptions);
        loading.start(kLoadingCover);
        db_.fillMissingBests([&loading](int done, int total) {
            loading.setProgress(done, total);
            std::fprintf(stderr, "dorvath: best efforts of the stored runs: %d/%d\n", done, total);
            std::fflush(stderr);
        });
        loading.end();
    } catch (const CppSQLite3Exception& e) {
        return EndFailedOperation(engine_, loop(), FailedOperation::Database, DatabaseErrorText(e));
    }
    refresh();
}

bool CRecordsPageWnd::onButtonClick(const ClickEvent& e) {
    for (const auto& b : bests_) {
        if (e.id != CFormat("best%d", b.effort)) continue;
        if (openRun) openRun(b.run, b.best.startIndex);
        return true;
    }
    return false;
}

void CRecordsPageWnd::onWidget(const WidgetEvent& e) {
    if (e.ctl != kWeekChart) return;
    using K = WidgetEvent::Kind;
    const int week =
        e.hotSpot > 0 && e.hotSpot <= static_cast<int>(weeks_.size()) ? e.hotSpot - 1 : -1;
    switch (e.kind) {
        case K::Size:
            if (e.width <= 0 || e.height <= 0 || (e.width == width_ && e.height == height_)) break;
            width_ = e.width;
            height_ = e.height;
            hotWeek_ = -1;
            engine_.widgets().drawChart(kFrame, kWeekChart, weekChart());
            break;
        case K::MouseMove:
            weekTooltip(week, e.x, e.y);
            break;
        case K::MouseLeave:
            weekTooltip(-1, e.x, e.y);
            break;
        case K::MouseDown:
            // the bar the pointer moved onto last
            if (hotWeek_ >= 0 && showDay)
                showDay(weeks_[hotWeek_].firstRunDay > 0 ? weeks_[hotWeek_].firstRunDay
                                                         : weeks_[hotWeek_].start);
            break;
        default:
            break;
    }
}

}  // namespace dorvath
