#include "engine/canvas.h"

#include <gtest/gtest.h>

namespace dorvath {
namespace {

TEST(CanvasJson, ItemsKeepTheirOrderAndColours) {
    Canvas c(100, 20);
    c.fill({0, 0, 100, 20}, Rgb(255, 255, 255));
    c.text({4, 0, 96, 20}, "5月 \"走\"", Rgb(17, 68, 158),
           TextStyle{Align::Right, VAlign::Middle, 12, true, false, ""});
    c.line(0, 19, 100, 19, Color{0, 0, 0, 128});
    auto j = c.toJson();
    ASSERT_EQ(j.size(), 3u);
    EXPECT_EQ(j[0][0], "f");
    EXPECT_EQ(j[0][5], "#ffffff");
    EXPECT_EQ(j[1][5], "#11449e");
    EXPECT_EQ(j[1][6], "5月 \"走\"");
    EXPECT_EQ(j[1][7], 2);
    EXPECT_EQ(j[2][5], "rgba(0,0,0,0.502)");
    EXPECT_EQ(c.texts(), "5月 \"走\"");
}

TEST(CanvasJson, RectExtentsAreWidthAndHeight) {
    Canvas c;
    c.gradient({10, 20, 30, 60}, Rgb(1, 2, 3), Rgb(4, 5, 6));
    auto j = c.toJson();
    EXPECT_EQ(j[0][3], 20);
    EXPECT_EQ(j[0][4], 40);
}

}  // namespace
}  // namespace dorvath
