#include "settings/firmware_update.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "data/temp_dir.h"
#include "device/protocol.h"
#include "device/sim/simulated_watches.h"
#include "device/sim_fixture.h"

namespace dorvath {
namespace {

using test::RecordingSink;

using Wire = WatchSimulator::Wire;

struct CountingLoading : LoadingIndicator {
    void start() override { ++starts, up = true; }
    void stop() override { ++stops, up = false; }
    int starts = 0, stops = 0;
    bool up = false;
};

std::vector<uint8_t> FirmwareBytes(size_t size = kFirmwareFileSize,
                                   uint32_t trailer = kFirmwareTrailer) {
    std::vector<uint8_t> f(size);
    std::mt19937 gen(5);
    for (auto& b : f) b = static_cast<uint8_t>(gen());
    if (size >= 4) PutU32(f.data() + size - 4, trailer);
    return f;
}

class FirmwareTest : public ::testing::Test {
  protected:
    std::string writeFile(const std::vector<uint8_t>& bytes, const std::string& name = "fw.bin") {
        std::ofstream out(dir / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return (dir / name).string();
    }
    FirmwareEnd update(const std::string& path) {
        watch = std::make_shared<WatchSimulator>(scenario);
        SimulatedWatchFinder watches;
        watches.add("test", watch);
        return UpdateFirmware(watches, path, image, sink, busy).end;
    }
    int headersFor(uint32_t address) {
        int n = 0;
        for (const Report& r : watch->hostWrites())
            if (GetU32(r.data()) == CMD_FIRMWARE_BLOCK && GetU32(r.data() + 4) == address) ++n;
        return n;
    }

    test::TempDir dir;
    WatchScenario scenario;
    std::shared_ptr<WatchSimulator> watch;
    std::vector<uint8_t> image;
    RecordingSink sink;
    CountingLoading busy;
};

TEST(FirmwareFile, SizeAndTrailerDecide) {
    EXPECT_TRUE(IsFirmwareFile(FirmwareBytes()));
    auto tail = FirmwareBytes();
    EXPECT_EQ(tail[kFirmwareFileSize - 4], 0x00);
    EXPECT_EQ(tail[kFirmwareFileSize - 3], 0x52);
    EXPECT_EQ(tail[kFirmwareFileSize - 2], 0xAA);
    EXPECT_EQ(tail[kFirmwareFileSize - 1], 0xAA);
    EXPECT_FALSE(IsFirmwareFile(FirmwareBytes(kFirmwareFileSize + 1)));
    EXPECT_FALSE(IsFirmwareFile(FirmwareBytes(kFirmwareFileSize - 1)));
    EXPECT_FALSE(IsFirmwareFile(FirmwareBytes(kFirmwareFileSize, 0xAAAA5201)));
}

TEST(FirmwareFile, StampSumsTheRegionBeforeIt) {
    std::vector<uint8_t> img(kFirmwareImageSize, 0);
    for (size_t i = 0x80000; i < kStampOffset; ++i) img[i] = 2;
    img[0x7FFFF] = 99;  // outside the region
    img[kStampOffset + 20] = 7;
    StampFirmwareImage(img);
    EXPECT_EQ(GetU32(img.data() + 0xBCFF0), 0xAA55AA55u);
    EXPECT_EQ(GetU32(img.data() + 0xBCFF4), 2u * 249840u);
    EXPECT_EQ(GetU32(img.data() + 0xBCFF8), 249840u);
    EXPECT_EQ(img[kStampOffset + 20], 7);
    EXPECT_EQ(img[0x7FFFF], 99);
}

TEST_F(FirmwareTest, WholeUpdateCarriesTheStampedImage) {
    auto file = FirmwareBytes();
    std::string path = writeFile(file);
    ASSERT_EQ(update(path), FirmwareEnd::Completed);
    EXPECT_EQ(sink.messages, std::vector<std::string>{kUpdateDoneMessage});
    EXPECT_EQ(busy.starts, 1);
    EXPECT_EQ(busy.stops, 1);
    EXPECT_EQ(watch->blocksAccepted(), 192);
    EXPECT_TRUE(watch->firmwareEnded());

    std::vector<uint8_t> expected(file.begin(), file.begin() + kFirmwareImageSize);
    StampFirmwareImage(expected);
    EXPECT_EQ(watch->flash(), expected);
    EXPECT_EQ(image, expected);
    // The stamp lies in block 188; the file on disk is unchanged.
    EXPECT_EQ(kStampOffset / kFirmwareBlockSize, 188u);
    EXPECT_EQ(GetU32(watch->flash().data() + kStampOffset), 0xAA55AA55u);
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> again((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    EXPECT_EQ(again, file);

    // Model query first, then for each block its header with address and sum.
    auto writes = watch->hostWrites();
    ASSERT_EQ(writes.size(), 1 + 192 * 65 + 1u);
    EXPECT_EQ(writes[0], MakeRequest(CMD_MODEL_QUERY));
    const Report& h188 = writes[1 + 188 * 65];
    EXPECT_EQ(h188, MakeCommandHeader(CMD_FIRMWARE_BLOCK, 188 * 4096,
                                      BlockSum(expected.data() + 188 * 4096, 4096)));
    // The end command is the last thing on the wire: written, never read.
    EXPECT_EQ(writes.back(), MakeCommandHeader(CMD_FIRMWARE_END));
    EXPECT_EQ(watch->wire().back().kind, Wire::HostWrite);
}

TEST_F(FirmwareTest, WrongSizeOrTrailerIsRefusedBeforeAnyReport) {
    for (auto bytes :
         {FirmwareBytes(kFirmwareFileSize + 1), FirmwareBytes(kFirmwareFileSize, 0x5200AAAA)}) {
        sink.messages.clear();
        EXPECT_EQ(update(writeFile(bytes)), FirmwareEnd::BadFormat);
        EXPECT_EQ(sink.messages, std::vector<std::string>{kBadFirmwareMessage});
        EXPECT_TRUE(watch->wire().empty());
        EXPECT_EQ(busy.starts, 0);
    }
}

TEST_F(FirmwareTest, MissingOrEmptyFileEndsSilently) {
    EXPECT_EQ(update((dir / "none.bin").string()), FirmwareEnd::Unreadable);
    EXPECT_EQ(update(writeFile({}, "empty.bin")), FirmwareEnd::Unreadable);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_TRUE(watch->wire().empty());
}

// No watch, counting the searches for one.
struct LookingFinder : SimulatedWatchFinder {
    int looks = 0;

  protected:
    std::string search(uint16_t vendorId, uint16_t productId) override {
        ++looks;
        return SimulatedWatchFinder::search(vendorId, productId);
    }
};

TEST_F(FirmwareTest, EmptyFieldAsksForAFileAndLooksForNoWatch) {
    LookingFinder watches;
    FirmwareEnd r = UpdateFirmware(watches, "", image, sink, busy).end;
    EXPECT_EQ(r, FirmwareEnd::NoFileChosen);
    EXPECT_EQ(watches.looks, 0);
    EXPECT_EQ(sink.messages, std::vector<std::string>{kChooseFirmwareMessage});
}

TEST_F(FirmwareTest, NoWatchShowsTheConnectionMessage) {
    SimulatedWatchFinder none;
    FirmwareEnd r = UpdateFirmware(none, writeFile(FirmwareBytes()), image, sink, busy).end;
    EXPECT_EQ(r, FirmwareEnd::NotConnected);
    EXPECT_EQ(sink.messages, std::vector<std::string>{kConnectionMessage});
}

TEST_F(FirmwareTest, WrongModelSendsNoBlock) {
    scenario.model = "KT908";
    EXPECT_EQ(update(writeFile(FirmwareBytes())), FirmwareEnd::WrongModel);
    EXPECT_EQ(sink.messages, std::vector<std::string>{kUpdateFailedMessage});
    EXPECT_EQ(watch->hostWrites().size(), 1u);
    EXPECT_EQ(busy.starts, 0);
}

TEST_F(FirmwareTest, RefusedHeaderStopsTheUpdate) {
    scenario.faults.refuseHeaderAtBlock = 5;
    EXPECT_EQ(update(writeFile(FirmwareBytes())), FirmwareEnd::HeaderRefused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{kUpdateFailedMessage});
    EXPECT_EQ(watch->blocksAccepted(), 5);
    EXPECT_FALSE(watch->firmwareEnded());
    EXPECT_EQ(busy.starts, 1);
    EXPECT_EQ(busy.stops, 1);
    // The refused header is the last write: no body follows it.
    EXPECT_EQ(GetU32(watch->hostWrites().back().data()), CMD_FIRMWARE_BLOCK);
}

TEST_F(FirmwareTest, RefusedBodyIsSentAgain) {
    scenario.faults.refuseBodyTimes = 2;
    EXPECT_EQ(update(writeFile(FirmwareBytes())), FirmwareEnd::Completed);
    EXPECT_EQ(watch->bodiesRefused(), 2);
    EXPECT_EQ(headersFor(0), 3);
    EXPECT_EQ(headersFor(4096), 1);
    EXPECT_EQ(watch->blocksAccepted(), 192);
    EXPECT_EQ(sink.messages, std::vector<std::string>{kUpdateDoneMessage});
}

TEST_F(FirmwareTest, SixteenRefusalsOfOneBlockStop) {
    scenario.faults.refuseBodyTimes = kMaxBodyRefusals;
    EXPECT_EQ(update(writeFile(FirmwareBytes())), FirmwareEnd::BodyRefusedTooOften);
    EXPECT_EQ(headersFor(0), kMaxBodyRefusals);
    EXPECT_EQ(watch->blocksAccepted(), 0);
    EXPECT_FALSE(watch->firmwareEnded());
    EXPECT_EQ(sink.messages, std::vector<std::string>{kUpdateFailedMessage});
    EXPECT_EQ(busy.stops, 1);

    scenario.faults.refuseBodyTimes = kMaxBodyRefusals - 1;
    sink.messages.clear();
    EXPECT_EQ(update(writeFile(FirmwareBytes())), FirmwareEnd::Completed);
}

TEST_F(FirmwareTest, TransferFailureMidBlockShowsTheConnectionMessage) {
    scenario.faults.stopAfterReports = 2 + 65 * 3 + 10;  // inside block 3's body
    EXPECT_EQ(update(writeFile(FirmwareBytes())), FirmwareEnd::TransferFailed);
    EXPECT_EQ(sink.messages, std::vector<std::string>{kConnectionMessage});
    EXPECT_EQ(busy.starts, 1);
    EXPECT_EQ(busy.stops, 1);
    EXPECT_FALSE(busy.up);
}

TEST_F(FirmwareTest, FailedEndWriteIsNotReported) {
    // Everything but the end command goes through.
    scenario.faults.stopAfterReports = 2 + 192 * (1 + 1 + 64 + 1);
    EXPECT_EQ(update(writeFile(FirmwareBytes())), FirmwareEnd::Completed);
    EXPECT_EQ(watch->wire().back().kind, Wire::WriteTimedOut);
    EXPECT_EQ(sink.messages, std::vector<std::string>{kUpdateDoneMessage});
}

}  // namespace
}  // namespace dorvath
