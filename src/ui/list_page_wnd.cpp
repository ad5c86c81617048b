#include "ui/list_page_wnd.h"

#include <algorithm>
#include <set>
#include <string>

#include "data/c_format.h"
#include "engine/tile_service.h"
#include "export/csv_export.h"
#include "export/gpx_export.h"
#include "export/kml_export.h"
#include "export/tcx_export.h"
#include "export/track_file.h"
#include "ui/failed_operation.h"
#include "ui/file_dialog.h"
#include "ui/map_line.h"
#include "ui/message_dialog.h"
#include "ui/messages.h"

namespace dorvath {

CListPageWnd::CListPageWnd(EventLoop& loop, HtmlEngine& engine, WindowHandle mainWnd,
                           TrackDatabase& db, AppState& state)
    : MessageTarget(loop),
      engine_(engine),
      mainWnd_(mainWnd),
      db_(db),
      state_(state),
      calendar_(engine, loop, kFrame, handle()),
      tracks_(engine, loop, kFrame, state.dayTracks, state.settings),
      laps_(engine, loop, kFrame, state.trackLaps, state.settings),
      points_(engine, loop, kFrame, state.trackPoints, state.settings),
      splits_(engine, kFrame, state.settings),
      chart_(engine, loop, kFrame, handle(), state.settings),
      map_(engine, kMapFrame),
      external_({.loadBegin = {},
                 .loadComplete = [this] { this->loop().post(handle(), WM_MAP_LOADED); },
                 .move = {},
                 .moveEnd = {},
                 .rightClick =
                     [this](double lat, double lng, int x, int y) {
                         map_.keepRightClick(lat, lng);
                         this->loop().post(handle(), WM_MAP_RCLICK, RightClickParam(x, y));
                     }}),
      playback_({loop, handle(), engine, kFrame, map_, state.mapPoints,
                 [this] {
                     const Track* open = tracks_.openTrack();
                     return open && open->numofpt >= 2;
                 },
                 [this] { return engine_.input().frameSize(kMapFrame); }}) {
    mapLinePath = state.file("log.xml");
}

CListPageWnd::~CListPageWnd() {
    engine_.events().detach(kMapFrame, this);
    engine_.events().detach(kFrame, this);
}

void CListPageWnd::create() {
    engine_.loadPage(kFrame, "204");
    engine_.events().attach(kFrame, this);
    // The map page draws without the network, so it follows load.html at once; the probe
    // only tells it whether fresh tiles can come.
    engine_.loadUrl(kMapFrame, "Html/load.html");
    engine_.loadUrl(kMapFrame, "Html/maps.html");
    engine_.events().attach(kMapFrame, this);  // its external calls
    probe_ = std::make_unique<MapProbe>(mapServiceAddress,
                                        [this] { loop().post(handle(), WM_MAP_SERVICE); });
    tracks_.setup();
    laps_.setup();
    points_.setup();
    tracks_.fill();
    laps_.fill();
    points_.refresh();
    reloadMarks();
    calendar_.goToday();
    setMonthLabel();
    setTrackCount();
}

void CListPageWnd::switchLowerTab(int n) {
    if (n < 1 || n > 3) return;
    const std::string c = std::to_string(lowerTab_), next = std::to_string(n);
    // The selected tab is the one "div.selected" inside "listpage": tab c. Addressing it
    // by id keeps the page's kept state right when it is rebuilt after a reload.
    engine_.removeAttribute(kFrame, Id("ltab" + c), "class");
    engine_.setAttribute(kFrame, Id("ltab" + next), "class", "selected");
    engine_.setStyle(kFrame, Id("list" + c), "display", "none");
    lowerTab_ = n;
    engine_.setStyle(kFrame, Id("list" + next), "display", "block");
}

void CListPageWnd::setMonthLabel() {
    engine_.setText(kFrame, Id("calendardate"), calendar_.monthLabel());
}

void CListPageWnd::setTrackCount() {
    engine_.setText(kFrame, Id("tracknum"), CFormat("合計 %d 履歴", tracks_.count()));
}

void CListPageWnd::reloadMarks() {
    const auto failure = tryDatabase([&] { calendar_.loadMarks(db_); });
    if (failure) calendar_.setMarks({});  // a database that cannot be read: no marks
    calendar_.rebuild();
    if (failure) databaseFailed(*failure);
}

std::optional<CppSQLite3Exception> CListPageWnd::tryDatabase(const std::function<void()>& work) {
    try {
        work();
    } catch (const CppSQLite3Exception& e) {
        return e;
    }
    return std::nullopt;
}

void CListPageWnd::loadPoints(const std::function<void()>& read, bool laps) {
    CLoadingDlg loading(engine_, loadingOptions);
    loading.start(kLoadingCover);
    // What could be read stays; what cannot be read shows empty lists.
    const auto failure = tryDatabase(read);
    points_.refresh();
    if (laps) laps_.fill();
    if (state_.trackPoints.size() > 1) showOpenedPoints();
    loading.end();
    if (failure) databaseFailed(*failure);
}

void CListPageWnd::databaseFailed(const CppSQLite3Exception& e) {
    EndFailedOperation(engine_, loop(), FailedOperation::Database, DatabaseErrorText(e));
}

void CListPageWnd::clearViews(bool keepLaps) {
    state_.trackPoints.clear();
    points_.refresh();
    if (!keepLaps) {
        state_.trackLaps.clear();
        laps_.fill();
    }
    chart_.clear();
    splits_.clear();
    playback_.clear();
}

void CListPageWnd::showOpenedPoints() {
    chart_.build(state_.trackPoints);
    splits_.show(state_.trackPoints);
    state_.mapPoints = ThinMapPoints(state_.trackPoints);
    putMapLine();
    playback_.reset();
}

void CListPageWnd::putMapLine() {
    const std::string why = WriteMapLine(mapLinePath, state_.mapPoints);
    if (why.empty()) return map_.putTKLine(mapLineUrl);
    // log.xml still holds the run before: no line rather than the wrong one.
    map_.clrTKLine();
    EndFailedOperation(engine_, loop(), FailedOperation::MapLine, why);
}

void CListPageWnd::reloadDay() {
    state_.dayTracks.clear();
    clearViews(false);
    const auto failure =
        tryDatabase([&] { state_.dayTracks = db_.tracksOfDay(calendar_.selectedDay()); });
    tracks_.fill();
    setTrackCount();
    if (failure) databaseFailed(*failure);
}

void CListPageWnd::openRun() {
    const int mark = tracks_.state().selectionMark;
    if (mark < 0 || mark >= tracks_.count()) return;
    clearViews(false);
    tracks_.setOpenRow(mark);
    const int tkid = state_.dayTracks[mark].objid;
    loadPoints(
        [&] {
            state_.trackPoints = db_.trackPoints(tkid);
            state_.trackLaps = db_.trackLaps(tkid);
        },
        true);
}

void CListPageWnd::showDay(double day) {
    calendar_.selectDay(day);
    setMonthLabel();
    reloadDay();
}

bool CListPageWnd::openStoredRun(int objid) {
    for (int row = 0; row < tracks_.count(); ++row) {
        if (state_.dayTracks[row].objid != objid) continue;
        engine_.widgets().setListSelection(kFrame, tracks_.ctl(), {row}, row);
        engine_.widgets().ensureListRowVisible(kFrame, tracks_.ctl(), row);
        openRun();
        return true;
    }
    return false;
}

void CListPageWnd::showPoint(int sindex) {
    if (sindex < 0 || sindex >= static_cast<int>(state_.trackPoints.size())) return;
    const TrackPoint& p = state_.trackPoints[sindex];
    map_.setCenter(p.lat, p.lng, 18);
    map_.showAnimationPoint(p.lat, p.lng);
}

void CListPageWnd::openLap() {
    const int mark = laps_.state().selectionMark;
    if (mark < 0 || mark >= laps_.count()) return;
    const Lap lap = state_.trackLaps[mark];
    clearViews(true);
    loadPoints([&] { state_.trackPoints = db_.lapPoints(lap.tkid, lap.si, lap.ei); }, false);
}

void CListPageWnd::deleteRuns() {
    engine_.hidePopup(kFrame, Id("tkmenu"));
    if (ShowMessageDialog(engine_, loop(), kMessagePageYesNo,
                          "ログデータを消去してよろしいですか？") != 1)
        return;
    const Track* open = tracks_.openTrack();
    int openId = open ? open->objid : 0;
    const bool hadOpen = open != nullptr;
    const std::set<int> selected = tracks_.state().selected;
    std::optional<CppSQLite3Exception> failure;
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        const int row = *it;
        if (row < 0 || row >= tracks_.count()) continue;
        const int objid = state_.dayTracks[row].objid;
        if (hadOpen && objid == openId) {
            tracks_.setOpenRow(-1);
            openId = 0;
            clearViews(false);
        }
        if (auto refused = tryDatabase([&] { db_.deleteTrack(objid); })) {
            if (!failure) failure = refused;
            continue;  // still stored: its row stays
        }
        engine_.widgets().deleteListRow(kFrame, tracks_.ctl(), row);
        auto& day = state_.dayTracks;
        day.erase(std::remove_if(day.begin(), day.end(),
                                 [objid](const Track& t) { return t.objid == objid; }),
                  day.end());
    }
    tracks_.refresh();
    int openRow = -1;
    for (int i = 0; hadOpen && openId != 0 && i < tracks_.count(); ++i)
        if (state_.dayTracks[i].objid == openId) openRow = i;
    tracks_.setOpenRow(openRow);
    if (openRow < 0) {
        loop().post(handle(), WM_RELOAD_DAY);
        reloadMarks();
    }
    setTrackCount();
    if (failure) databaseFailed(*failure);
}

