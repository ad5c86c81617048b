#include "ui/frame_geometry.h"

#include <gtest/gtest.h>

namespace dorvath {
namespace {

// The frame page at 900 x 620: a 3-pixel padding round the body, the icon at the left of
// the caption bar, the caption up to the buttons.
FrameBoxes Boxes() {
    FrameBoxes b;
    b.body = {3, 3, 897, 617};
    b.icon = {3, 3, 31, 33};
    b.caption = {31, 3, 780, 33};
    return b;
}

FrameZone Hit(int x, int y, bool maximized = false) {
    return FrameHitTest(Boxes(), maximized, x, y);
}

TEST(FrameHitTest, CaptionMovesAndIconOpensTheMenu) {
    EXPECT_EQ(Hit(400, 15), FrameZone::Caption);
    EXPECT_EQ(Hit(31, 3), FrameZone::Caption);
    EXPECT_EQ(Hit(10, 20), FrameZone::SysMenu);
    // The buttons right of the caption are ordinary client area.
    EXPECT_EQ(Hit(800, 15), FrameZone::Client);
    EXPECT_EQ(Hit(780, 15), FrameZone::Client);
}

TEST(FrameHitTest, InsideTheBodyIsClient) {
    EXPECT_EQ(Hit(450, 300), FrameZone::Client);
    EXPECT_EQ(Hit(3, 300), FrameZone::Client);
    EXPECT_EQ(Hit(896, 616), FrameZone::Client);
}

TEST(FrameHitTest, EdgesResizeInTheirDirection) {
    EXPECT_EQ(Hit(450, 0), FrameZone::Top);
    EXPECT_EQ(Hit(450, 2), FrameZone::Top);
    EXPECT_EQ(Hit(450, 619), FrameZone::Bottom);
    EXPECT_EQ(Hit(0, 300), FrameZone::Left);
    EXPECT_EQ(Hit(2, 300), FrameZone::Left);
    EXPECT_EQ(Hit(899, 300), FrameZone::Right);
    EXPECT_EQ(Hit(898, 300), FrameZone::Right);
}

TEST(FrameHitTest, CornersTakeTenPixelsAlongEachEdge) {
    EXPECT_EQ(Hit(0, 0), FrameZone::TopLeft);
    EXPECT_EQ(Hit(12, 1), FrameZone::TopLeft);  // x < 3 + 10
    EXPECT_EQ(Hit(13, 1), FrameZone::Top);      // just past the corner zone
    EXPECT_EQ(Hit(1, 12), FrameZone::TopLeft);  // y < 3 + 10
    EXPECT_EQ(Hit(1, 13), FrameZone::Left);
    EXPECT_EQ(Hit(899, 0), FrameZone::TopRight);
    EXPECT_EQ(Hit(888, 1), FrameZone::TopRight);  // x > 897 - 10
    EXPECT_EQ(Hit(887, 1), FrameZone::Top);
    EXPECT_EQ(Hit(0, 619), FrameZone::BottomLeft);
    EXPECT_EQ(Hit(1, 608), FrameZone::BottomLeft);  // y > 617 - 10
    EXPECT_EQ(Hit(1, 607), FrameZone::Left);
    EXPECT_EQ(Hit(899, 619), FrameZone::BottomRight);
    EXPECT_EQ(Hit(898, 608), FrameZone::BottomRight);
    EXPECT_EQ(Hit(12, 618), FrameZone::BottomLeft);
    EXPECT_EQ(Hit(13, 618), FrameZone::Bottom);
}

TEST(FrameHitTest, CaptionWinsOverTheTopBorder) {
    FrameBoxes b = Boxes();
    b.caption = {31, 0, 780, 33};  // a caption reaching into the padding
    EXPECT_EQ(FrameHitTest(b, false, 400, 1), FrameZone::Caption);
}

TEST(FrameHitTest, MaximizedWindowIsClientEverywhere) {
    for (int x : {0, 2, 10, 400, 897, 899})
        for (int y : {0, 2, 15, 300, 617, 619}) EXPECT_EQ(Hit(x, y, true), FrameZone::Client);
}

TEST(FrameHitTest, ZonesHaveNames) {
    EXPECT_STREQ(FrameZoneName(FrameZone::BottomRight), "bottomright");
    EXPECT_STREQ(FrameZoneName(FrameZone::Caption), "caption");
}

const Rect kDesktop{0, 0, 1920, 1080};

TEST(MaximizedWorkArea, NoTaskbarGivesTheWholeDesktop) {
    EXPECT_EQ(MaximizedWorkArea(kDesktop, std::nullopt), kDesktop);
    // The system's empty rectangle when there is no taskbar window matches no position.
    EXPECT_EQ(MaximizedWorkArea(kDesktop, Rect{}), kDesktop);
}

TEST(MaximizedWorkArea, TaskbarAtTheBottom) {
    EXPECT_EQ(MaximizedWorkArea(kDesktop, Rect{0, 1040, 1920, 1080}), (Rect{0, 0, 1920, 1040}));
}

TEST(MaximizedWorkArea, TaskbarAtTheLeft) {
    EXPECT_EQ(MaximizedWorkArea(kDesktop, Rect{0, 0, 64, 1080}), (Rect{64, 0, 1920, 1080}));
}

TEST(MaximizedWorkArea, TaskbarAtTheTop) {
    EXPECT_EQ(MaximizedWorkArea(kDesktop, Rect{0, 0, 1920, 32}), (Rect{0, 32, 1920, 1080}));
}

TEST(MaximizedWorkArea, TaskbarAtTheRight) {
    EXPECT_EQ(MaximizedWorkArea(kDesktop, Rect{1856, 0, 1920, 1080}), (Rect{0, 0, 1856, 1080}));
}

TEST(MaximizedWorkArea, EdgesWithinTwoPixelsCountAsNear) {
    // A bottom bar hanging 2 pixels off the screen on each side still counts.
    EXPECT_EQ(MaximizedWorkArea(kDesktop, Rect{-2, 1040, 1922, 1082}), (Rect{0, 0, 1920, 1040}));
    // Three pixels away no longer does: a floating bar leaves the whole desktop.
    EXPECT_EQ(MaximizedWorkArea(kDesktop, Rect{3, 1040, 1920, 1080}), kDesktop);
    EXPECT_EQ(MaximizedWorkArea(kDesktop, Rect{0, 1040, 1920, 1077}), kDesktop);
}

TEST(MaximizedWorkArea, LaterPositionOverridesEarlier) {
    // A bar covering the whole desktop matches every case; the right-hand one is tested last.
    EXPECT_EQ(MaximizedWorkArea(kDesktop, kDesktop), (Rect{0, 0, 0, 1080}));
}

TEST(MaximizedWorkArea, DesktopAwayFromTheOrigin) {
    const Rect second{1920, 0, 3200, 1024};
    EXPECT_EQ(MaximizedWorkArea(second, Rect{1920, 990, 3200, 1024}), (Rect{1920, 0, 3200, 990}));
}

}  // namespace
}  // namespace dorvath
