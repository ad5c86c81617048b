#pragma once
// The user-interface thread's message loop: window objects receive posted and sent
// messages and timer ticks; modal dialogs run a nested loop until they end. Worker
// threads only ever post (a message or a task); everything else happens on the thread
// that runs the loop.
#include <any>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

namespace boost::asio {
class io_context;
}

namespace dorvath {

// Window handles are never reused, so a worker may keep one after its window is gone:
// messages to a dead handle are dropped.
using WindowHandle = std::uint64_t;

constexpr unsigned kWmUser = 0x0400;

struct Message {
    unsigned id = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    std::any data;  // owned payload in place of a pointer in lParam (texts, coordinates)
};

class EventLoop;

// A window object. Registers with its loop on construction; destroying it (on the UI
// thread) drops its pending messages and kills its timers.
class MessageTarget {
  public:
    explicit MessageTarget(EventLoop& loop);
    virtual ~MessageTarget();
    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;

    WindowHandle handle() const { return handle_; }
    EventLoop& loop() const { return loop_; }

    virtual std::int64_t onMessage(const Message& m) {
        (void)m;
        return 0;
    }
    virtual void onTimer(int timerId) { (void)timerId; }

  private:
    EventLoop& loop_;
    WindowHandle handle_;
};

// One nested loop of EventLoop::runModal. end() may be called from any thread.
class ModalLoop {
  public:
    explicit ModalLoop(EventLoop& loop) : loop_(loop) {}
    void end(int result);
    bool ended() const { return ended_.load(); }
    int result() const { return result_.load(); }

  private:
    EventLoop& loop_;
    std::atomic<bool> ended_{false};
    std::atomic<int> result_{0};
};

class EventLoop {
  public:
    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // Thread-safe. Messages are delivered in the order they were posted (per posting thread).
    void post(WindowHandle to, Message m);
    void post(WindowHandle to, unsigned id, std::uint64_t wParam = 0, std::int64_t lParam = 0);
    void postTask(std::function<void()> task);

    // UI thread only: calls the target at once; 0 when the handle is dead.
    std::int64_t send(WindowHandle to, const Message& m);

    // UI thread only. Setting a running timer again changes its period (the next tick
    // comes one new period from now); kill stops it. Timers are per (window, id).
    void setTimer(WindowHandle w, int timerId, int periodMs);
    void killTimer(WindowHandle w, int timerId);
    bool hasTimer(WindowHandle w, int timerId) const;
    int timerPeriod(WindowHandle w, int timerId) const;  // 0 when not running

    // Runs until quit(); returns the quit code. Runs on the calling thread, which then is
    // the UI thread.
    int run();
    // Thread-safe. Ends run() and every nested modal loop.
    void quit(int code = 0);
    bool quitting() const { return quit_.load(); }

    // Nested loop until m ends (or the loop quits); returns m's result (-1 on quit).
    int runModal(ModalLoop& m);
    int modalDepth() const { return modalDepth_; }

    // Handles ready work without blocking; for tests and for callers that must not sleep.
    // Returns the number of handlers run.
    std::size_t poll();
    // Runs handlers for up to ms milliseconds (tests).
    void runFor(int ms);

    // Called after every handler the loop runs: the page engine sends its batch there.
    void addTurnHook(std::function<void()> hook);
    // A handler that throws ends its own turn, not the program: the text goes here
    // (standard error unless set) and the loop goes on. Pages end their expected failures
    // themselves; this is for the unexpected ones.
    void setUnexpectedErrorHandler(std::function<void(const std::string& what)> handler);

    // True on the thread currently running the loop.
    bool onLoopThread() const;

    boost::asio::io_context& io();

  private:
    friend class MessageTarget;
    friend class ModalLoop;
    struct Timer;
    WindowHandle attach(MessageTarget* t);
    void detach(MessageTarget* t);
    void deliver(WindowHandle to, const Message& m);
    void arm(const std::shared_ptr<Timer>& timer);
    void afterTurn();
    void wake();

    std::unique_ptr<boost::asio::io_context> io_;
    std::unique_ptr<void, void (*)(void*)> work_;
    std::atomic<std::uint64_t> nextHandle_{1};
    std::unordered_map<WindowHandle, MessageTarget*> targets_;
    std::map<std::pair<WindowHandle, int>, std::shared_ptr<Timer>> timers_;
    std::vector<std::function<void()>> turnHooks_;
    std::function<void(const std::string&)> unexpected_;
    void runOne();
    std::atomic<bool> quit_{false};
    std::atomic<int> quitCode_{0};
    int modalDepth_ = 0;
    std::atomic<std::uint64_t> loopThread_{0};
};

}  // namespace dorvath