std::optional<std::filesystem::path> CListPageWnd::choose(FileDialogMode mode,
                                                          const std::string& label,
                                                          const std::string& ext) {
    FileDialogSpec spec;
    spec.mode = mode;
    spec.filters = FiltersFor(label, ext);
    spec.defaultExt = ext;
    spec.overwritePrompt = true;
    return chooseFile ? chooseFile(spec) : ShowFileDialog(engine_, loop(), spec);
}

void CListPageWnd::exportRun(const std::string& kind) {
    engine_.hidePopup(kFrame, Id("tkmenu"));
    const char* label = kind == "gpx"   ? "GPX Files"
                        : kind == "kml" ? "KML Files"
                        : kind == "tcx" ? "TCX Files"
                                        : "CSV Files";
    auto path = choose(FileDialogMode::Save, label, kind);
    if (!path) return;
    // The run of the row last selected, taken after the dialog as the user left the list.
    const int mark = tracks_.state().selectionMark;
    if (mark < 0 || mark >= tracks_.count()) return;
    ExportRequest request{*path, state_.dayTracks[mark]};
    // The exports write their file only once all points were read: a failed one leaves
    // nothing behind.
    const ExportResult r = kind == "gpx"   ? ExportGpx(request, db_)
                           : kind == "kml" ? ExportKml(request, db_)
                           : kind == "tcx"
                               ? ExportTcx(request, db_, UtcOffsetMinutes(state_.settings))
                               : ExportCsv(request, db_);
    if (!r) EndFailedOperation(engine_, loop(), FailedOperation::Export, r.reason);
}

