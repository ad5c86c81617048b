#include "engine/widget_spec.h"

#include <gtest/gtest.h>

namespace dorvath {
namespace {

constexpr std::uint32_t kBase =
    kWsChild | kWsVisible | kWsClipSiblings | kWsClipChildren | kWsTabStop;

TEST(StyleWords, BareWordsAddTheirBits) {
    auto s = MakeWidgetSpec({{"type", "sys-listview"},
                             {"id", "6004"},
                             {"REPORT", ""},
                             {"ownerdrawfixed", ""},
                             {"OWNERDATA", ""},
                             {"BORDER", ""},
                             {"CLIENTEDGE", ""}});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->windowClass, "SysListView32");
    EXPECT_EQ(s->controlId, 6004);
    EXPECT_EQ(s->style, kBase | kLvsReport | kLvsOwnerDrawFixed | kLvsOwnerData | kWsBorder);
    EXPECT_EQ(s->exStyle, kWsExClientEdge);
}

TEST(StyleWords, AWordWrittenAsAValueAddsNothing) {
    auto s = MakeWidgetSpec(
        {{"type", "sys-static"}, {"id", "5000"}, {"class", "NOTIFY"}, {"bitmap", "1"}});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->style, kBase);
    EXPECT_EQ(s->exStyle, 0u);
}

TEST(StyleWords, ClassWordsBelongToTheirClass) {
    // NOTIFY is a static word; on a list view it means nothing.
    auto list = MakeWidgetSpec({{"type", "sys-listview"}, {"NOTIFY", ""}});
    auto stat = MakeWidgetSpec({{"type", "sys-static"}, {"NOTIFY", ""}, {"BITMAP", ""}});
    EXPECT_EQ(list->style, kBase);
    EXPECT_EQ(stat->style, kBase | kSsNotify | kSsBitmap);
}

TEST(StyleWords, WidgetWithoutIdGetsControlZero) {
    EXPECT_EQ(MakeWidgetSpec({{"type", "sys-static"}})->controlId, 0);
    EXPECT_EQ(MakeWidgetSpec({{"type", "sys-static"}, {"id", ""}})->controlId, 0);
    EXPECT_EQ(MakeWidgetSpec({{"type", "sys-static"}, {"id", "map"}})->controlId, 0);
    EXPECT_EQ(ControlIdFrom(" 2000"), 2000);
    EXPECT_EQ(ControlIdFrom("99999999999"), 0);
}

TEST(StyleWords, UnknownTypesGetNoWindow) {
    EXPECT_FALSE(MakeWidgetSpec({{"type", "sys-button"}, {"id", "1"}}));
    EXPECT_FALSE(MakeWidgetSpec({{"id", "1"}}));
    auto ie = MakeWidgetSpec({{"TYPE", "SYS-IE"}, {"id", "2000"}});
    ASSERT_TRUE(ie);
    EXPECT_EQ(ie->windowClass, "AtlAxWin80");
}

}  // namespace
}  // namespace dorvath
