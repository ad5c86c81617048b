#include "data/track.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "data/c_format.h"

namespace dorvath {

TEST(TimeBase, SecondsSince1970BecomeOleDates) {
    EXPECT_DOUBLE_EQ(OleDateFromSeconds(0), 25569.0);
    EXPECT_DOUBLE_EQ(OleDateFromSeconds(86400 + 43200), 25570.5);
    // no sign: 2^31 is a date in 2038, not 1901
    auto f = OleDateToFields(OleDateFromSeconds(0x80000000u));
    EXPECT_EQ(f.year, 2038);
    EXPECT_EQ(f.month, 1);
    EXPECT_EQ(f.day, 19);
    EXPECT_EQ(f.hour, 3);
    EXPECT_EQ(f.minute, 14);
    EXPECT_EQ(f.second, 8);
    EXPECT_EQ(OleDateToFields(OleDateFromSeconds(0xFFFFFFFFu)).year, 2106);
}

TEST(TimeBase, StoredDatesRoundToTheNearestSecond) {
    // 42491.312523 is 07:30:01.987: rounding gives :02, truncation would give :01
    auto f = OleDateToFields(42491.312523);
    EXPECT_EQ(f.year, 2016);
    EXPECT_EQ(f.month, 5);
    EXPECT_EQ(f.day, 1);
    EXPECT_EQ(f.hour, 7);
    EXPECT_EQ(f.minute, 30);
    EXPECT_EQ(f.second, 2);
    EXPECT_EQ(FormatDateTime(42491.312523), "2016-05-01 07:30:02");
    // half a second before midnight rolls into the next day
    EXPECT_EQ(FormatDateTime(42491.0 + 86399.6 / 86400.0), "2016-05-02 00:00:00");
    EXPECT_EQ(FormatDateTime(0.0), "1899-12-30 00:00:00");
    EXPECT_EQ(OleDateToFields(42491.5).dayOfWeek, 0);  // 2016-05-01 was a Sunday
}

TEST(TimeBase, FieldsRoundTrip) {
    for (double d : {25569.0, 42491.312523, 46000.999988, 2958465.0}) {
        auto f = OleDateToFields(d);
        double back = OleDateFromFields(f.year, f.month, f.day, f.hour, f.minute, f.second);
        EXPECT_NEAR(back, d, 0.5 / 86400.0) << d;
    }
    EXPECT_DOUBLE_EQ(OleDateFromFields(1970, 1, 1), 25569.0);
    EXPECT_DOUBLE_EQ(OleDateFromFields(2024, 2, 29) + 1, OleDateFromFields(2024, 3, 1));
}

TEST(PointDistanceTest, HaversineWithTheTruncatedFactor) {
    EXPECT_EQ(PointDistance(35.0, 139.0, 35.0, 139.0), 0.0);
    EXPECT_NEAR(PointDistance(35.000, 139.0, 35.001, 139.0), 111.2, 0.1);
    // the truncated 0.017453293 differs from pi/180 after the ninth digit
    const double k = 0.017453293;
    double expected = 2 * 6372797.560856 * std::asin(std::sin(1.0 * k / 2));
    EXPECT_DOUBLE_EQ(PointDistance(1.0, 0.0, 0.0, 0.0), expected);
}

TEST(CFormatTest, PrintfCompatibleAndLocaleFree) {
    const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(CFormat("%f|%.1f|%.6f", 1.5, 2.25, -0.0000004), "1.500000|2.2|-0.000000");
    if (old) std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(CFormat("%d,%5d,%-3d|,%03d,%x,%s,%%", -7, 42, 1, 5, 255, "ab"),
              "-7,   42,1  |,005,ff,ab,%");
    EXPECT_EQ(CFormat("%02d:%02d", 7, 30), "07:30");
    EXPECT_EQ(CFormat("%.2d|%.3d|%5.3d|%-5.2d|", 7, -7, 42, 3), "07|-007|  042|03   |");
    EXPECT_EQ(CFormat("%.2f", 1.005), "1.00");  // binary value below 1.005, as printf
    EXPECT_EQ(CFormat("%f", 42491.3125229), "42491.312523");
    EXPECT_EQ(CFormat("%u", 4294967295u), "4294967295");
    EXPECT_EQ(SqlFormat("%s", std::string(5000, 'x')).size(), 4095u);
}

}  // namespace dorvath
