#include "device/protocol.h"

#include <cstring>

namespace dorvath {

Report MakeRequest(uint32_t code) {
    Report r{};
    PutU32(r.data(), code);
    return r;
}

Report MakeCommandHeader(uint32_t code, uint32_t arg1, uint32_t arg2) {
    Report r = MakeRequest(code);
    PutU32(r.data() + 4, arg1);
    PutU32(r.data() + 8, arg2);
    return r;
}

Report MakeDataRequest(uint32_t code, const uint8_t* data, size_t length) {
    Report r = MakeRequest(code);
    if (length > kReportSize - 4) length = kReportSize - 4;
    std::memcpy(r.data() + 4, data, length);
    return r;
}

bool SendOnly(ReportLink& link, const Report& request) {
    return link.Write(request.data(), request.size());
}

bool ReceiveOnly(ReportLink& link, Report& reply) { return link.Read(reply.data(), reply.size()); }

bool Exchange(ReportLink& link, const Report& request, Report& reply) {
    return SendOnly(link, request) && ReceiveOnly(link, reply);
}

namespace {

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string ReplyText(const Report& r) {
    std::u16string units;
    for (size_t i = 0; i + 1 < r.size(); i += 2) {
        char16_t u = static_cast<char16_t>(r[i] | (r[i + 1] << 8));
        if (u == 0) break;
        units += u;
    }
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

Report TextReply(const std::u16string& text) {
    Report r{};
    for (size_t i = 0; i < text.size() && i < kReportSize / 2; ++i) {
        r[2 * i] = static_cast<uint8_t>(text[i]);
        r[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
    return r;
}

std::u16string Utf8ToUtf16(const std::string& s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        uint32_t c;
        size_t n;
        if (b < 0x80) {
            c = b, n = 1;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F, n = 2;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F, n = 3;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07, n = 4;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (i + n > s.size()) {
            out += u'\uFFFD';
            break;
        }
        for (size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += n;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

LogHeader LogHeader::parse(const uint8_t* p) {
    LogHeader h;
    h.start_time = GetU32(p);
    h.record_count = GetU32(p + 4);
    h.unused = GetU32(p + 8);
    h.distance_km = GetF32(p + 12);
    h.kcal = GetI32(p + 16);
    h.elapsed = GetI32(p + 20);
    h.pace = GetF32(p + 24);
    return h;
}

void LogHeader::serialize(uint8_t* p) const {
    PutU32(p, start_time);
    PutU32(p + 4, record_count);
    PutU32(p + 8, unused);
    PutF32(p + 12, distance_km);
    PutI32(p + 16, kcal);
    PutI32(p + 20, elapsed);
    PutF32(p + 24, pace);
}

LogRecord LogRecord::parse(const uint8_t* p) {
    LogRecord r;
    r.lat_e6 = GetI32(p);
    r.lng_e6 = GetI32(p + 4);
    r.time = GetU32(p + 8);
    r.speed = GetF32(p + 12);
    r.dist = GetF64(p + 16);
    r.kcal = GetI32(p + 24);
    r.kind = GetI32(p + 28);
    r.lap_distance = GetF32(p + 32);
    r.lap_seconds = GetI32(p + 36);
    r.pace = GetF32(p + 40);
    r.atli = GetF32(p + 44);
    return r;
}

void LogRecord::serialize(uint8_t* p) const {
    PutI32(p, lat_e6);
    PutI32(p + 4, lng_e6);
    PutU32(p + 8, time);
    PutF32(p + 12, speed);
    PutF64(p + 16, dist);
    PutI32(p + 24, kcal);
    PutI32(p + 28, kind);
    PutF32(p + 32, lap_distance);
    PutI32(p + 36, lap_seconds);
    PutF32(p + 40, pace);
    PutF32(p + 44, atli);
}

namespace {
constexpr uint32_t kReadCodes[3] = {CMD_SETTINGS_READ_1, CMD_SETTINGS_READ_2, CMD_SETTINGS_READ_3};
constexpr uint32_t kWriteCodes[3] = {CMD_SETTINGS_WRITE_1, CMD_SETTINGS_WRITE_2,
                                     CMD_SETTINGS_WRITE_3};
}  // namespace

bool ReadWatchSettings(ReportLink& link, DeviceSettings& block) {
    for (size_t s = 0; s < DeviceSettings::kSlices.size(); ++s) {
        auto [offset, length] = DeviceSettings::kSlices[s];
        Report reply{};
        if (!Exchange(link, MakeRequest(kReadCodes[s]), reply)) return false;
        std::memcpy(block.data() + offset, reply.data() + 4, length);
    }
    return true;
}

bool WriteWatchSettings(ReportLink& link, const DeviceSettings& block) {
    for (size_t s = 0; s < DeviceSettings::kSlices.size(); ++s) {
        auto [offset, length] = DeviceSettings::kSlices[s];
        Report reply{};
        if (!Exchange(link, MakeDataRequest(kWriteCodes[s], block.data() + offset, length), reply))
            return false;
    }
    return true;
}

}  // namespace dorvath
