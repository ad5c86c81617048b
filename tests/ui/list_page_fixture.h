#pragma once
// A list page on a fresh database and a recording engine, with AppState emptied.
#include <gtest/gtest.h>

#include <memory>

#include "data/app_state.h"
#include "data/temp_dir.h"
#include "data/track_database.h"
#include "engine/recording_html_engine.h"
#include "ui/list_page_wnd.h"

namespace dorvath::test {

class ListPageFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open((dir / "velcan.db").string());
        db.createTables();
        AppState& s = AppState::instance();
        s.dayTracks.clear();
        s.trackPoints.clear();
        s.trackLaps.clear();
        s.settings = DeviceSettings();
    }
    void TearDown() override {
        page.reset();
        db.close();
    }

    TempDir dir;
    TrackDatabase db;
    EventLoop loop;
    RecordingHtmlEngine engine;
    std::unique_ptr<CListPageWnd> page;
};

}  // namespace dorvath::test
