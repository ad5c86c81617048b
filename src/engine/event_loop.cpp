#include "engine/event_loop.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace dorvath {
namespace {

using WorkGuard = boost::asio::executor_work_guard<boost::asio::io_context::executor_type>;

std::uint64_t ThisThreadId() {
    return static_cast<std::uint64_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
}

// Marks the calling thread as the loop's for the duration of a run call.
struct LoopThreadScope {
    std::atomic<std::uint64_t>& slot;
    std::uint64_t previous;
    explicit LoopThreadScope(std::atomic<std::uint64_t>& s)
        : slot(s), previous(s.exchange(ThisThreadId())) {}
    ~LoopThreadScope() { slot.store(previous); }
};

}  // namespace

struct EventLoop::Timer {
    explicit Timer(boost::asio::io_context& io) : timer(io) {}
    boost::asio::steady_timer timer;
    WindowHandle window = 0;
    int id = 0;
    int periodMs = 0;
    std::uint64_t generation = 0;
};

MessageTarget::MessageTarget(EventLoop& loop) : loop_(loop), handle_(loop.attach(this)) {}

MessageTarget::~MessageTarget() { loop_.detach(this); }

void ModalLoop::end(int result) {
    result_.store(result);
    ended_.store(true);
    loop_.wake();
}

EventLoop::EventLoop()
    // The default concurrency hint keeps every post in the shared queue, so a nested
    // modal loop sees what its caller posted just before entering it.
    : io_(std::make_unique<boost::asio::io_context>()),
      work_(new WorkGuard(io_->get_executor()),
            [](void* p) { delete static_cast<WorkGuard*>(p); }) {}

EventLoop::~EventLoop() {
    for (auto& [key, t] : timers_) t->timer.cancel();
    timers_.clear();
    work_.reset();
}

boost::asio::io_context& EventLoop::io() { return *io_; }

WindowHandle EventLoop::attach(MessageTarget* t) {
    WindowHandle h = nextHandle_.fetch_add(1);
    targets_[h] = t;
    return h;
}

void EventLoop::detach(MessageTarget* t) {
    targets_.erase(t->handle());
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (it->first.first == t->handle()) {
            it->second->timer.cancel();
            it = timers_.erase(it);
        } else {
            ++it;
        }
    }
}

void EventLoop::post(WindowHandle to, Message m) {
    boost::asio::post(*io_, [this, to, m = std::move(m)] {
        deliver(to, m);
        afterTurn();
    });
}

void EventLoop::post(WindowHandle to, unsigned id, std::uint64_t wParam, std::int64_t lParam) {
    Message m;
    m.id = id;
    m.wParam = wParam;
    m.lParam = lParam;
    post(to, std::move(m));
}

void EventLoop::postTask(std::function<void()> task) {
    boost::asio::post(*io_, [this, task = std::move(task)] {
        task();
        afterTurn();
    });
}

std::int64_t EventLoop::send(WindowHandle to, const Message& m) {
    auto it = targets_.find(to);
    return it == targets_.end() ? 0 : it->second->onMessage(m);
}

void EventLoop::deliver(WindowHandle to, const Message& m) {
    auto it = targets_.find(to);
    if (it != targets_.end()) it->second->onMessage(m);
}

void EventLoop::setTimer(WindowHandle w, int timerId, int periodMs) {
    if (periodMs < 1) periodMs = 1;
    auto& slot = timers_[{w, timerId}];
    if (!slot) {
        slot = std::make_shared<Timer>(*io_);
        slot->window = w;
        slot->id = timerId;
    }
    slot->periodMs = periodMs;
    ++slot->generation;
    slot->timer.cancel();
    arm(slot);
}

void EventLoop::arm(const std::shared_ptr<Timer>& timer) {
    timer->timer.expires_after(std::chrono::milliseconds(timer->periodMs));
    std::weak_ptr<Timer> weak = timer;
    std::uint64_t gen = timer->generation;
    timer->timer.async_wait([this, weak, gen](const boost::system::error_code& ec) {
        auto t = weak.lock();
        if (ec || !t || t->generation != gen) return;
        auto it = timers_.find({t->window, t->id});
        if (it == timers_.end() || it->second != t) return;
        arm(t);  // next tick one period on, unless the handler sets or kills it
        auto target = targets_.find(t->window);
        if (target != targets_.end()) target->second->onTimer(t->id);
        afterTurn();
    });
}

void EventLoop::killTimer(WindowHandle w, int timerId) {
    auto it = timers_.find({w, timerId});
    if (it == timers_.end()) return;
    ++it->second->generation;
    it->second->timer.cancel();
    timers_.erase(it);
}

bool EventLoop::hasTimer(WindowHandle w, int timerId) const {
    return timers_.count({w, timerId}) != 0;
}

int EventLoop::timerPeriod(WindowHandle w, int timerId) const {
    auto it = timers_.find({w, timerId});
    return it == timers_.end() ? 0 : it->second->periodMs;
}

int EventLoop::run() {
    LoopThreadScope scope(loopThread_);
    while (!quit_.load()) runOne();
    return quitCode_.load();
}

void EventLoop::quit(int code) {
    quitCode_.store(code);
    quit_.store(true);
    wake();
}

void EventLoop::wake() {
    boost::asio::post(*io_, [] {});
}

int EventLoop::runModal(ModalLoop& m) {
    LoopThreadScope scope(loopThread_);
    ++modalDepth_;
    afterTurn();  // what the caller set up (the dialog itself) goes out before we wait
    while (!m.ended() && !quit_.load()) runOne();
    --modalDepth_;
    return m.ended() ? m.result() : -1;
}

std::size_t EventLoop::poll() {
    LoopThreadScope scope(loopThread_);
    return io_->poll();
}

void EventLoop::runFor(int ms) {
    LoopThreadScope scope(loopThread_);
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!quit_.load() && std::chrono::steady_clock::now() < until) io_->run_one_until(until);
}

void EventLoop::addTurnHook(std::function<void()> hook) { turnHooks_.push_back(std::move(hook)); }

void EventLoop::setUnexpectedErrorHandler(std::function<void(const std::string&)> handler) {
    unexpected_ = std::move(handler);
}

void EventLoop::runOne() {
    try {
        io_->run_one();
    } catch (const std::exception& e) {
        // Asio lets the loop run on after a handler threw; what the handler batched still
        // goes out.
        if (unexpected_)
            unexpected_(e.what());
        else
            std::fprintf(stderr, "dorvath: unexpected error: %s\n", e.what());
        afterTurn();
    }
}

void EventLoop::afterTurn() {
    for (auto& h : turnHooks_) h();
}

bool EventLoop::onLoopThread() const { return loopThread_.load() == ThisThreadId(); }

}  // namespace dorvath
