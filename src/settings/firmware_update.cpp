#include "settings/firmware_update.h"

#include <cstring>
#include <fstream>
#include <system_error>

#include "device/device_session.h"
#include "device/protocol.h"

namespace dorvath {

bool IsFirmwareFile(const std::vector<uint8_t>& file) {
    return file.size() == kFirmwareFileSize &&
           GetU32(file.data() + kFirmwareImageSize) == kFirmwareTrailer;
}

uint32_t BlockSum(const uint8_t* block, size_t length) {
    uint32_t sum = 0;
    for (size_t i = 0; i < length; ++i) sum += block[i];
    return sum;
}

void StampFirmwareImage(std::vector<uint8_t>& image) {
    if (image.size() < kFirmwareImageSize) return;
    const uint32_t regionLength = static_cast<uint32_t>(kStampOffset - kStampRegionStart);
    PutU32(image.data() + kStampOffset, 0xAA55AA55);
    PutU32(image.data() + kStampOffset + 4,
           BlockSum(image.data() + kStampRegionStart, regionLength));
    PutU32(image.data() + kStampOffset + 8, regionLength);
}

namespace {

enum class ReadFile { Ok, Unreadable, WrongSize };

// Reads the file only when its size can be right, so a huge file is never loaded.
ReadFile ReadFirmwareFile(const std::string& path, std::vector<uint8_t>& out) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return ReadFile::Unreadable;
    auto size = std::filesystem::file_size(path, ec);
    if (ec || size == 0) return ReadFile::Unreadable;
    if (size != kFirmwareFileSize) return ReadFile::WrongSize;
    std::ifstream in(path, std::ios::binary);
    if (!in) return ReadFile::Unreadable;
    out.resize(kFirmwareFileSize);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    out.resize(static_cast<size_t>(in.gcount()));
    if (out.empty()) return ReadFile::Unreadable;
    return ReadFile::Ok;
}

enum class BlockAnswer { Accepted, HeaderRefused, BodyRefusedTooOften, TransferFailed };

BlockAnswer SendBlock(ReportLink& link, const uint8_t* block, uint32_t address) {
    for (int refusals = 0;;) {
        const uint32_t sum = BlockSum(block, kFirmwareBlockSize);
        Report reply{};
        if (!Exchange(link, MakeCommandHeader(CMD_FIRMWARE_BLOCK, address, sum), reply))
            return BlockAnswer::TransferFailed;
        if (ReplyCode(reply) != kReplyAccepted) return BlockAnswer::HeaderRefused;
        for (size_t off = 0; off < kFirmwareBlockSize; off += kReportSize)
            if (!link.Write(block + off, kReportSize)) return BlockAnswer::TransferFailed;
        if (!ReceiveOnly(link, reply)) return BlockAnswer::TransferFailed;
        if (ReplyCode(reply) == kReplyAccepted) return BlockAnswer::Accepted;
        if (++refusals >= kMaxBodyRefusals) return BlockAnswer::BodyRefusedTooOften;
    }
}

}  // namespace

FirmwareOutcome UpdateFirmware(WatchFinder& watches, const std::string& path,
                               std::vector<uint8_t>& imageBuffer, DeviceMessageSink& sink,
                               LoadingIndicator& loading) {
    // The reason is what the user was told (nothing for a file that cannot be read).
    auto failed = [](FirmwareEnd r, std::string why) {
        return FirmwareOutcome::failure(std::move(why), {r});
    };
    auto refuse = [&](FirmwareEnd r, const char* message) {
        sink.showMessage(message);
        return failed(r, message);
    };
    if (path.empty()) return refuse(FirmwareEnd::NoFileChosen, kChooseFirmwareMessage);
    DeviceSession session(watches, sink);
    if (!session.IsOpen()) {
        return failed(FirmwareEnd::NotConnected, session.ReportNotConnected());
    }
    std::vector<uint8_t> file;
    switch (ReadFirmwareFile(path, file)) {
        case ReadFile::Unreadable:
            return failed(FirmwareEnd::Unreadable, "the firmware file cannot be read");
        case ReadFile::WrongSize:
            return refuse(FirmwareEnd::BadFormat, kBadFirmwareMessage);
        case ReadFile::Ok:
            break;
    }
    if (!IsFirmwareFile(file)) return refuse(FirmwareEnd::BadFormat, kBadFirmwareMessage);
    imageBuffer.assign(file.begin(), file.begin() + kFirmwareImageSize);
    std::vector<uint8_t>().swap(file);
    StampFirmwareImage(imageBuffer);

    ReportLink& link = session.link();
    Report reply{};
    if (!Exchange(link, MakeRequest(CMD_MODEL_QUERY), reply)) {
        return failed(FirmwareEnd::TransferFailed, session.ReportFailed());
    }
    if (ReplyText(reply) != kWatchModel)
        return refuse(FirmwareEnd::WrongModel, kUpdateFailedMessage);

    loading.start();
    const int total = static_cast<int>(kFirmwareBlocks);
    loading.progress(0, total);
    for (size_t i = 0; i < kFirmwareBlocks; ++i) {
        const uint32_t address = static_cast<uint32_t>(i * kFirmwareBlockSize);
        BlockAnswer r = SendBlock(link, imageBuffer.data() + address, address);
        if (r == BlockAnswer::Accepted) {
            loading.progress(static_cast<int>(i) + 1, total);
            continue;
        }
        loading.stop();
        if (r == BlockAnswer::TransferFailed) {
            return failed(FirmwareEnd::TransferFailed, session.ReportFailed());
        }
        return refuse(r == BlockAnswer::HeaderRefused ? FirmwareEnd::HeaderRefused
                                                      : FirmwareEnd::BodyRefusedTooOften,
                      kUpdateFailedMessage);
    }
    loading.stop();
    // The watch restarts on this one: no reply is read and the write's result is moot.
    SendOnly(link, MakeCommandHeader(CMD_FIRMWARE_END));
    sink.showMessage(kUpdateDoneMessage);
    return FirmwareOutcome::success({FirmwareEnd::Completed});
}

}  // namespace dorvath