void CListPageWnd::saveTrackFile() {
    if (tracks_.count() == 0) return;
    auto path = choose(FileDialogMode::Save, "Track Files", "trk");
    if (!path) return;
    const ListViewState st = tracks_.state();
    if (st.selectionMark < 0) return;
    std::vector<Track> chosen;
    for (int row : st.selected)
        if (row >= 0 && row < tracks_.count()) chosen.push_back(state_.dayTracks[row]);
    // The file is replaced only when all of it was written.
    const SaveResult r = SaveTrackFile(*path, chosen, db_);
    if (!r) EndFailedOperation(engine_, loop(), FailedOperation::TrackFileSave, r.reason);
}

void CListPageWnd::openTrackFile() {
    auto path = choose(FileDialogMode::Open, "Track Files", "trk");
    if (!path) return;
    // Each run is stored whole or not at all; those stored before a bad one stay.
    const ImportResult r = OpenTrackFile(*path, db_);
    // A file that cannot be read changes nothing: the day and the open run stay.
    if (r.opened) {
        loop().post(handle(), WM_RELOAD_DAY);
        reloadMarks();
    }
    if (!r) EndFailedOperation(engine_, loop(), FailedOperation::TrackFileOpen, r.reason);
}

bool CListPageWnd::onButtonClick(const ClickEvent& e) {
    if (playback_.onButton(e.id)) return true;
    if (e.id == "lastmon") {
        calendar_.previousMonth();
        setMonthLabel();
    } else if (e.id == "nextmon") {
        calendar_.nextMonth();
        setMonthLabel();
    } else if (e.id == "today") {
        calendar_.goToday();
        setMonthLabel();
    } else if (e.id == "ontkdel") {
        deleteRuns();
    } else if (e.id == "ontkgpx" || e.id == "ontkkml" || e.id == "ontkcsv" || e.id == "ontktcx") {
        exportRun(e.id.substr(4));
    } else if (e.id == "tksave") {
        saveTrackFile();
    } else if (e.id == "tkopen") {
        openTrackFile();
    } else {
        return false;
    }
    return true;
}

