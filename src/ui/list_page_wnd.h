#pragma once
// The list page 204: calendar, runs, laps, map, chart and point list. This class holds
// the page's frame, its lower tabs, the calendar and the three lists, and what happens
// between them: the day's runs, opening a run or a lap, deleting runs.
#include <filesystem>
#include <functional>
#include <optional>

#include "data/app_state.h"
#include "data/track_database.h"
#include "engine/event_loop.h"
#include "engine/html_engine.h"
#include "ui/calendar_ctrl.h"
#include "ui/file_choice.h"
#include "ui/lap_list.h"
#include "ui/loading_dlg.h"
#include "ui/map_bridge.h"
#include "ui/map_probe.h"
#include "ui/point_list.h"
#include "ui/split_table.h"
#include "ui/track_chart_view.h"
#include "ui/track_list.h"
#include "ui/track_playback.h"

namespace dorvath {

class CListPageWnd : public MessageTarget, public PageHandler {
  public:
    static constexpr const char* kFrame = "main/page1";
    static constexpr const char* kMapFrame = "main/page1/map";
    static constexpr const char* kLoadingCover = "main";  // what the loading dialog blocks

    CListPageWnd(EventLoop& loop, HtmlEngine& engine, WindowHandle mainWnd, TrackDatabase& db,
                 AppState& state);
    ~CListPageWnd() override;

    // Loads the page, sets up its lists, loads the calendar's marks and goes to today.
    void create();

    int currentLowerTab() const { return lowerTab_; }
    void switchLowerTab(int n);

    // How the loading dialog waits for its thread (tests make it short).
    LoadingDlgOptions loadingOptions;
    // Picks the file of an export or a track file; the file dialog unless set (tests).
    std::function<std::optional<std::filesystem::path>(const FileDialogSpec&)> chooseFile;

    CCalendarCtrl& calendar() { return calendar_; }
    CTrackList& trackList() { return tracks_; }
    TrackChartView& chart() { return chart_; }
    CTrackPlayback& playback() { return playback_; }
    // The tile server probed before the map asks it for fresh tiles; "" never asks.
    std::string mapServiceAddress;
    // Where log.xml is written, and the address the map page reads it from.
    std::filesystem::path mapLinePath;
    std::string mapLineUrl = "/log.xml";

    void reloadDay();  // WM_RELOAD_DAY: the selected day's runs again
    void openRun();    // the run list's selection mark

    // What the records page asks for: a day shown with its runs; a stored run of that day
    // selected and opened as a double-click would; a point of the open run on the map.
    void showDay(double day);
    bool openStoredRun(int objid);
    void showPoint(int sindex);
    const CSplitTable& splitTable() const { return splits_; }

    bool onButtonClick(const ClickEvent& e) override;
    void onPageCommand(const CommandEvent& e) override;
    void onWidget(const WidgetEvent& e) override;
    void onExternal(const ExternalCall& c) override;
    std::int64_t onMessage(const Message& m) override;
    void onTimer(int timerId) override;

  protected:
    // The actions the page's events call.
    void reloadMarks();                       // marks from the database, then the month again
    void openLap();                           // the lap list's selection mark
    void deleteRuns();                        // the selected runs, after asking
    void exportRun(const std::string& kind);  // "gpx", "kml", "csv" or "tcx"
    void saveTrackFile();                     // the selected runs
    void openTrackFile();                     // its runs stored as new ones
    void setMonthLabel();
    void setTrackCount();

    std::optional<std::filesystem::path> choose(FileDialogMode mode, const std::string& label,
                                                const std::string& ext);
    void databaseFailed(const CppSQLite3Exception& e);  // ends the operation with its text
    // Runs a database read or write; its error, if any, for the caller to end the operation
    // with once the views show what could be done.
    static std::optional<CppSQLite3Exception> tryDatabase(const std::function<void()>& work);
    // Reads the points (and with the laps flag the laps) under the loading dialog and shows them.
    void loadPoints(const std::function<void()>& read, bool laps);
    // Empties the point list (and the laps unless kept) and the views fed from them.
    void clearViews(bool keepLaps);
    // The chart, the map line and playback, from AppState's points.
    void showOpenedPoints();
    // The thinned line to log.xml and to the map page.
    void putMapLine();

    HtmlEngine& engine_;
    WindowHandle mainWnd_;
    TrackDatabase& db_;
    AppState& state_;
    int lowerTab_ = 1;
    CCalendarCtrl calendar_;
    CTrackList tracks_;
    CLapList laps_;
    CPointList points_;
    CSplitTable splits_;
    TrackChartView chart_;
    CMapBridge map_;
    CMapExternal external_;
    CTrackPlayback playback_;
    std::unique_ptr<MapProbe> probe_;
    bool mapServiceReachable_ = false;
};

}  // namespace dorvath
