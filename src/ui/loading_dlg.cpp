#include "ui/loading_dlg.h"

#include <chrono>

namespace dorvath {

const char* LoadingPicture::text(int frame) {
    static constexpr const char* kTexts[4] = {"Loading", "Loading.", "Loading..", "Loading..."};
    return kTexts[((frame % 4) + 4) % 4];
}

Canvas LoadingPicture::paint(int frame) const {
    Canvas c(kWidth, kHeight);
    c.bitmap(Rect{0, 0, kWidth, kHeight}, kBitmap);
    TextStyle style;
    style.align = Align::Left;
    style.valign = VAlign::Middle;
    style.size = 13;
    style.bold = true;
    c.text(kTextBox, text(frame), kTextColor, style);
    if (total_ > 0) {
        const int done = done_ < 0 ? 0 : done_ > total_ ? total_ : done_;
        const int radius = kBar.height() / 2;
        c.roundRect(kBar, radius, Rgb(232, 238, 248), kTextColor, 1);
        const int filled = static_cast<int>(static_cast<long long>(kBar.width()) * done / total_);
        if (filled > 0)
            c.roundRect(Rect{kBar.left, kBar.top, kBar.left + filled, kBar.bottom}, radius,
                        kTextColor);
        TextStyle count = style;
        count.align = Align::Right;
        c.text(kCountBox, std::to_string(done) + "/" + std::to_string(total_), kTextColor, count);
    }
    return c;
}

Canvas LoadingPicture::draw() {
    Canvas c = paint(frame_);
    frame_ = (frame_ + 1) % 4;
    return c;
}

Canvas LoadingPicture::redraw() const { return paint((frame_ + 3) % 4); }

void LoadingPicture::setProgress(int done, int total) {
    done_ = done;
    total_ = total < 0 ? 0 : total;
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
    engine_.input().enablePage(cover_, false);
    engine_.flush();
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
        done_ = total_ = 0;
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
    if (options_.onEnd) options_.onEnd();
    thread_.join();
    engine_.input().enablePage(cover_, true);
    engine_.flush();
}

void CLoadingDlg::setProgress(int done, int total) {
    {
        std::lock_guard lock(mutex_);
        done_ = done;
        total_ = total;
    }
    wake_.notify_all();
}

void CLoadingDlg::threadMain() {
    if (options_.onThreadStart) options_.onThreadStart();
    started_ = true;

    std::unique_lock lock(mutex_);
    // Ended before this thread got going: show nothing rather than a dialog nobody closes.
    if (stop_) return;
    dialog_ = engine_.openDialog("206");
    // The progress comes from the UI thread through done_ / total_ under mutex_; a change
    // wakes this thread, which draws it at once without moving the text cycle on.
    LoadingPicture picture;
    int shownDone = done_, shownTotal = total_;
    picture.setProgress(shownDone, shownTotal);
    engine_.widgets().paint(dialog_, kControl, picture.draw());
    engine_.flush();
    const auto period = std::chrono::milliseconds(options_.periodMs);
    auto next = std::chrono::steady_clock::now() + period;
    for (;;) {
        const bool woken = wake_.wait_until(
            lock, next, [&] { return stop_ || done_ != shownDone || total_ != shownTotal; });
        const bool moved = done_ != shownDone || total_ != shownTotal;
        // The last figure is shown even when the end came right behind it.
        if (stop_ && !moved) break;
        shownDone = done_;
        shownTotal = total_;
        picture.setProgress(shownDone, shownTotal);
        if (woken) {
            engine_.widgets().paint(dialog_, kControl, picture.redraw());
        } else {
            engine_.widgets().paint(dialog_, kControl, picture.draw());
            next = std::chrono::steady_clock::now() + period;
        }
        engine_.flush();
        if (stop_) break;
    }
    engine_.closeDialog(dialog_);
    engine_.flush();
    dialog_.clear();
}

}  // namespace dorvath
