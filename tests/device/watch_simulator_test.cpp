#include <gtest/gtest.h>

#include "device/log_deletion.h"
#include "device/watch_finder.h"
#include "sim_fixture.h"

namespace dorvath {
namespace {

using test::RecordingSink;

using test::FixLog;
using Wire = WatchSimulator::Wire;

class SimulatorTest : public test::SimFixture {
  protected:
    bool Write(const Report& r) { return link->Write(r.data(), r.size()); }
    bool Read(Report& r) { return link->Read(r.data(), r.size()); }
};

TEST_F(SimulatorTest, HoldsBackRecordSixtyFiveUntilAcknowledged) {
    scenario.logs.push_back(FixLog(1000, 70));
    start();
    ASSERT_TRUE(Write(MakeCommandHeader(CMD_LOG_RECORDS, 0)));
    Report r{};
    for (int k = 1; k <= 64; ++k) {
        ASSERT_TRUE(Read(r)) << k;
        EXPECT_EQ(LogRecord::parse(r.data()).time, 1000u + k - 1);
    }
    Report before = r;
    EXPECT_FALSE(Read(r));
    EXPECT_EQ(r, before);  // a read that times out leaves the buffer alone
    EXPECT_EQ(watch->wire().back().kind, Wire::ReadTimedOut);
    // An acknowledgement for another log does not release it.
    ASSERT_TRUE(Write(MakeCommandHeader(CMD_LOG_RECORDS_ACK, 1)));
    EXPECT_FALSE(Read(r));
    ASSERT_TRUE(Write(MakeCommandHeader(CMD_LOG_RECORDS_ACK, 0)));
    for (int k = 65; k <= 70; ++k) ASSERT_TRUE(Read(r)) << k;
    EXPECT_EQ(LogRecord::parse(r.data()).time, 1069u);
    EXPECT_FALSE(Read(r));  // the stream is over
}

TEST_F(SimulatorTest, AnswersSettingsAndKeepsWhatIsWritten) {
    scenario.settings.set("weight", 71);
    start();
    Report r{};
    ASSERT_TRUE(Write(MakeRequest(CMD_SETTINGS_READ_2)));
    ASSERT_TRUE(Read(r));
    EXPECT_EQ(GetI32(r.data() + 4 + (104 - 60)), 71);
    DeviceSettings block;
    block.set("utc_bias", 60);
    block.set("alarm2", 1);
    ASSERT_TRUE(WriteWatchSettings(*link, block));
    EXPECT_EQ(watch->settings().get("utc_bias"), 60);
    EXPECT_EQ(watch->settings().get("alarm2"), 1);
    EXPECT_EQ(watch->settings().get("weight"), 60);
}

TEST_F(SimulatorTest, NewCommandDropsUnreadReplyAndUnknownOnesGetNone) {
    start();
    Report r{};
    ASSERT_TRUE(Write(MakeRequest(CMD_FIRMWARE_VERSION)));
    ASSERT_TRUE(Write(MakeRequest(CMD_MODEL_QUERY)));
    ASSERT_TRUE(Read(r));
    EXPECT_EQ(ReplyText(r), "KT907");
    ASSERT_TRUE(Write(MakeRequest(0x12345678)));
    EXPECT_FALSE(Read(r));
}

TEST_F(SimulatorTest, BlockBodyWithWrongSumIsRefused) {
    start();
    Report r{};
    std::vector<uint8_t> block(4096, 1);
    ASSERT_TRUE(Write(MakeCommandHeader(CMD_FIRMWARE_BLOCK, 4096, 4095)));  // sum is 4096
    ASSERT_TRUE(Read(r));
    EXPECT_EQ(ReplyCode(r), kReplyAccepted);
    for (size_t off = 0; off < 4096; off += 64) ASSERT_TRUE(link->Write(block.data() + off, 64));
    ASSERT_TRUE(Read(r));
    EXPECT_NE(ReplyCode(r), kReplyAccepted);
    EXPECT_EQ(watch->bodiesRefused(), 1);
    ASSERT_TRUE(Write(MakeCommandHeader(CMD_FIRMWARE_BLOCK, 4096, 4096)));
    ASSERT_TRUE(Read(r));
    for (size_t off = 0; off < 4096; off += 64) ASSERT_TRUE(link->Write(block.data() + off, 64));
    ASSERT_TRUE(Read(r));
    EXPECT_EQ(ReplyCode(r), kReplyAccepted);
    EXPECT_EQ(watch->flash()[4096], 1);
    EXPECT_EQ(watch->flash()[0], 0xFF);  // blocks never sent stay erased
}

TEST_F(SimulatorTest, MisalignedBlockHeaderIsRefused) {
    start();
    Report r{};
    ASSERT_TRUE(Write(MakeCommandHeader(CMD_FIRMWARE_BLOCK, 100, 0)));
    ASSERT_TRUE(Read(r));
    EXPECT_NE(ReplyCode(r), kReplyAccepted);
    ASSERT_TRUE(Write(MakeCommandHeader(CMD_FIRMWARE_BLOCK, 192 * 4096, 0)));
    ASSERT_TRUE(Read(r));
    EXPECT_NE(ReplyCode(r), kReplyAccepted);
}

TEST_F(SimulatorTest, StopsAnsweringAfterTheGivenNumberOfReports) {
    scenario.faults.stopAfterReports = 3;
    start();
    Report r{};
    EXPECT_TRUE(Write(MakeRequest(CMD_FIRMWARE_VERSION)));
    EXPECT_TRUE(Read(r));
    EXPECT_TRUE(Write(MakeRequest(CMD_FIRMWARE_VERSION)));
    EXPECT_FALSE(Read(r));
    EXPECT_FALSE(Write(MakeRequest(CMD_FIRMWARE_VERSION)));
    ASSERT_EQ(watch->wire().size(), 5u);
    EXPECT_EQ(watch->wire()[3].kind, Wire::ReadTimedOut);
    EXPECT_EQ(watch->wire()[4].kind, Wire::WriteTimedOut);
}

TEST_F(SimulatorTest, ClosedLinkRefusesTransfers) {
    start();
    link->Close();
    link->Close();
    EXPECT_FALSE(link->IsOpen());
    Report r{};
    EXPECT_FALSE(Write(MakeRequest(CMD_FIRMWARE_VERSION)));
    EXPECT_FALSE(Read(r));
    EXPECT_TRUE(watch->wire().empty());
}

// ---- Log deletion ---------------------------------------------------------------------

TEST_F(SimulatorTest, DeleteAllIsOneExchangeAndEmptiesTheWatch) {
    scenario.logs.push_back(FixLog(1000, 3));
    start();
    RecordingSink sink;
    EXPECT_TRUE(DeleteWatchLogs(watches, sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(watch->logCount(), 0u);
    ASSERT_EQ(watch->wire().size(), 2u);
    Report expected{0x04, 0x01, 0xAA, 0x55};
    EXPECT_EQ(watch->wire()[0].bytes, expected);
}

TEST_F(SimulatorTest, DeleteWithoutWatchOrReplyShowsTheConnectionMessage) {
    RecordingSink sink;
    EXPECT_FALSE(DeleteWatchLogs(noWatch, sink));
    EXPECT_EQ(sink.messages, std::vector<std::string>{kConnectionMessage});
    scenario.faults.stopAfterReports = 1;
    start();
    sink.messages.clear();
    EXPECT_FALSE(DeleteWatchLogs(watches, sink));
    EXPECT_EQ(sink.messages, std::vector<std::string>{kConnectionMessage});
}

}  // namespace
}  // namespace dorvath
