#pragma once
// The loading dialog: the "Loading" picture (page 206) animated from a thread of its own
// while the user-interface thread loads a run or talks to the watch and does not turn
// its loop.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "engine/canvas.h"
#include "engine/html_engine.h"

namespace dorvath {

// The picture and its text cycle. Every draw shows the current text and moves on to the
// next: "Loading", "Loading.", "Loading..", "Loading...", then again. With a progress
// set (the firmware update) the picture's bar fills with the share done and the count
// "done/total" stands at the right of the text.
class LoadingPicture {
  public:
    static constexpr int kWidth = 240;
    static constexpr int kHeight = 76;
    static constexpr const char* kBitmap = "images/207.png";
    static constexpr Rect kTextBox{64, 40, 240, 60};
    static constexpr Color kTextColor = Rgb(17, 68, 158);
    static constexpr Rect kBar{64, 18, 226, 30};  // the bar of the bitmap
    static constexpr Rect kCountBox{64, 40, 226, 60};

    Canvas draw();
    // The text last drawn again, with the current progress (the cycle does not move).
    Canvas redraw() const;
    int frame() const { return frame_; }  // the text the next draw shows, 0 to 3
    static const char* text(int frame);

    // total 0: no progress shown.
    void setProgress(int done, int total);

  private:
    Canvas paint(int frame) const;

    int frame_ = 0;
    int done_ = 0, total_ = 0;
};

struct LoadingDlgOptions {
    int startStepMs = 50;  // start() polls the started flag this often ...
    int startSteps = 100;  // ... at most this many times (5 s), then goes on anyway
    int periodMs = 500;    // the text changes this often
    // How start() waits one step (tests count the steps instead of sleeping).
    std::function<void(int ms)> sleep;
    // Runs first on the dialog thread (tests hold the thread back with it).
    std::function<void()> onThreadStart;
    std::function<void()> onEnd;  // end() has asked the thread to stop (tests)
};

class CLoadingDlg {
  public:
    static constexpr int kControl = 100;  // the static of page 206 the picture is painted in

    explicit CLoadingDlg(HtmlEngine& engine, LoadingDlgOptions options = {});
    ~CLoadingDlg();  // ends a dialog still up
    CLoadingDlg(const CLoadingDlg&) = delete;
    CLoadingDlg& operator=(const CLoadingDlg&) = delete;

    // UI thread: disables the page `cover`, starts the dialog thread and waits (bounded)
    // until it runs. The caller then does its work and calls end().
    void start(const FramePath& cover);
    // UI thread: stops the animation, closes the dialog and enables `cover` again.
    void end();
    // UI thread: how far the work is (done of total); the dialog thread draws it at once.
    // start() clears it.
    void setProgress(int done, int total);

    bool started() const { return started_.load(); }  // the dialog thread is running
    bool active() const { return thread_.joinable(); }
    int waitSteps() const { return waitSteps_; }  // steps the last start() waited
    FramePath dialogFrame() const;                // "" while none is open

  private:
    void threadMain();

    HtmlEngine& engine_;
    LoadingDlgOptions options_;
    FramePath cover_;
    std::thread thread_;
    std::atomic<bool> started_{false};
    int waitSteps_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    int done_ = 0, total_ = 0;  // the progress handed over under mutex_
    FramePath dialog_;
};

}  // namespace dorvath
