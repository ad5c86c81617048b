// The function page's "download" and "dellog" against simulated watches: the dialogs
// they show, the progress texts, the list page's notice, and what reaches the watch.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "data/app_state.h"
#include "data/temp_dir.h"
#include "data/track_database.h"
#include "device/protocol.h"
#include "device/sim/simulated_watches.h"
#include "device/sim/watch_simulator.h"
#include "support/dialog_press.h"
#include "support/recording_html_engine.h"
#include "support/test_frame_host.h"
#include "ui/download_dialog.h"
#include "ui/list_page_wnd.h"
#include "ui/main_wnd.h"
#include "ui/messages.h"

namespace dorvath {
namespace {

// Stands in for the list page: counts what it is sent.
class ListProbe : public MessageTarget {
  public:
    using MessageTarget::MessageTarget;
    std::int64_t onMessage(const Message& m) override {
        ids.push_back(m.id);
        return 0;
    }
    std::vector<unsigned> ids;
};

WatchLog FixLog(uint32_t start, uint32_t n) {
    WatchLog l;
    for (uint32_t i = 0; i < n; ++i) {
        LogRecord r;
        r.kind = LogRecord::kFix;
        r.time = start + i;
        r.lat_e6 = 35000000 + static_cast<int32_t>(i);
        r.lng_e6 = 139000000;
        l.records.push_back(r);
    }
    l.header.start_time = start;
    l.header.record_count = n;
    l.header.distance_km = 1.5f;
    return l;
}

WatchScenario Holding(std::vector<WatchLog> logs) {
    WatchScenario s;
    s.logs = std::move(logs);
    return s;
}

constexpr uint32_t kStart = 1780000000;

class DownloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(":memory:");
        db.createTables();
        main.create();
        main.setListPageWindow(probe.handle());
    }

    std::shared_ptr<WatchSimulator> plugIn(WatchScenario s) {
        auto w = std::make_shared<WatchSimulator>(std::move(s));
        watches.add("test", w);
        return w;
    }
    // Queues presses for the next message boxes to open, in turn (code per box).
    void answer(std::vector<int> codes) {
        for (int code : codes)
            test::PressWhenOpen(loop, engine, {{"code", std::to_string(code)}},
                                [this](const FramePath&) { answered.push_back(lastDialogPage()); });
    }
    std::string lastDialogPage() const {
        auto d = engine.operations("dialog");
        return d.empty() ? "" : d.back().value("page", "");
    }
    std::vector<std::string> openedPages() const {
        std::vector<std::string> out;
        for (const auto& d : engine.operations("dialog"))
            if (d.value("open", false)) out.push_back(d.value("page", ""));
        return out;
    }
    std::vector<std::string> texts(const std::string& id) const {
        std::vector<std::string> out;
        for (const auto& op : engine.operations("text"))
            if (op.value("id", "") == id) out.push_back(op.value("value", ""));
        return out;
    }
    int count(const char* table) {
        return db.queryInt(std::string("select count(*) from ") + table + ";");
    }
    int dones() const {
        return static_cast<int>(std::count(probe.ids.begin(), probe.ids.end(), WM_DOWNLOAD_DONE));
    }

    test::TempDir dir;
    TrackDatabase db;
    AppState state{dir.path()};
    SimulatedWatchFinder watches;  // none plugged in: no watch
    EventLoop loop;
    RecordingHtmlEngine engine;
    test::TestFrameHost host;
    CMainWnd main{loop, {engine, host, db, state, watches}};
    ListProbe probe{loop};
    std::vector<std::string> answered;
};

// ---- download

TEST_F(DownloadTest, NoWatchShowsTheConnectionMessageOnly) {
    answer({0});
    engine.click("main", "download");
    EXPECT_EQ(openedPages(), std::vector<std::string>{"208"});
    EXPECT_EQ(texts("MsgText1"), std::vector<std::string>{"端末とUSBの接続を確認して下さい"});
    EXPECT_TRUE(texts("MsgText2").empty());
    EXPECT_EQ(engine.operations("beep").size(), 1u);
    EXPECT_TRUE(probe.ids.empty());
    EXPECT_TRUE(main.watchPath().empty());
    EXPECT_TRUE(engine.openDialogs().empty());
}

