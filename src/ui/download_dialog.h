#pragma once
// The download dialog (page 210): one progress line, a bar of the current log's records
// with the count of logs done ("3/8"), and the button "キャンセル". Once open it starts
// the worker on a detached thread; the worker's texts, its meter and its end arrive as
// messages posted to the dialog, so they are shown in order and the last before the end
// (a stopped or failed download leaves the bar where it stopped). The button only asks
// the worker to stop: the worker still ends the dialog.
#include <functional>
#include <stop_token>
#include <string>

#include "device/log_download.h"
#include "ui/message_dialog.h"

namespace dorvath {

inline constexpr const char* kDownloadText = "Download data to your pc...";

class DownloadDialog : public CHtmlMsgDlg {
  public:
    // Runs on the worker thread with the dialog's handle, which is where it posts its
    // progress (PostDownloadProgress) and its end (PostDownloadEnd).
    using Worker = std::function<void(WindowHandle page)>;

    // "キャンセル" requests a stop on `stop`, which the worker is to watch.
    DownloadDialog(HtmlEngine& engine, EventLoop& loop, std::string text, Worker worker,
                   std::stop_source stop = {});

    // True once the worker's thread was started; it then always posts its end.
    bool workerStarted() const { return started_; }

    bool onButtonClick(const ClickEvent& e) override;
    std::int64_t onMessage(const Message& m) override;

  protected:
    void onReady() override;
    void setText(const std::string& utf8) override;

  private:
    void showMeter(const DownloadMeter& m);

    Worker worker_;
    std::stop_source stop_;
    bool started_ = false;
};

// Any thread: each text travels as its own copy, so the worker may go on rewriting its
// own while the message waits in the queue.
void PostDownloadProgress(EventLoop& loop, WindowHandle page, std::string text);
// Any thread: how far the download is, for the dialog's bar.
void PostDownloadMeter(EventLoop& loop, WindowHandle page, const DownloadMeter& meter);
// Any thread: ends the dialog with `result` after the texts posted before it.
void PostDownloadEnd(EventLoop& loop, WindowHandle page, int result);

}  // namespace dorvath
