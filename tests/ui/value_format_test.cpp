#include "ui/value_format.h"

#include <gtest/gtest.h>

#include <cmath>

#include "data/app_state.h"
#include "data/track.h"

namespace dorvath {
namespace {

const FormatSettings kMetric24{0, 0};
const FormatSettings kImperial12{1, 1};

// Miles of 3.28 feet of 5280; a speed below one shown as zero; an altitude truncated
// towards zero in feet of 0.3048 m.
TEST(ValueFormatUnits, DistanceSpeedAndAltitudeInEitherUnit) {
    EXPECT_EQ(FormatDistance(1234.5, kMetric24), "1.23 km");
    EXPECT_EQ(FormatDistance(1234.5, kImperial12), "0.77 mi");
    EXPECT_EQ(FormatDistance(1609.76, kImperial12), "1.00 mi");
    EXPECT_EQ(FormatDistance(0, kMetric24), "0.00 km");
    EXPECT_EQ(FormatSpeed(0.9, kMetric24), "0.0 km/h");
    EXPECT_EQ(FormatSpeed(12.34, kMetric24), "12.3 km/h");
    EXPECT_EQ(FormatSpeed(10.0, kImperial12), "6.2 mi/h");
    EXPECT_EQ(FormatSpeed(0.5, kImperial12), "0.0 mi/h");
    EXPECT_EQ(FormatAltitude(-3.7, kMetric24), "-3 m");
    EXPECT_EQ(FormatAltitude(12.9, kMetric24), "12 m");
    EXPECT_EQ(FormatAltitude(100, kImperial12), "328 ft");
}

TEST(ValueFormatUnits, AnUnknownUnitSystemGivesNoText) {
    FormatSettings odd{2, 0};
    EXPECT_EQ(FormatDistance(1000, odd), "");
    EXPECT_EQ(FormatSpeed(10, odd), "");
    EXPECT_EQ(FormatAltitude(10, odd), "");
    EXPECT_EQ(FormatPace(12), "05'00\"");  // pace has no unit choice
}

TEST(ValueFormatUnits, TheSettingsBlockChoosesTheUnits) {
    DeviceSettings settings;
    settings.set("unit_system", 1);
    EXPECT_EQ(FormatDistance(1234.5, FormatSettings::of(settings)), "0.77 mi");
    settings.set("unit_system", 0);
    EXPECT_EQ(FormatDistance(1234.5, FormatSettings::of(settings)), "1.23 km");
}

TEST(ValueFormatPace, RoundsToTheNearestSecondInSinglePrecision) {
    EXPECT_EQ(FormatPace(12), "05'00\"");
    EXPECT_EQ(FormatPace(9.5), "06'19\"");
    EXPECT_EQ(FormatPace(12.05), "04'59\"");
    EXPECT_EQ(FormatPace(12.01), "05'00\"");  // 59.75 s rounds up into the next minute
    EXPECT_EQ(FormatPace(10), "06'00\"");
}

TEST(ValueFormatPace, BelowOneKilometrePerHourAndBadValuesGiveZero) {
    EXPECT_EQ(FormatPace(0.9), "00'00\"");
    EXPECT_EQ(FormatPace(0), "00'00\"");
    EXPECT_EQ(FormatPace(-5), "00'00\"");
    EXPECT_EQ(FormatPace(std::nan("")), "00'00\"");
    EXPECT_EQ(FormatPace(1.0), "60'00\"");
}

TEST(ValueFormatClock, TwentyFourHourClock) {
    double d = OleDateFromFields(2016, 5, 1, 7, 30, 2);
    EXPECT_EQ(FormatClockSeconds(d, kMetric24), "07:30:02");
    EXPECT_EQ(FormatClockMinutes(d, kMetric24), "07:30");
    EXPECT_EQ(FormatDateAndTime(d, kMetric24), "2016-05-01 07:30:02");
    // a stored date rounded to six decimals still reads the right second
    EXPECT_EQ(FormatClockSeconds(42491.312523, kMetric24), "07:30:02");
}

TEST(ValueFormatClock, TwelveHourClockShowsMidnightAsAmZeroAndNoonAsPmTwelve) {
    EXPECT_EQ(FormatClockMinutes(OleDateFromFields(2016, 5, 1, 0, 30), kImperial12), "AM 00:30");
    EXPECT_EQ(FormatClockMinutes(OleDateFromFields(2016, 5, 1, 12, 5), kImperial12), "PM 12:05");
    EXPECT_EQ(FormatClockMinutes(OleDateFromFields(2016, 5, 1, 13, 5), kImperial12), "PM 01:05");
    EXPECT_EQ(FormatClockSeconds(OleDateFromFields(2016, 5, 1, 11, 59, 59), kImperial12),
              "AM 11:59:59");
    EXPECT_EQ(FormatDateAndTime(OleDateFromFields(2016, 5, 1, 23, 1, 2), kImperial12),
              "2016-05-01 PM 11:01:02");
}

TEST(ValueFormatOther, DurationsLapLabelsEnergyAndCoordinates) {
    EXPECT_EQ(FormatDuration(3725), "1:02:05");
    EXPECT_EQ(FormatDuration(36000), "10:00:00");
    EXPECT_EQ(FormatDuration(0), "0:00:00");
    EXPECT_EQ(FormatLapLabel(1, 305), "L01 0:05:05");
    EXPECT_EQ(FormatLapLabel(12, 60), "L12 0:01:00");
    EXPECT_EQ(FormatEnergy(321), "321 kcal");
    EXPECT_EQ(FormatCoordinate(35.6812345), "35.68123°");
    EXPECT_EQ(FormatCoordinate(-139.5), "-139.50000°");
    EXPECT_EQ(FormatTimeRange("07:30", "08:15"), "07:30~08:15");
}

}  // namespace
}  // namespace dorvath