TEST_F(DownloadTest, ProgressTextsArriveInOrderAndTheRunIsStored) {
    WatchScenario s = Holding({FixLog(kStart, 200)});
    plugIn(s);
    engine.click("main", "download");
    EXPECT_EQ(main.watchPath(), "sim:test");
    EXPECT_EQ(openedPages(), std::vector<std::string>{"210"});
    EXPECT_EQ(texts("MsgText"),
              (std::vector<std::string>{"Download data to your pc...", "履歴1 200-64",
                                        "履歴1 200-128", "履歴1 200-192", "履歴1 200-200"}));
    EXPECT_TRUE(engine.operations("beep").empty());
    EXPECT_TRUE(engine.openDialogs().empty());
    EXPECT_EQ(dones(), 1);
    EXPECT_EQ(count("TK"), 1);
    EXPECT_EQ(count("TKPT"), 200);
}

TEST_F(DownloadTest, StoredRunsOnlyOpenAndCloseTheDialogAndStillRefresh) {
    WatchScenario s = Holding({FixLog(kStart, 70), FixLog(kStart + 3600, 5)});
    auto watch = plugIn(s);
    engine.click("main", "download");
    ASSERT_EQ(count("TK"), 2);
    engine.clearOperations();
    watch->clearWire();

    // The second press works like the first: a new search, dialog and worker.
    engine.click("main", "download");
    EXPECT_EQ(openedPages(), std::vector<std::string>{"210"});
    EXPECT_EQ(texts("MsgText"), std::vector<std::string>{"Download data to your pc..."});
    EXPECT_TRUE(engine.openDialogs().empty());
    EXPECT_EQ(dones(), 2);
    EXPECT_EQ(count("TK"), 2);
    for (const Report& r : watch->hostWrites()) EXPECT_NE(GetU32(r.data()), CMD_LOG_RECORDS);
}

TEST_F(DownloadTest, AFailedTransferEndsTheDialogAndKeepsWhatWasComplete) {
    WatchScenario s = Holding({FixLog(kStart, 100), FixLog(kStart + 3600, 300)});
    s.faults.stopAfterReports = 170;  // well inside the second log's records
    plugIn(s);
    engine.click("main", "download");
    EXPECT_TRUE(engine.openDialogs().empty());
    EXPECT_EQ(openedPages(), std::vector<std::string>{"210"});  // no message about it
    EXPECT_EQ(dones(), 1);
    EXPECT_EQ(count("TK"), 1);
    EXPECT_EQ(count("TKPT"), 100);
}

TEST_F(DownloadTest, AWatchThatAnswersNothingEndsTheDialogAtOnce) {
    WatchScenario s = Holding({FixLog(kStart, 10)});
    s.faults.stopAfterReports = 0;
    plugIn(s);
    engine.click("main", "download");
    EXPECT_TRUE(engine.openDialogs().empty());
    EXPECT_EQ(texts("MsgText"), std::vector<std::string>{"Download data to your pc..."});
    EXPECT_EQ(dones(), 1);
    EXPECT_EQ(count("TK"), 0);
}

TEST_F(DownloadTest, ADatabaseErrorStillEndsTheDialog) {
    WatchScenario s = Holding({FixLog(kStart, 10)});
    plugIn(s);
    db.execute("drop table TKPT;");
    testing::internal::CaptureStderr();
    engine.click("main", "download");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("download"), std::string::npos);
    EXPECT_TRUE(engine.openDialogs().empty());
    EXPECT_EQ(dones(), 1);
    EXPECT_EQ(count("TK"), 0);  // the run's row went with its failed points
}