void CListPageWnd::onPageCommand(const CommandEvent& e) {
    if (e.id == "ltab1") switchLowerTab(1);
    if (e.id == "ltab2") switchLowerTab(2);
    if (e.id == "ltab3") switchLowerTab(3);
}

void CListPageWnd::onWidget(const WidgetEvent& e) {
    using K = WidgetEvent::Kind;
    switch (e.ctl) {
        case CCalendarCtrl::kControl:
            if (e.kind == K::Size) calendar_.onSize(e.width, e.height);
            if (e.kind == K::MouseDown && (e.keys & kMkLButton)) calendar_.onMouseDown(e.x, e.y);
            break;
        case CTrackList::kControl:
            tracks_.onWidget(e);
            if (e.kind == K::DoubleClick) openRun();
            if (e.kind == K::RightClick && tracks_.state().selectionMark >= 0)
                engine_.showPopup(kFrame, Id("tkmenu"), e.pageX, e.pageY);
            break;
        case CLapList::kControl:
            laps_.onWidget(e);
            if (e.kind == K::DoubleClick) openLap();
            break;
        case TrackChartView::kControl:
            chart_.onWidget(e);
            break;
        case CPointList::kControl: {
            points_.onWidget(e);
            const int mark = points_.state().selectionMark;
            if (e.kind == K::Click && mark >= 0 && mark < points_.count()) {
                const TrackPoint& p = state_.trackPoints[mark];
                map_.setCenter(p.lat, p.lng, 18);
                map_.showAnimationPoint(p.lat, p.lng);
            }
            break;
        }
        default:
            break;
    }
}

std::int64_t CListPageWnd::onMessage(const Message& m) {
    switch (m.id) {
        case WM_MAP_LOADED:
            // The pages were never disabled for the map; enabling again is harmless. A map
            // page that (re)loaded while a run is open gets its line again.
            engine_.input().enablePage("main", true);
            map_.setMapService(mapServiceReachable_);
            if (tracks_.openTrack() && state_.mapPoints.size() > 1 && state_.trackPoints.size() > 1)
                putMapLine();
            break;
        case WM_MAP_SERVICE:
            mapServiceReachable_ = true;
            map_.setMapService(true);
            break;
        case WM_MAP_RCLICK:
            break;  // kept in the bridge; nothing shows it
        case WM_RELOAD_DAY:
            reloadDay();
            break;
        case WM_SHOW_MAP_POINT:
            if (auto* p = std::any_cast<MapPoint>(&m.data)) {
                map_.showAnimationPoint(p->lat, p->lng);
            }
            break;
        case WM_DOWNLOAD_DONE:
            // New runs: the selected day's list and the marks of every day.
            loop().post(handle(), WM_RELOAD_DAY);
            reloadMarks();
            break;
        default:
            break;
    }
    return 0;
}

void CListPageWnd::onTimer(int timerId) {
    if (timerId == CTrackPlayback::kTimerId) playback_.onTimer();
}

void CListPageWnd::onExternal(const ExternalCall& c) {
    if (c.frame == kMapFrame) (void)external_.call(c);
}

}  // namespace dorvath
