#include "ui/download_dialog.h"

#include <system_error>
#include <thread>

#include "data/c_format.h"
#include "ui/messages.h"

namespace dorvath {

DownloadDialog::DownloadDialog(HtmlEngine& engine, EventLoop& loop, std::string text, Worker worker,
                               std::stop_source stop)
    : CHtmlMsgDlg(engine, loop, kMessagePageProgress, std::move(text)),
      worker_(std::move(worker)),
      stop_(std::move(stop)) {}

void DownloadDialog::onReady() {
    engine().setText(frame(), Id("MsgText"), text1());
    if (!worker_) {
        end(0);
        return;
    }
    try {
        std::thread(worker_, handle()).detach();
        started_ = true;
    } catch (const std::system_error&) {
        // No thread, so nobody would ever end the dialog.
        end(0);
    }
}

void DownloadDialog::setText(const std::string& utf8) {
    engine().setText(frame(), Id("MsgText"), utf8);
}

bool DownloadDialog::onButtonClick(const ClickEvent& e) {
    if (e.id != "cancel") return false;
    // Asked once; the greyed button shows that the stop is on its way.
    if (stop_.request_stop()) engine().setState(frame(), Id("cancel"), kStateDisabled, 0);
    return true;
}

void DownloadDialog::showMeter(const DownloadMeter& m) {
    const double share = m.records > 0 ? static_cast<double>(m.read) / m.records : 0;
    engine().setStyle(frame(), Id("dlbar"), "width", CFormat("%.1f%%", share * 100));
    engine().setText(frame(), Id("dlcount"), CFormat("%u/%u", m.logsDone, m.logs));
}

std::int64_t DownloadDialog::onMessage(const Message& m) {
    if (m.id == WM_DOWNLOAD_END) {
        end(static_cast<int>(m.wParam));
        return 0;
    }
    if (m.id == WM_DOWNLOAD_METER) {
        if (auto* meter = std::any_cast<DownloadMeter>(&m.data)) showMeter(*meter);
        return 0;
    }
    return CHtmlMsgDlg::onMessage(m);
}

void PostDownloadProgress(EventLoop& loop, WindowHandle page, std::string text) {
    Message m;
    m.id = WM_DOWNLOAD_PROGRESS;
    m.data = std::move(text);
    loop.post(page, std::move(m));
}

void PostDownloadMeter(EventLoop& loop, WindowHandle page, const DownloadMeter& meter) {
    Message m;
    m.id = WM_DOWNLOAD_METER;
    m.data = meter;
    loop.post(page, std::move(m));
}

void PostDownloadEnd(EventLoop& loop, WindowHandle page, int result) {
    loop.post(page, WM_DOWNLOAD_END, static_cast<std::uint64_t>(result));
}

}  // namespace dorvath
