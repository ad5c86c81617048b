// `dorvath download`: copies the watch's new logs into velcan.db, printing each progress
// text on its own line. Ctrl+C stops it like the dialog's "キャンセル": the runs stored
// so far stay, and it exits with 130.
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <stop_token>
#include <system_error>
#include <thread>

#include "app/commands.h"
#include "app/device/watch_cli.h"
#include "data/track_database.h"
#include "device/log_download.h"
#include "device/watch_finder.h"

namespace dorvath {
namespace {

constexpr int kInterruptedStatus = 128 + SIGINT;

// The self-pipe of Ctrl+C: the handler writes 1 to it, which is all it may safely do.
// Made once and never closed, so a handler still running in another thread never
// writes to a descriptor that was closed and reused meanwhile.
int g_interruptPipe[2] = {-1, -1};
volatile sig_atomic_t g_interruptWrite = -1;

extern "C" void OnInterrupt(int) {
    const int saved = errno;
    const char one = 1;
    if (g_interruptWrite >= 0) (void)!write(g_interruptWrite, &one, 1);
    errno = saved;
}

// While it lives, the first Ctrl+C requests a stop on `stop`: a small thread reads the
// self-pipe and asks. SIGINT is blocked in the calling thread (and in the threads it
// starts) so that no transfer of the download is cut short by the signal. The handler
// is reset on its first use: a second Ctrl+C ends the program at once.
class CtrlCStops {
  public:
    explicit CtrlCStops(std::stop_source stop) {
        // Started with SIGINT ignored (in the background of a script): it stays so.
        struct sigaction current {};
        if (sigaction(SIGINT, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) return;
        if (g_interruptPipe[0] < 0 && pipe2(g_interruptPipe, O_CLOEXEC) != 0) return;
        const int flags = fcntl(g_interruptPipe[1], F_GETFL);
        fcntl(g_interruptPipe[1], F_SETFL, flags | O_NONBLOCK);  // a handler never waits
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        if (pthread_sigmask(SIG_BLOCK, &set, &oldMask_) != 0) return;
        blocked_ = true;
        try {
            thread_ = std::thread([stop]() mutable { watch(stop); });
        } catch (const std::system_error&) {
            // Without the thread Ctrl+C ends the program, as it did before it could stop.
            pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
            blocked_ = false;
            return;
        }
        g_interruptWrite = g_interruptPipe[1];
        struct sigaction sa {};
        sa.sa_handler = OnInterrupt;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESETHAND | SA_RESTART;
        installed_ = sigaction(SIGINT, &sa, &oldAction_) == 0;
    }
    ~CtrlCStops() {
        if (installed_) sigaction(SIGINT, &oldAction_, nullptr);
        g_interruptWrite = -1;
        if (thread_.joinable()) {
            const char done = 0;
            while (write(g_interruptPipe[1], &done, 1) < 0 && errno == EINTR) {
            }
            thread_.join();
        }
        if (blocked_) pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
    }
    CtrlCStops(const CtrlCStops&) = delete;
    CtrlCStops& operator=(const CtrlCStops&) = delete;

  private:
    static void watch(std::stop_source& stop) {
        // The signal may come to this thread, rather than to one that is moving reports.
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        for (;;) {
            char byte = 0;
            const ssize_t n = read(g_interruptPipe[0], &byte, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 || byte == 0) return;
            stop.request_stop();
        }
    }

    sigset_t oldMask_{};
    struct sigaction oldAction_ {};
    bool blocked_ = false;
    bool installed_ = false;
    std::thread thread_;
};

}  // namespace

int DownloadCommand(Program& program, const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: dorvath download\n");
        return 2;
    }
    StartLogic(program);
    std::string path = program.watches.findPath();
    if (path.empty()) {
        std::fprintf(stderr, "%s\n", program.watches.notOpenedMessage().c_str());
        return 2;
    }
    std::stop_source stop;
    CtrlCStops ctrlC(stop);
    DownloadOutcome out = RunDownload(
        program.watches, path, program.db,
        [](std::string text) {
            std::printf("%s\n", text.c_str());
            std::fflush(stdout);
        },
        stop.get_token());
    if (!out) std::fprintf(stderr, "%s\n", out.reason.c_str());
    const bool cancelled = out.result == kDownloadCancelled;
    std::printf("stored %d, skipped %d%s\n", out.stats.stored, out.stats.skipped,
                cancelled ? ", cancelled" : "");
    std::fflush(stdout);
    if (cancelled) return kInterruptedStatus;
    return out.result == kDownloadComplete ? 0 : 1;
}

}  // namespace dorvath
