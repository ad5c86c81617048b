#include "ui/main_wnd.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <stop_token>
#include <string>

#include "data/track_database.h"
#include "device/log_deletion.h"
#include "device/log_download.h"
#include "device/watch_finder.h"
#include "ui/busy_flag.h"
#include "ui/download_dialog.h"
#include "ui/failed_operation.h"
#include "ui/file_dialog.h"
#include "ui/list_page_wnd.h"
#include "ui/message_dialog.h"
#include "ui/messages.h"
#include "ui/records_page_wnd.h"
#include "ui/settings_page_wnd.h"

namespace dorvath {

// What OnDownload shares with its worker. The worker stops at its next step when the
// dialog's "キャンセル" is pressed, or when the program quits under the dialog: then
// OnDownload waits for it, so no thread is left writing to the database as it closes.
struct CMainWnd::DownloadJob {
    explicit DownloadJob(std::string p) : path(std::move(p)) {}

    void finish() {
        std::lock_guard<std::mutex> lock(m);
        finished = true;
        cv.notify_all();
    }
    void stopAndWait() {
        stop.request_stop();
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [this] { return finished; });
    }

    const std::string path;
    std::stop_source stop;
    std::string failure;  // written by the worker before finish()
    std::mutex m;
    std::condition_variable cv;
    bool finished = false;
};

namespace {

// The worker talks to the watch against its time-outs; it asks for a little more of the
// processor than the UI thread. Without the right to raise it, it runs as it is.
void RaiseThreadPriority() {
    const id_t tid = static_cast<id_t>(gettid());
    errno = 0;
    int nice = getpriority(PRIO_PROCESS, tid);
    if (errno == 0) (void)setpriority(PRIO_PROCESS, tid, nice - 2);
}

}  // namespace

CMainWnd::CMainWnd(EventLoop& loop, const PagesContext& pages)
    : MessageTarget(loop),
      engine_(pages.engine),
      host_(pages.host),
      db_(pages.db),
      state_(pages.state),
      watches_(pages.watches),
      sink_(pages.engine, loop) {}

CMainWnd::~CMainWnd() { engine_.events().detach(kFrame, this); }

void CMainWnd::create() {
    engine_.loadPage(kFrame, "202");
    engine_.events().attach(kFrame, this);
    list_ = std::make_unique<CListPageWnd>(loop(), engine_, handle(), db_, state_);
    list_->mapServiceAddress = host_.mapServiceAddress();
    list_->create();
    listPageWnd_ = list_->handle();
    settings_ = std::make_unique<CSettingsPageWnd>(loop(), engine_, state_, watches_);
    settings_->create();
    records_ = std::make_unique<CRecordsPageWnd>(loop(), engine_, db_, state_.settings);
    records_->create();
    records_->showDay = [this](double day) {
        switchTab(1);
        list_->showDay(day);
    };
    records_->openRun = [this](const Track& run, int sindex) {
        switchTab(1);
        list_->showDay(RunDay(run.stime));
        if (list_->openStoredRun(run.objid)) list_->showPoint(sindex);
    };
    // Runs stored before the best efforts were kept get theirs once the pages are up.
    loop().postTask([this] { fillMissingBests(); });
    auto choose = [this](const FileDialogSpec& spec) {
        return ShowFileDialog(host_, engine_, loop(), spec);
    };
    list_->chooseFile = choose;
    settings_->chooseFile = choose;
}

namespace {
// The ids of tab n: its plain and selected pictures and its page are "tab" + suffix,
// "tab" + suffix + "-s" and "framepage" + suffix. The records tab, beside the two tabs of
// the pages, is "tabrec".
std::string TabSuffix(int n) { return n == CMainWnd::kRecordsTab ? "rec" : std::to_string(n); }
}  // namespace

