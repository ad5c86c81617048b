#include "ui/loading_dlg.h"

#include <chrono>

namespace dorvath {

const char* LoadingPicture::text(int frame) {
    static constexpr const char* kTexts[4] = {"Loading", "Loading.", "Loading..", "Loading..."};
    return kTexts[((frame % 4) + 4) % 4];
}

Canvas LoadingPicture::draw() {
    Canvas c(kWidth, kHeight);
    c.bitmap(Rect{0, 0, kWidth, kHeight}, kBitmap);
    TextStyle style;
    style.align = Align::Left;
    style.valign = VAlign::Middle;
    style.size = 13;
    style.bold = true;
    c.text(kTextBox, text(frame_), kTextColor, style);
    frame_ = (frame_ + 1) % 4;
    return c;
}

CLoadingDlg::CLoadingDlg(HtmlEngine& engine, LoadingDlgOptions options)
    : engine_(engine), options_(std::move(options)) {
    if (!options_.sleep)
        options_.sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
}

CLoadingDlg::~CLoadingDlg() {
    if (active()) end();
}

FramePath CLoadingDlg::dialogFrame() const {
    std::lock_guard lock(mutex_);
    return dialog_;
}

void CLoadingDlg::start(const FramePath& cover) {
    if (active()) end();
    cover_ = cover;
    engine_.enablePage(cover_, false);
    engine_.flush();
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
    }
    started_ = false;
    thread_ = std::thread([this] { threadMain(); });
    waitSteps_ = 0;
    while (!started_.load() && waitSteps_ < options_.startSteps) {
        options_.sleep(options_.startStepMs);
        ++waitSteps_;
    }
}

void CLoadingDlg::end() {
    if (!active()) return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    engine_.enablePage(cover_, true);
    engine_.flush();
}

void CLoadingDlg::threadMain() {
    if (options_.onThreadStart) options_.onThreadStart();
    started_ = true;

    std::unique_lock lock(mutex_);
    // Ended before this thread got going: show nothing rather than a dialog nobody closes.
    if (stop_) return;
    dialog_ = engine_.openDialog("206");
    LoadingPicture picture;
    engine_.paint(dialog_, kControl, picture.draw());
    engine_.flush();
    const auto period = std::chrono::milliseconds(options_.periodMs);
    while (!stop_) {
        if (wake_.wait_for(lock, period, [this] { return stop_; })) break;
        engine_.paint(dialog_, kControl, picture.draw());
        engine_.flush();
    }
    engine_.closeDialog(dialog_);
    engine_.flush();
    dialog_.clear();
}

}  // namespace dorvath
