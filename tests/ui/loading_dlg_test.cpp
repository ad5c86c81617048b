#include "ui/loading_dlg.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "support/recording_html_engine.h"

namespace dorvath {
namespace {

const FramePath kCover = "main/page1/map";

// The text items of every picture painted into the loading dialog, in order.
std::vector<std::string> PaintedTexts(const RecordingHtmlEngine& e) {
    std::vector<std::string> out;
    for (const auto& op : e.operations("paint")) {
        EXPECT_EQ(op["ctl"], CLoadingDlg::kControl);
        for (const auto& item : op["items"])
            if (item[0] == "t") out.push_back(item[6]);
    }
    return out;
}

std::vector<bool> EnableOps(const RecordingHtmlEngine& e) {
    std::vector<bool> out;
    for (const auto& op : e.operations("enable")) {
        EXPECT_EQ(op["frame"], kCover);
        out.push_back(op["value"]);
    }
    return out;
}

TEST(LoadingPicture, CyclesFourTextsOverTheBitmap) {
    LoadingPicture p;
    std::vector<std::string> seen;
    for (int i = 0; i < 6; ++i) seen.push_back(p.draw().texts());
    EXPECT_EQ(seen, (std::vector<std::string>{"Loading", "Loading.", "Loading..", "Loading...",
                                              "Loading", "Loading."}));
    EXPECT_EQ(p.frame(), 2);
}

TEST(LoadingPicture, TextSitsInItsBoxInTheDialogBlue) {
    LoadingPicture p;
    Canvas c = p.draw();
    EXPECT_EQ(c.width(), 240);
    EXPECT_EQ(c.height(), 76);
    ASSERT_EQ(c.items().size(), 2u);
    const CanvasItem& bitmap = c.items()[0];
    EXPECT_EQ(bitmap.kind, CanvasItem::Kind::Bitmap);
    EXPECT_EQ(bitmap.rect, (Rect{0, 0, 240, 76}));
    EXPECT_EQ(bitmap.text, "images/207.png");
    const CanvasItem& text = c.items()[1];
    EXPECT_EQ(text.kind, CanvasItem::Kind::Text);
    EXPECT_EQ(text.rect, (Rect{64, 40, 240, 60}));
    EXPECT_EQ(text.color, Rgb(17, 68, 158));
    EXPECT_EQ(text.style.align, Align::Left);
}

TEST(LoadingPicture, ProgressFillsTheBarAndCountsWithoutMovingTheText) {
    LoadingPicture p;
    p.draw();
    p.setProgress(96, 192);
    Canvas c = p.redraw();
    EXPECT_EQ(c.texts(), "Loading\n96/192");
    EXPECT_EQ(p.frame(), 1);
    ASSERT_EQ(c.items().size(), 5u);
    EXPECT_EQ(c.items()[2].rect, LoadingPicture::kBar);  // the track
    EXPECT_EQ(c.items()[3].rect,
              (Rect{64, 18, 64 + LoadingPicture::kBar.width() / 2, 30}));  // half done
    p.setProgress(0, 192);
    EXPECT_EQ(p.draw().items().size(), 4u);  // nothing filled yet
    p.setProgress(0, 0);
    EXPECT_EQ(p.draw().texts(), "Loading..");
}

TEST(CLoadingDlg, ShowsThePictureAndRestoresTheCover) {
    RecordingHtmlEngine e;
    LoadingDlgOptions o;
    o.periodMs = 60'000;  // no tick during this test
    CLoadingDlg dlg(e, o);
    dlg.start(kCover);
    EXPECT_TRUE(dlg.started());
    EXPECT_LT(dlg.waitSteps(), 100);
    EXPECT_FALSE(e.input().pageEnabled(kCover));
    dlg.end();
    EXPECT_FALSE(dlg.active());
    EXPECT_TRUE(e.input().pageEnabled(kCover));
    EXPECT_EQ(EnableOps(e), (std::vector<bool>{false, true}));

    auto dialogs = e.operations("dialog");
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0]["page"], "206");
    EXPECT_EQ(dialogs[1]["open"], false);
    EXPECT_EQ(dialogs[0]["frame"], dialogs[1]["frame"]);
    // Work shorter than one period: the first text is all that was shown.
    EXPECT_EQ(PaintedTexts(e), (std::vector<std::string>{"Loading"}));
    EXPECT_EQ(dlg.dialogFrame(), "");
}

TEST(CLoadingDlg, AnimatesWhileTheCallerWorks) {
    RecordingHtmlEngine e;
    LoadingDlgOptions o;
    o.periodMs = 1;
    CLoadingDlg dlg(e, o);
    dlg.start(kCover);
    // The caller's "work": wait until the picture has changed a few times.
    for (int i = 0; i < 5000 && e.operations("paint").size() < 6; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    dlg.end();
    auto texts = PaintedTexts(e);
    ASSERT_GE(texts.size(), 6u);
    for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(texts[i], LoadingPicture::text(int(i)));
    EXPECT_GE(e.flushes(), int(texts.size()));  // each change goes out from the dialog thread
}

TEST(CLoadingDlg, GivesUpWaitingAfterAHundredSteps) {
    RecordingHtmlEngine e;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    LoadingDlgOptions o;
    int slept = 0, stepMs = 0;
    o.sleep = [&](int ms) {
        ++slept;
        stepMs = ms;
    };
    o.onThreadStart = [released] { released.wait(); };
    // The work is done before the dialog thread ever ran: it gets going only once the end
    // was asked for, and must not open a dialog late.
    o.onEnd = [&release] { release.set_value(); };
    CLoadingDlg dlg(e, o);
    dlg.start(kCover);
    EXPECT_FALSE(dlg.started());
    EXPECT_EQ(dlg.waitSteps(), 100);
    EXPECT_EQ(slept, 100);
    EXPECT_EQ(stepMs, 50);
    dlg.end();
    EXPECT_TRUE(e.operations("dialog").empty());
    EXPECT_TRUE(e.operations("paint").empty());
    EXPECT_TRUE(e.input().pageEnabled(kCover));
}

TEST(CLoadingDlg, StopsWaitingAsSoonAsTheThreadRuns) {
    RecordingHtmlEngine e;
    LoadingDlgOptions o;
    o.periodMs = 60'000;
    int slept = 0;
    o.sleep = [&](int) {
        ++slept;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    CLoadingDlg dlg(e, o);
    dlg.start(kCover);
    EXPECT_TRUE(dlg.started());
    EXPECT_EQ(dlg.waitSteps(), slept);
    EXPECT_LT(slept, 100);
    dlg.end();
}

TEST(CLoadingDlg, CanBeShownAgainAndEndsWhenDestroyed) {
    RecordingHtmlEngine e;
    LoadingDlgOptions o;
    o.periodMs = 60'000;
    {
        CLoadingDlg dlg(e, o);
        dlg.start(kCover);
        dlg.end();
        dlg.end();  // a second end does nothing
        dlg.start(kCover);
    }  // destroyed while up
    auto dialogs = e.operations("dialog");
    ASSERT_EQ(dialogs.size(), 4u);
    EXPECT_EQ(dialogs[3]["open"], false);
    EXPECT_NE(dialogs[0]["frame"], dialogs[2]["frame"]);
    EXPECT_EQ(EnableOps(e), (std::vector<bool>{false, true, false, true}));
}

}  // namespace
}  // namespace dorvath