TEST_F(DownloadTest, PressesWhileTheDialogIsUpAreIgnored) {
    WatchScenario s = Holding({FixLog(kStart, 50)});
    auto watch = plugIn(s);
    // Runs in the dialog's loop before the worker's first message.
    loop.postTask([this] {
        engine.click("main", "download");
        engine.click("main", "dellog");
    });
    engine.click("main", "download");
    EXPECT_EQ(openedPages(), std::vector<std::string>{"210"});
    EXPECT_EQ(dones(), 1);
    EXPECT_EQ(count("TK"), 1);
    for (const Report& r : watch->hostWrites()) EXPECT_NE(GetU32(r.data()), CMD_LOG_DELETE_ALL);
}

TEST_F(DownloadTest, QuittingUnderTheDialogStopsTheWorkerBeforeGoingOn) {
    auto watch = std::make_shared<WatchSimulator>(Holding({FixLog(kStart, 5000)}));
    watches.add("slow", watch, SimulatedTiming{std::chrono::microseconds(200)});
    loop.postTask([this] { loop.quit(0); });
    engine.click("main", "download");
    // The worker has stopped before the handler went on: no thread is left on the
    // database, and the log it was reading left nothing behind.
    EXPECT_LT(watch->acknowledgements(), 70);
    const uint64_t transfers = watch->transfers();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(watch->transfers(), transfers);
    EXPECT_EQ(count("TK"), 0);
    EXPECT_EQ(dones(), 1);
}

// "キャンセル" while the second of three runs is read: the worker stops at its next step
// and ends the dialog, the list page hears of the end as after any download, and the first
// run is there whole. Later presses do nothing; the next download stores the rest.
TEST_F(DownloadTest, CancelEndsTheDialogKeepsTheRunsStoredAndTheListReloads) {
    auto watch = std::make_shared<WatchSimulator>(
        Holding({FixLog(kStart, 100), FixLog(kStart + 3600, 5000), FixLog(kStart + 7200, 30)}));
    watches.add("slow", watch, SimulatedTiming{std::chrono::microseconds(200)});
    FramePath dialog;
    std::function<void()> pressOnceTheSecondRunStreams = [&] {
        const auto shown = texts("MsgText");
        if (std::none_of(shown.begin(), shown.end(),
                         [](const std::string& t) { return t.rfind("履歴2 ", 0) == 0; })) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            loop.postTask(pressOnceTheSecondRunStreams);
            return;
        }
        dialog = engine.openDialogs().back();
        engine.click(dialog, "cancel");
        engine.click(dialog, "cancel");  // a second press changes nothing
    };
    loop.postTask(pressOnceTheSecondRunStreams);
    engine.click("main", "download");

    EXPECT_TRUE(engine.openDialogs().empty());
    EXPECT_EQ(openedPages(), std::vector<std::string>{"210"});
    EXPECT_EQ(dones(), 1);
    EXPECT_LT(watch->acknowledgements(), 70);  // it did not read the second run to its end
    EXPECT_EQ(count("TK"), 1);
    EXPECT_EQ(count("TKPT"), 100);
    auto states = engine.operations("state");
    ASSERT_EQ(states.size(), 1u);  // the button greyed once
    EXPECT_EQ(states[0].value("frame", ""), dialog);

    engine.click(dialog, "cancel");  // after the end: the dialog is gone
    EXPECT_EQ(dones(), 1);

    watch->clearWire();
    engine.click("main", "download");
    EXPECT_EQ(dones(), 2);
    EXPECT_EQ(count("TK"), 3);
    EXPECT_EQ(count("TKPT"), 5130);
}

TEST_F(DownloadTest, TheListPageIsWhoHearsOfTheEndByDefault) {
    EventLoop l;
    RecordingHtmlEngine e;
    test::TestFrameHost h;
    CMainWnd m(l, {e, h, db, state, watches});
    m.create();
    ASSERT_NE(m.listPage(), nullptr);
    EXPECT_EQ(m.listPageWindow(), m.listPage()->handle());
}

// ---- the dialog on its own