void CMainWnd::switchTab(int n) {
    if (n == tab_ || n < 1 || n > kRecordsTab) return;
    if (n == kRecordsTab) records_->refresh();  // the runs may have changed since it was shown
    const std::string c = TabSuffix(tab_), next = TabSuffix(n);
    engine_.setStyle(kFrame, Id("tab" + c + "-s"), "display", "none");
    engine_.setStyle(kFrame, Id("tab" + c), "display", "block");
    engine_.setStyle(kFrame, Id("framepage" + c), "display", "none");
    tab_ = n;
    engine_.setStyle(kFrame, Id("tab" + next + "-s"), "display", "block");
    engine_.setStyle(kFrame, Id("tab" + next), "display", "none");
    engine_.setStyle(kFrame, Id("framepage" + next), "display", "block");
}

void CMainWnd::fillMissingBests() {
    // Never under a device dialog: the download's worker owns the database meanwhile.
    // The dialog's end asks again.
    bestsPending_ = deviceBusy_;
    if (!bestsPending_) records_->fillMissingBests();
}

void CMainWnd::OnDownload() {
    if (deviceBusy_) return;
    runDeviceOperation([this] { download(); });
}

void CMainWnd::runDeviceOperation(const std::function<void()>& operation) {
    {
        BusyFlag busy(deviceBusy_);
        operation();
    }
    if (bestsPending_) loop().postTask([this] { fillMissingBests(); });
}

void CMainWnd::download() {
    watchPath_ = watches_.findPath();
    if (watchPath_.empty()) {
        sink_.watchNotOpened(watches_.notOpenedMessage());
        return;
    }
    try {
        // The worker's first run would make them, under the list page's reads meanwhile.
        db_.createSideTables();
    } catch (const CppSQLite3Exception& e) {
        EndFailedOperation(engine_, loop(), FailedOperation::Database, DatabaseErrorText(e));
        return;
    }
    job_ = std::make_shared<DownloadJob>(watchPath_);
    {
        DownloadDialog dlg(
            engine_, loop(), kDownloadText, [this](WindowHandle page) { DownloadWorker(page); },
            job_->stop);
        dlg.run();  // the result is not used
        if (dlg.workerStarted()) job_->stopAndWait();
    }
    const std::string failure = job_->failure;
    job_.reset();
    if (!failure.empty()) EndFailedOperation(engine_, loop(), FailedOperation::Download, failure);
    Message done;
    done.id = WM_DOWNLOAD_DONE;
    loop().send(listPageWnd_, done);
}

void CMainWnd::DownloadWorker(WindowHandle page) {
    // job_ was set before this thread started and stays until finish() below.
    std::shared_ptr<DownloadJob> job = job_;
    RaiseThreadPriority();
    DownloadOutcome out = RunDownload(
        watches_, job->path, db_,
        [&](std::string text) { PostDownloadProgress(loop(), page, std::move(text)); },
        job->stop.get_token(),
        [&](const DownloadMeter& meter) { PostDownloadMeter(loop(), page, meter); });
    if (!out) job->failure = "download: " + out.reason;  // told once the dialog is down
    PostDownloadEnd(loop(), page, out.result);
    job->finish();  // the last use of this window's members
}

void CMainWnd::OnDeleteLogs() {
    if (deviceBusy_) return;
    runDeviceOperation([this] { deleteLogs(); });
}

void CMainWnd::deleteLogs() {
    if (ShowMessageDialog(engine_, loop(), kMessagePageYesNo, kDeleteLogsQuestion) != 1) return;
    const Result<> r = DeleteWatchLogs(watches_, sink_);
    if (!r) EndFailedOperation(engine_, loop(), FailedOperation::Watch, r.reason);
}

bool CMainWnd::onButtonClick(const ClickEvent& e) {
    if (e.id == "download") {
        OnDownload();
    } else if (e.id == "dellog") {
        OnDeleteLogs();
    } else if (e.id == "help") {
        host_.openShippedFile("help/index.html");
    } else {
        return false;
    }
    return true;
}

void CMainWnd::onPageCommand(const CommandEvent& e) {
    if (e.id == "tab1") switchTab(1);
    if (e.id == "tab2") switchTab(2);
    if (e.id == "tabrec") switchTab(kRecordsTab);
}

}  // namespace dorvath
