#pragma once
// A list page on a fresh database, a state of its own and a recording engine.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "data/app_state.h"
#include "data/temp_dir.h"
#include "data/track_database.h"
#include "support/dialog_press.h"
#include "support/recording_html_engine.h"
#include "support/with_database.h"
#include "ui/list_page_wnd.h"

namespace dorvath::test {

class ListPageFixture : public WithDatabase {
  protected:
    void TearDown() override { page.reset(); }

    // The page on 2016-05-10 unless told another day, its loading dialog quick; `prepare`
    // sets what else the test needs before the page is created.
    void createPage(const std::function<void(CListPageWnd&)>& prepare = {},
                    DateTimeFields today = {2016, 5, 10}) {
        page = std::make_unique<CListPageWnd>(loop, engine, 0, db, state);
        page->calendar().today = [today] { return today; };
        page->loadingOptions.startStepMs = 1;
        if (prepare) prepare(*page);
        page->create();
        loop.poll();
    }
    // A widget event of one of the page's controls (the three lists are list views).
    static WidgetEvent widgetEvent(int ctl, WidgetEvent::Kind kind, int row = -1) {
        const bool list =
            ctl == CTrackList::kControl || ctl == CLapList::kControl || ctl == CPointList::kControl;
        return {.frame = CListPageWnd::kFrame,
                .ctl = ctl,
                .type = list ? "sys-listview" : "sys-static",
                .kind = kind,
                .row = row,
                .from = row,
                .to = row};
    }
    // Selects a run and double-clicks it, which opens it.
    void openRun(int row) {
        engine.listSelect(CListPageWnd::kFrame, CTrackList::kControl, {row}, row);
        engine.widget(widgetEvent(CTrackList::kControl, WidgetEvent::Kind::DoubleClick, row));
        loop.poll();
    }

    // The calls the page made of the map page's function fn, their arguments in order.
    std::vector<std::vector<std::string>> mapCalls(const std::string& fn) const {
        std::vector<std::vector<std::string>> out;
        for (const auto& op : engine.operations("call"))
            if (op.value("frame", "") == CListPageWnd::kMapFrame && op.value("fn", "") == fn)
                out.push_back(op["args"].get<std::vector<std::string>>());
        return out;
    }

    AppState state{dir.path()};
    EventLoop loop;
    RecordingHtmlEngine engine;
    std::unique_ptr<CListPageWnd> page;
};

}  // namespace dorvath::test
