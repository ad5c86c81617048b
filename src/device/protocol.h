#pragma once
// The watch's command protocol: command codes, request layout, the three kinds of
// transfer, text replies, and the binary records of a log.
#include <array>
#include <cstdint>
#include <string>

#include "data/byte_order.h"
#include "data/device_settings.h"
#include "device/report_link.h"

namespace dorvath {

using Report = std::array<uint8_t, kReportSize>;

constexpr uint32_t CMD_FIRMWARE_VERSION = 0x55AA5511;
constexpr uint32_t CMD_SETTINGS_WRITE_1 = 0x55AA5530;
constexpr uint32_t CMD_SETTINGS_WRITE_2 = 0x55AA5531;
constexpr uint32_t CMD_SETTINGS_WRITE_3 = 0x55AA5534;
constexpr uint32_t CMD_SETTINGS_READ_1 = 0x55AA5532;
constexpr uint32_t CMD_SETTINGS_READ_2 = 0x55AA5533;
constexpr uint32_t CMD_SETTINGS_READ_3 = 0x55AA5535;
constexpr uint32_t CMD_LOG_COUNT = 0x55AA0100;
constexpr uint32_t CMD_LOG_HEADER = 0x55AA0101;
constexpr uint32_t CMD_LOG_RECORDS = 0x55AA0102;
constexpr uint32_t CMD_LOG_RECORDS_ACK = 0x55AA0103;
constexpr uint32_t CMD_LOG_DELETE_ALL = 0x55AA0104;
constexpr uint32_t CMD_MODEL_QUERY = 0x55AA0006;
constexpr uint32_t CMD_FIRMWARE_BLOCK = 0x55AA5501;
constexpr uint32_t CMD_FIRMWARE_END = 0x65AA5003;  // 0x65AA, not 0x55AA

constexpr uint32_t kReplyAccepted = 0xAAAAAAAA;
// The model the watch names in its reply to CMD_MODEL_QUERY.
inline constexpr const char* kWatchModel = "KT907";
// The watch acknowledges its record stream every this many records.
constexpr uint32_t kRecordsPerAck = 64;
// A firmware image goes over in blocks, each a header, 64 body reports and a reply.
constexpr size_t kFirmwareImageSize = 0xC0000;
constexpr size_t kFirmwareBlockSize = 4096;
constexpr size_t kFirmwareBlocks = kFirmwareImageSize / kFirmwareBlockSize;  // 192

// A request with only the code; the rest is zero.
Report MakeRequest(uint32_t code);
// The CommandHeader form: code, first argument, second argument, zero; zeros after it.
Report MakeCommandHeader(uint32_t code, uint32_t arg1 = 0, uint32_t arg2 = 0);
// Code in bytes 0-3, then `length` data bytes from byte 4 (at most 60); zeros after.
Report MakeDataRequest(uint32_t code, const uint8_t* data, size_t length);

// The reply code: bytes 0-3.
inline uint32_t ReplyCode(const Report& r) { return GetU32(r.data()); }

// Write then read one reply. Fails when either fails; never repeats.
bool Exchange(ReportLink& link, const Report& request, Report& reply);
bool SendOnly(ReportLink& link, const Report& request);
bool ReceiveOnly(ReportLink& link, Report& reply);

// UTF-16LE from byte 0 up to the first zero code unit or the end of the 64 bytes (at
// most 32 characters), as UTF-8. Unpaired surrogates become U+FFFD.
std::string ReplyText(const Report& r);
// The other direction, for the simulated watch: at most 32 code units, zero-padded.
Report TextReply(const std::u16string& text);
std::u16string Utf8ToUtf16(const std::string& s);

// Header of one log, reply bytes 4-31 of CMD_LOG_HEADER.
struct LogHeader {
    static constexpr size_t kSize = 28;
    uint32_t start_time = 0;
    uint32_t record_count = 0;
    uint32_t unused = 0;
    float distance_km = 0;
    int32_t kcal = 0;
    int32_t elapsed = 0;
    float pace = 0;

    static LogHeader parse(const uint8_t* p);
    void serialize(uint8_t* p) const;
};

// One record of a log's stream, bytes 0-47 of its report.
struct LogRecord {
    static constexpr size_t kSize = 48;
    static constexpr int32_t kFix = 0;
    static constexpr int32_t kLapMarker = 1;
    int32_t lat_e6 = 0;
    int32_t lng_e6 = 0;
    uint32_t time = 0;
    float speed = 0;
    double dist = 0;
    int32_t kcal = 0;
    int32_t kind = 0;
    float lap_distance = 0;
    int32_t lap_seconds = 0;
    float pace = 0;
    float atli = 0;

    static LogRecord parse(const uint8_t* p);
    void serialize(uint8_t* p) const;
};

// The three settings reads into `block` (bytes 0-123). Slices already received stay in
// the block when a later one fails; false then.
bool ReadWatchSettings(ReportLink& link, DeviceSettings& block);
// The three settings writes of bytes 0-123 of `block`; stops at the first failure.
bool WriteWatchSettings(ReportLink& link, const DeviceSettings& block);

}  // namespace dorvath
