#pragma once
// The function page 202: the tabs that switch between the list page, the settings page
// and the records page, and the buttons for download, erasing the watch's logs and help.
#include <functional>
#include <memory>
#include <string>

#include "device/watch_finder.h"
#include "engine/event_loop.h"
#include "engine/html_engine.h"
#include "ui/device_message_sink.h"
#include "ui/frame_host.h"
#include "ui/pages_context.h"

namespace dorvath {

class CListPageWnd;
class CRecordsPageWnd;
class CSettingsPageWnd;

inline constexpr const char* kDeleteLogsQuestion = "この履歴を消しても宜しいでしょうか？";

class CMainWnd : public MessageTarget, public PageHandler {
  public:
    static constexpr const char* kFrame = "main";

    CMainWnd(EventLoop& loop, const PagesContext& pages);
    ~CMainWnd() override;

    void create();

    // 1 the list page, 2 the settings page, 3 the records page.
    int currentTab() const { return tab_; }
    void switchTab(int n);
    static constexpr int kRecordsTab = 3;
    CListPageWnd* listPage() const { return list_.get(); }
    CSettingsPageWnd* settingsPage() const { return settings_.get(); }
    CRecordsPageWnd* recordsPage() const { return records_.get(); }

    // "download": looks for the watch and runs the download dialog until its worker has
    // ended it; then the list page is told (WM_DOWNLOAD_DONE). Without a watch only the
    // connection message.
    void OnDownload();
    // "dellog": after a yes, erases every log on the watch; the stored runs stay.
    void OnDeleteLogs();
    // The download worker's body, on its own thread: copies the watch's new logs into
    // the database and ends the dialog at `page` with the result. It touches nothing of
    // the pages; its texts and its end are posted.
    void DownloadWorker(WindowHandle page);

    // The path found by the last "download".
    const std::string& watchPath() const { return watchPath_; }
    // Who gets WM_DOWNLOAD_DONE: the list page, unless a test listens instead.
    WindowHandle listPageWindow() const { return listPageWnd_; }
    void setListPageWindow(WindowHandle w) { listPageWnd_ = w; }

    bool onButtonClick(const ClickEvent& e) override;
    void onPageCommand(const CommandEvent& e) override;

  private:
    struct DownloadJob;
    // Runs a device handler with the device busy; what waited for it runs after.
    void runDeviceOperation(const std::function<void()>& operation);
    void download();
    void deleteLogs();
    void fillMissingBests();

    HtmlEngine& engine_;
    FrameHost& host_;
    TrackDatabase& db_;
    AppState& state_;
    WatchFinder& watches_;
    DialogMessageSink sink_;
    int tab_ = 1;
    std::unique_ptr<CListPageWnd> list_;
    std::unique_ptr<CSettingsPageWnd> settings_;
    std::unique_ptr<CRecordsPageWnd> records_;
    WindowHandle listPageWnd_ = 0;
    std::string watchPath_;
    // The download in progress: set by OnDownload before its worker starts, cleared
    // once that worker is done (OnDownload does not return before).
    std::shared_ptr<DownloadJob> job_;
    // A device handler is running (its dialog is up): a second press waits its turn.
    bool deviceBusy_ = false;
    bool bestsPending_ = false;  // the best efforts of older runs wait for the device
};

}  // namespace dorvath
