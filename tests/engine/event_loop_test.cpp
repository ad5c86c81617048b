#include "engine/event_loop.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace dorvath {
namespace {

class Recorder : public MessageTarget {
  public:
    using MessageTarget::MessageTarget;
    std::int64_t onMessage(const Message& m) override {
        got.push_back(m.id);
        if (onMsg) onMsg(m);
        return static_cast<std::int64_t>(m.wParam) * 2;
    }
    void onTimer(int id) override {
        ticks.push_back(id);
        if (onTick) onTick(id);
    }
    std::vector<unsigned> got;
    std::vector<int> ticks;
    std::function<void(const Message&)> onMsg;
    std::function<void(int)> onTick;
};

// Runs the loop until pred holds; gives up after a generous bound so a fault fails
// instead of hanging.
template <typename P>
bool RunUntil(EventLoop& loop, P pred, int boundMs = 5000) {
    for (int waited = 0; waited < boundMs && !pred(); waited += 5) loop.runFor(5);
    return pred();
}

TEST(EventLoopPost, AHandlerThatThrowsEndsItsTurnNotTheLoop) {
    EventLoop loop;
    std::vector<std::string> told;
    loop.setUnexpectedErrorHandler([&](const std::string& what) { told.push_back(what); });
    bool after = false;
    loop.postTask([] { throw std::runtime_error("broken handler"); });
    loop.postTask([&] {
        after = true;
        loop.quit(7);
    });
    EXPECT_EQ(loop.run(), 7);
    EXPECT_TRUE(after);
    EXPECT_EQ(told, std::vector<std::string>{"broken handler"});
}

TEST(EventLoopPost, MessagesArriveInPostedOrder) {
    EventLoop loop;
    Recorder w(loop);
    for (unsigned i = 1; i <= 50; ++i) loop.post(w.handle(), kWmUser + i);
    loop.poll();
    ASSERT_EQ(w.got.size(), 50u);
    for (unsigned i = 0; i < 50; ++i) EXPECT_EQ(w.got[i], kWmUser + i + 1);
}

TEST(EventLoopPost, WorkerPostsKeepTheirOrderAndRunOnTheLoopThread) {
    EventLoop loop;
    Recorder w(loop);
    bool onLoop = true;
    w.onMsg = [&](const Message&) { onLoop = onLoop && loop.onLoopThread(); };
    std::thread worker([&] {
        for (unsigned i = 0; i < 200; ++i) loop.post(w.handle(), i);
    });
    worker.join();
    ASSERT_TRUE(RunUntil(loop, [&] { return w.got.size() == 200; }));
    for (unsigned i = 0; i < 200; ++i) EXPECT_EQ(w.got[i], i);
    EXPECT_TRUE(onLoop);
}

TEST(EventLoopPost, MessagesToADestroyedWindowAreDropped) {
    EventLoop loop;
    WindowHandle h;
    {
        Recorder w(loop);
        h = w.handle();
        loop.post(h, 1);
    }
    Recorder other(loop);
    EXPECT_NE(other.handle(), h);  // handles are never reused
    loop.post(h, 2);
    loop.poll();
    EXPECT_TRUE(other.got.empty());
    Message m;
    m.id = 3;
    EXPECT_EQ(loop.send(h, m), 0);
}

TEST(EventLoopPost, SendCallsAtOnceAndReturnsTheAnswer) {
    EventLoop loop;
    Recorder w(loop);
    Message m;
    m.id = 7;
    m.wParam = 21;
    EXPECT_EQ(loop.send(w.handle(), m), 42);
    EXPECT_EQ(w.got, std::vector<unsigned>{7});
}

TEST(EventLoopPost, PayloadTravelsWithTheMessage) {
    EventLoop loop;
    Recorder w(loop);
    std::string text;
    w.onMsg = [&](const Message& m) { text = std::any_cast<std::string>(m.data); };
    std::thread([&] {
        Message m;
        m.id = 1;
        m.data = std::string("進捗 3/10");
        loop.post(w.handle(), std::move(m));
    }).join();
    loop.poll();
    EXPECT_EQ(text, "進捗 3/10");
}

TEST(EventLoopTimer, SettingARunningTimerAgainChangesItsPeriod) {
    EventLoop loop;
    Recorder w(loop);
    loop.setTimer(w.handle(), 1000, 3600 * 1000);  // an hour: would never tick here
    loop.setTimer(w.handle(), 1000, 5);
    ASSERT_TRUE(RunUntil(loop, [&] { return w.ticks.size() >= 3; }));
    loop.setTimer(w.handle(), 1000, 3600 * 1000);
    size_t seen = w.ticks.size();
    loop.runFor(60);
    EXPECT_EQ(w.ticks.size(), seen);
    EXPECT_TRUE(loop.hasTimer(w.handle(), 1000));
}

TEST(EventLoopTimer, KillStopsTheTicks) {
    EventLoop loop;
    Recorder w(loop);
    loop.setTimer(w.handle(), 5, 5);
    w.onTick = [&](int id) {
        if (w.ticks.size() == 2) loop.killTimer(w.handle(), id);  // from its own tick
    };
    ASSERT_TRUE(RunUntil(loop, [&] { return w.ticks.size() >= 2; }));
    loop.runFor(50);
    EXPECT_EQ(w.ticks.size(), 2u);
    EXPECT_FALSE(loop.hasTimer(w.handle(), 5));
    loop.killTimer(w.handle(), 5);  // killing twice is harmless
}

TEST(EventLoopTimer, TwoWindowsWithTheSameIdTickApart) {
    EventLoop loop;
    Recorder a(loop), b(loop);
    loop.setTimer(a.handle(), 1, 5);
    loop.setTimer(b.handle(), 1, 5);
    ASSERT_TRUE(RunUntil(loop, [&] { return a.ticks.size() >= 2 && b.ticks.size() >= 2; }));
    loop.killTimer(a.handle(), 1);
    size_t aSeen = a.ticks.size(), bSeen = b.ticks.size();
    ASSERT_TRUE(RunUntil(loop, [&] { return b.ticks.size() >= bSeen + 3; }));
    EXPECT_EQ(a.ticks.size(), aSeen);
    EXPECT_TRUE(loop.hasTimer(b.handle(), 1));
}

TEST(EventLoopTimer, DestroyingAWindowKillsItsTimers) {
    EventLoop loop;
    auto w = std::make_unique<Recorder>(loop);
    WindowHandle h = w->handle();
    loop.setTimer(h, 3, 5);
    w.reset();
    EXPECT_FALSE(loop.hasTimer(h, 3));
    loop.runFor(30);  // nothing left to call
}

TEST(EventLoopModal, RunsUntilItsDialogEndsAndNests) {
    EventLoop loop;
    Recorder w(loop);
    std::vector<std::string> trace;
    int inner = -2, outer = -2;
    w.onMsg = [&](const Message& m) {
        if (m.id == 1) {
            trace.push_back("outer start");
            ModalLoop dlg(loop);
            loop.post(w.handle(), 2);  // posted just before: seen inside the modal loop
            loop.postTask([&] { trace.push_back("task in outer"); });
            Message endIt;
            endIt.id = 4;
            endIt.data = &dlg;
            loop.post(w.handle(), std::move(endIt));
            outer = loop.runModal(dlg);
            trace.push_back("outer end");
        } else if (m.id == 2) {
            trace.push_back("inner start");
            ModalLoop dlg(loop);
            std::thread([&dlg] { dlg.end(7); }).join();  // ended from another thread
            inner = loop.runModal(dlg);
            EXPECT_EQ(loop.modalDepth(), 1);
            trace.push_back("inner end");
        } else if (m.id == 4) {
            std::any_cast<ModalLoop*>(m.data)->end(3);
        }
    };
    loop.post(w.handle(), 1);
    loop.poll();
    EXPECT_EQ(inner, 7);
    EXPECT_EQ(outer, 3);
    EXPECT_EQ(loop.modalDepth(), 0);
    EXPECT_EQ(trace, (std::vector<std::string>{"outer start", "inner start", "inner end",
                                               "task in outer", "outer end"}));
}

TEST(EventLoopModal, QuitEndsModalLoopsAndRun) {
    EventLoop loop;
    Recorder w(loop);
    int modal = 0;
    w.onMsg = [&](const Message&) {
        ModalLoop dlg(loop);
        loop.postTask([&] { loop.quit(5); });
        modal = loop.runModal(dlg);
    };
    loop.post(w.handle(), 1);
    EXPECT_EQ(loop.run(), 5);
    EXPECT_EQ(modal, -1);
}

TEST(EventLoopTurns, HooksRunAfterEveryHandlerAndBeforeAModalWait) {
    EventLoop loop;
    Recorder w(loop);
    int turns = 0;
    loop.addTurnHook([&] { ++turns; });
    loop.post(w.handle(), 1);
    loop.postTask([] {});
    loop.poll();
    EXPECT_EQ(turns, 2);
    ModalLoop dlg(loop);
    dlg.end(0);
    loop.runModal(dlg);
    EXPECT_EQ(turns, 3);
}

}  // namespace
}  // namespace dorvath