TEST(DownloadDialogTest, TheWorkerGetsTheDialogsHandleAndEndsIt) {
    EventLoop loop;
    RecordingHtmlEngine engine;
    WindowHandle seen = 0;
    auto left = std::make_shared<std::atomic<bool>>(false);
    DownloadDialog dlg(engine, loop, kDownloadText, [&seen, &loop, left](WindowHandle page) {
        seen = page;
        PostDownloadProgress(loop, page, "履歴1 0-0");
        PostDownloadEnd(loop, page, 1);
        *left = true;
    });
    EXPECT_EQ(dlg.run(), 1);
    while (!*left) std::this_thread::yield();  // the loop outlives the worker's last post
    EXPECT_TRUE(dlg.workerStarted());
    EXPECT_EQ(seen, dlg.handle());
    auto texts = engine.operations("text");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1]["value"], "履歴1 0-0");
    EXPECT_EQ(texts[1]["frame"], engine.operations("dialog").front()["frame"]);
}

TEST(DownloadDialogTest, WithoutAWorkerItDoesNotStayOpen) {
    EventLoop loop;
    RecordingHtmlEngine engine;
    DownloadDialog dlg(engine, loop, kDownloadText, nullptr);
    EXPECT_EQ(dlg.run(), 0);
    EXPECT_FALSE(dlg.workerStarted());
    EXPECT_TRUE(engine.openDialogs().empty());
}

TEST(DownloadDialogTest, AnEndForAGoneDialogIsDropped) {
    EventLoop loop;
    WindowHandle gone;
    {
        RecordingHtmlEngine engine;
        DownloadDialog dlg(engine, loop, kDownloadText, nullptr);
        gone = dlg.handle();
    }
    PostDownloadProgress(loop, gone, "late");
    PostDownloadEnd(loop, gone, 1);
    loop.poll();
}

// ---- deleting the watch's logs

TEST_F(DownloadTest, NoToTheQuestionSendsNothing) {
    WatchScenario s = Holding({FixLog(kStart, 5)});
    auto watch = plugIn(s);
    answer({0});
    engine.click("main", "dellog");
    EXPECT_EQ(answered, std::vector<std::string>{"209"});
    EXPECT_EQ(texts("MsgText1"), std::vector<std::string>{"この履歴を消しても宜しいでしょうか？"});
    EXPECT_TRUE(texts("MsgText2").empty());
    EXPECT_EQ(watch->transfers(), 0u);
    EXPECT_EQ(openedPages(), std::vector<std::string>{"209"});
}

TEST_F(DownloadTest, YesErasesTheWatchAndLeavesTheStoredRuns) {
    WatchScenario s = Holding({FixLog(kStart, 5)});
    auto watch = plugIn(s);
    engine.click("main", "download");
    ASSERT_EQ(count("TK"), 1);
    probe.ids.clear();
    engine.clearOperations();
    watch->clearWire();

    answer({1});
    engine.click("main", "dellog");
    EXPECT_EQ(openedPages(), std::vector<std::string>{"209"});  // no message on success
    auto writes = watch->hostWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(GetU32(writes[0].data()), CMD_LOG_DELETE_ALL);
    for (size_t i = 4; i < writes[0].size(); ++i) EXPECT_EQ(writes[0][i], 0) << i;
    EXPECT_EQ(count("TK"), 1);
    EXPECT_TRUE(probe.ids.empty());  // no view is refreshed
}

TEST_F(DownloadTest, YesWithoutAWatchAsksFirstThenTellsTheConnection) {
    answer({1, 0});
    engine.click("main", "dellog");
    EXPECT_EQ(answered, (std::vector<std::string>{"209", "208"}));
    EXPECT_EQ(texts("MsgText1"), (std::vector<std::string>{"この履歴を消しても宜しいでしょうか？",
                                                           "端末とUSBの接続を確認して下さい"}));
    EXPECT_TRUE(engine.openDialogs().empty());
}

TEST_F(DownloadTest, AFailedEraseTellsTheConnection) {
    WatchScenario s;
    s.faults.stopAfterReports = 0;
    plugIn(s);
    answer({1, 0});
    engine.click("main", "dellog");
    EXPECT_EQ(answered, (std::vector<std::string>{"209", "208"}));
}

}  // namespace
}  // namespace dorvath
