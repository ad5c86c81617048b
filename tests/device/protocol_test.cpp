#include "device/protocol.h"

#include <gtest/gtest.h>

namespace dorvath {
namespace {

TEST(Requests, CommandHeaderIsLittleEndianWithZerosAfter) {
    Report r = MakeCommandHeader(CMD_FIRMWARE_BLOCK, 0x00BC000, 0x01020304);
    Report expected{0x01, 0x55, 0xAA, 0x55, 0x00, 0xC0, 0x0B, 0x00, 0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(r, expected);
    Report end = MakeCommandHeader(CMD_FIRMWARE_END);
    Report endExpected{0x03, 0x50, 0xAA, 0x65};
    EXPECT_EQ(end, endExpected);
}

TEST(Requests, DataRequestCarriesAtMostSixtyBytes) {
    std::vector<uint8_t> data(70, 0x5A);
    Report r = MakeDataRequest(CMD_SETTINGS_WRITE_1, data.data(), data.size());
    EXPECT_EQ(GetU32(r.data()), CMD_SETTINGS_WRITE_1);
    for (size_t i = 4; i < 64; ++i) EXPECT_EQ(r[i], 0x5A);
    Report small = MakeDataRequest(CMD_SETTINGS_WRITE_3, data.data(), 4);
    for (size_t i = 8; i < 64; ++i) EXPECT_EQ(small[i], 0);
}

TEST(TextReplies, EndAtZeroOrAfterThirtyTwoCharacters) {
    EXPECT_EQ(ReplyText(TextReply(u"V1.0")), "V1.0");
    Report full{};
    for (int i = 0; i < 32; ++i) full[2 * i] = static_cast<uint8_t>('A' + i % 26);
    std::string s = ReplyText(full);
    EXPECT_EQ(s.size(), 32u);
    EXPECT_EQ(s.substr(0, 3), "ABC");
    EXPECT_EQ(ReplyText(Report{}), "");
}

TEST(TextReplies, NonAsciiAndBrokenSurrogates) {
    EXPECT_EQ(ReplyText(TextReply(Utf8ToUtf16("履歴"))), "履歴");
    EXPECT_EQ(ReplyText(TextReply(Utf8ToUtf16("a\xF0\x9F\x8F\x83"))), "a\xF0\x9F\x8F\x83");
    Report lone{0x00, 0xD8, 'x', 0};
    EXPECT_EQ(ReplyText(lone), "\xEF\xBF\xBDx");
}

TEST(Records, HeaderAndRecordRoundTripAtTheirOffsets) {
    const LogRecord r{.lat_e6 = -35681236,
                      .lng_e6 = 139767100,
                      .time = 0xF0000001,
                      .speed = 11.5f,
                      .dist = 1e6 + 0.125,
                      .kcal = -7,
                      .kind = 1,
                      .lap_distance = 1000.25f,
                      .lap_seconds = 333,
                      .pace = 5.5f,
                      .atli = -12.75f};
    uint8_t buf[48];
    r.serialize(buf);
    EXPECT_EQ(GetU32(buf + 8), 0xF0000001u);
    EXPECT_EQ(GetF64(buf + 16), 1e6 + 0.125);
    EXPECT_EQ(GetI32(buf + 28), 1);
    LogRecord back = LogRecord::parse(buf);
    EXPECT_EQ(back.lat_e6, r.lat_e6);
    EXPECT_EQ(back.time, r.time);
    EXPECT_EQ(back.dist, r.dist);
    EXPECT_EQ(back.lap_seconds, 333);
    EXPECT_EQ(back.atli, r.atli);

    const LogHeader h{.start_time = 1,
                      .record_count = 2,
                      .distance_km = 3.5f,
                      .kcal = 4,
                      .elapsed = 5,
                      .pace = 6.5f};
    uint8_t hb[28];
    h.serialize(hb);
    EXPECT_EQ(GetF32(hb + 12), 3.5f);
    EXPECT_EQ(GetI32(hb + 20), 5);
    LogHeader hback = LogHeader::parse(hb);
    EXPECT_EQ(hback.record_count, 2u);
    EXPECT_EQ(hback.pace, 6.5f);
}

// A link that takes writes and has nothing to read.
struct SilentLink : ReportLink {
    bool Write(const uint8_t*, size_t) override { return ++writes, true; }
    bool Read(uint8_t*, size_t) override { return false; }
    void Close() override {}
    bool IsOpen() const override { return true; }
    int writes = 0;
};

TEST(Transfers, ExchangeFailsWhenTheReplyNeverComesAndIsNotRepeated) {
    SilentLink link;
    Report reply{};
    reply[0] = 9;
    EXPECT_FALSE(Exchange(link, MakeRequest(CMD_LOG_COUNT), reply));
    EXPECT_EQ(link.writes, 1);
    EXPECT_EQ(reply[0], 9);
}

TEST(Transfers, SettingsReadKeepsSlicesReceivedBeforeAFailure) {
    // Answers the first read only.
    struct OneReply : ReportLink {
        bool Write(const uint8_t*, size_t) override { return true; }
        bool Read(uint8_t* d, size_t n) override {
            if (reads++) return false;
            for (size_t i = 0; i < n; ++i) d[i] = 0xEE;
            return true;
        }
        void Close() override {}
        bool IsOpen() const override { return true; }
        int reads = 0;
    } link;
    DeviceSettings block, before;
    EXPECT_FALSE(ReadWatchSettings(link, block));
    for (int i = 0; i < 60; ++i) EXPECT_EQ(block.bytes()[i], 0xEE);
    for (int i = 60; i < DeviceSettings::kFileSize; ++i)
        EXPECT_EQ(block.bytes()[i], before.bytes()[i]);
}

}  // namespace
}  // namespace dorvath
