#include <gtest/gtest.h>

#include "../data/temp_dir.h"
#include "data/app_state.h"
#include "data/track_database.h"
#include "device/sim/simulated_watches.h"
#include "support/dialog_press.h"
#include "support/recording_html_engine.h"
#include "support/test_frame_host.h"
#include "support/with_database.h"
#include "ui/list_page_wnd.h"
#include "ui/main_wnd.h"
#include "ui/top_frame_wnd.h"

namespace dorvath {
namespace {

test::TestFrameHost HostWithTaskbar() {
    test::TestFrameHost h;
    h.taskbar = Rect{0, 1040, 1920, 1080};
    return h;
}

class FramePagesTest : public test::WithDatabase {
  protected:
    void SetUp() override {
        WithDatabase::SetUp();
        top.create();
    }
    CMainWnd& main() { return *top.mainWnd(); }
    std::string style(const FramePath& f, const std::string& id) {
        return engine.style(f, id, "display");
    }
    // The elements of frame f shown (display block) and hidden (none).
    void expectShown(const FramePath& f, std::initializer_list<const char*> shown,
                     std::initializer_list<const char*> hidden) {
        for (const char* id : shown) EXPECT_EQ(style(f, id), "block") << id;
        for (const char* id : hidden) EXPECT_EQ(style(f, id), "none") << id;
    }

