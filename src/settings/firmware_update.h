#pragma once
// Writing a firmware image file to the watch.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "data/result.h"
#include "device/device_messages.h"
#include "device/watch_finder.h"

namespace dorvath {

constexpr size_t kFirmwareFileSize = 786436;  // image and trailer
constexpr uint32_t kFirmwareTrailer = 0xAAAA5200;
constexpr size_t kStampOffset = 0xBCFF0;
constexpr size_t kStampRegionStart = 0x80000;
// A block body the watch keeps refusing is given up after this many tries.
constexpr int kMaxBodyRefusals = 16;

inline constexpr const char* kChooseFirmwareMessage = "更新データーを選んで下さい";
inline constexpr const char* kBadFirmwareMessage = "データー式が間違っています";
inline constexpr const char* kUpdateFailedMessage = "ミス更新";
inline constexpr const char* kUpdateDoneMessage = "更新が完了しました";

// How an update ended (Result's payload tells it beside the reason).
enum class FirmwareEnd {
    Completed,
    NoFileChosen,
    NotConnected,
    Unreadable,  // missing, unreadable or empty: ended without a message
    BadFormat,
    WrongModel,
    HeaderRefused,
    BodyRefusedTooOften,
    TransferFailed,
};

// True for a file of exactly 786,436 bytes ending in 00 52 AA AA.
bool IsFirmwareFile(const std::vector<uint8_t>& file);
// Writes the 12-byte stamp at 0xBCFF0 of a 0xC0000-byte image: marker, sum of the bytes
// from 0x80000 up to the stamp, and that region's length.
void StampFirmwareImage(std::vector<uint8_t>& image);
uint32_t BlockSum(const uint8_t* block, size_t length);

// "onupdate": checks the file, stamps a copy of its image in `imageBuffer` (the page's
// buffer, kept between updates), asks the model, then sends the 192 blocks with `loading`
// shown. Every message goes to `sink`.
struct FirmwareReport {
    FirmwareEnd end = FirmwareEnd::TransferFailed;
};
using FirmwareOutcome = Result<FirmwareReport>;
FirmwareOutcome UpdateFirmware(WatchFinder& watches, const std::string& path,
                               std::vector<uint8_t>& imageBuffer, DeviceMessageSink& sink,
                               LoadingIndicator& loading);

}  // namespace dorvath