    EventLoop loop;
    RecordingHtmlEngine engine;
    test::TestFrameHost host = HostWithTaskbar();
    AppState state{dir.path()};
    SimulatedWatchFinder watches;  // none: no hardware is searched
    CTopFrameWnd top{loop, {engine, host, db, state, watches}};
};

TEST_F(FramePagesTest, PagesNestAndTakeInputFromTheStart) {
    EXPECT_EQ(engine.frameStore().page(""), "201");
    EXPECT_EQ(engine.frameStore().page("main"), "202");
    EXPECT_EQ(engine.frameStore().page("main/page1"), "204");
    EXPECT_EQ(engine.frameStore().page("main/page2"), "205");
    // The map page follows its waiting page at once: it draws without the network.
    EXPECT_EQ(engine.frameStore().page("main/page1/map"), "Html/maps.html");
    EXPECT_TRUE(engine.input().pageEnabled("main"));
    EXPECT_EQ(main().currentTab(), 1);
}

TEST_F(FramePagesTest, TabSwitchShowsOnePageAndComesBackUnchanged) {
    engine.command("main", "tab2");
    EXPECT_EQ(main().currentTab(), 2);
    expectShown("main", {"framepage2", "tab2-s", "tab1"}, {"framepage1", "tab2", "tab1-s"});

    // the list page was only hidden: its own state is untouched
    main().listPage()->switchLowerTab(2);
    auto before = engine.frameStore().state().at("main/page1").ops;
    engine.command("main", "tab1");
    expectShown("main", {"framepage1", "tab1-s"}, {"framepage2", "tab1"});
    EXPECT_EQ(engine.frameStore().state().at("main/page1").ops, before);
    EXPECT_EQ(engine.frameStore().page("main/page1"), "204");
}

TEST_F(FramePagesTest, ChoosingTheCurrentTabChangesNothing) {
    engine.clearOperations();
    engine.command("main", "tab1");
    engine.command("main", "tab1", true);  // "tab1MDC" from a double click
    engine.command("main", "tab3");
    EXPECT_TRUE(engine.operations().empty());
    EXPECT_EQ(main().currentTab(), 1);
}

TEST_F(FramePagesTest, LowerTabsSwitchChartAndPointList) {
    const FramePath f = "main/page1";
    engine.command(f, "ltab2");
    EXPECT_EQ(main().listPage()->currentLowerTab(), 2);
    EXPECT_EQ(engine.attribute(f, "ltab2", "class"), "selected");
    expectShown(f, {"list2"}, {"list1"});
    engine.command(f, "ltab1");
    EXPECT_EQ(engine.attribute(f, "ltab1", "class"), "selected");
    EXPECT_EQ(engine.attribute(f, "ltab2", "class"), "");  // removed, not left behind
    expectShown(f, {"list1"}, {"list2"});
}

TEST_F(FramePagesTest, MaximizeUsesTheWorkAreaAndRestoreTheKeptRectangle) {
    top.onWindowRect({510, 230, 1410, 850});
    engine.click("", "maximize");
    EXPECT_TRUE(host.moves.empty());  // posted, as the window message is
    loop.poll();
    ASSERT_EQ(host.moves.size(), 1u);
    EXPECT_EQ(host.moves[0], (Rect{0, 0, 1920, 1040}));
    EXPECT_TRUE(top.maximized());
    expectShown("", {"restore"}, {"maximize"});

    top.onWindowRect({0, 0, 1920, 1040});  // the maximized size is not kept
    engine.click("", "restore");
    loop.poll();
    ASSERT_EQ(host.moves.size(), 2u);
    EXPECT_EQ(host.moves[1], (Rect{510, 230, 1410, 850}));
    EXPECT_FALSE(top.maximized());
    expectShown("", {"maximize"}, {"restore"});
}

TEST_F(FramePagesTest, WithoutATaskbarMaximizingCoversTheDesktop) {
    host.taskbar.reset();
    engine.click("", "maximize");
    loop.poll();
    ASSERT_EQ(host.moves.size(), 1u);
    EXPECT_EQ(host.moves[0], host.desktop);
}

TEST_F(FramePagesTest, CaptionButtonsMinimizeAndClose) {
    engine.click("", "minimize");
    EXPECT_EQ(host.minimized, 1);
    engine.click("", "close");
    loop.poll();
    EXPECT_EQ(host.closed, 1);
    engine.click("main", "help");
    EXPECT_EQ(host.opened, std::vector<std::string>{"help/index.html"});
}

TEST_F(FramePagesTest, DeviceButtonsReachTheirHandlers) {
    // Each button opens its first dialog; answering it ends the handler (no watch here).
    std::vector<std::string> pages;
    auto answerWhenOpen = [&] {
        test::PressWhenOpen(loop, engine, {{"code", "0"}}, [&](const FramePath&) {
            ASSERT_EQ(engine.openDialogs().size(), 1u);
            pages.push_back(engine.operations("dialog").back()["page"]);
        });
    };
    answerWhenOpen();
    engine.click("main", "download");
    answerWhenOpen();
    engine.click("main", "dellog");
    EXPECT_EQ(pages, (std::vector<std::string>{"208", "209"}));
    EXPECT_TRUE(engine.openDialogs().empty());
}

TEST_F(FramePagesTest, HitTestReadsTheGeometryMirror) {
    EXPECT_EQ(top.hitTest(100, 10), FrameZone::Client);  // nothing laid out yet
    engine.box("", "body", {{0, 0, 900, 620}, {3, 3, 897, 617}, true});
    engine.box("", "caption", {{33, 3, 737, 33}, {33, 3, 737, 33}, true});
    engine.box("", "icon", {{3, 3, 33, 33}, {3, 3, 33, 33}, true});
    EXPECT_EQ(top.hitTest(100, 10), FrameZone::Caption);
    EXPECT_EQ(top.hitTest(10, 10), FrameZone::SysMenu);
    EXPECT_EQ(top.hitTest(1, 300), FrameZone::Left);
    EXPECT_EQ(top.hitTest(899, 619), FrameZone::BottomRight);
    EXPECT_EQ(top.hitTest(400, 300), FrameZone::Client);
    engine.click("", "maximize");
    loop.poll();
    EXPECT_EQ(top.hitTest(100, 10), FrameZone::Client);
    EXPECT_EQ(top.hitTest(1, 300), FrameZone::Client);
}

TEST(TaskbarFromWorkAreaTest, TheStripTheWorkAreaLeavesOut) {
    const Rect m{0, 0, 1920, 1080};
    EXPECT_EQ(TaskbarFromWorkArea(m, m), std::nullopt);
    EXPECT_EQ(TaskbarFromWorkArea(m, {0, 0, 1920, 1040}), (Rect{0, 1040, 1920, 1080}));
    EXPECT_EQ(TaskbarFromWorkArea(m, {0, 32, 1920, 1080}), (Rect{0, 0, 1920, 32}));
    EXPECT_EQ(TaskbarFromWorkArea(m, {64, 0, 1920, 1080}), (Rect{0, 0, 64, 1080}));
    EXPECT_EQ(TaskbarFromWorkArea(m, {0, 0, 1856, 1080}), (Rect{1856, 0, 1920, 1080}));
    EXPECT_EQ(TaskbarFromWorkArea(m, {0, 32, 1920, 1040}), std::nullopt);  // two panels
    // a second monitor to the right keeps screen coordinates
    const Rect right{1920, 0, 3840, 1080};
    EXPECT_EQ(TaskbarFromWorkArea(right, {1920, 0, 3840, 1040}), (Rect{1920, 1040, 3840, 1080}));
    EXPECT_EQ(MaximizedWorkArea(right, Rect{1920, 1040, 3840, 1080}), (Rect{1920, 0, 3840, 1040}));
}

}  // namespace
}  // namespace dorvath
