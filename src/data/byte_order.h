#pragma once
// Little-endian fields of the wire and of the files, whatever the host's byte order.
#include <bit>
#include <cstdint>

namespace dorvath {

inline uint32_t GetU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t GetI32(const uint8_t* p) { return static_cast<int32_t>(GetU32(p)); }
inline float GetF32(const uint8_t* p) { return std::bit_cast<float>(GetU32(p)); }
inline double GetF64(const uint8_t* p) {
    return std::bit_cast<double>(uint64_t(GetU32(p)) | uint64_t(GetU32(p + 4)) << 32);
}

inline void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutI32(uint8_t* p, int32_t v) { PutU32(p, static_cast<uint32_t>(v)); }
inline void PutF32(uint8_t* p, float v) { PutU32(p, std::bit_cast<uint32_t>(v)); }
inline void PutF64(uint8_t* p, double v) {
    const uint64_t bits = std::bit_cast<uint64_t>(v);
    PutU32(p, static_cast<uint32_t>(bits));
    PutU32(p + 4, static_cast<uint32_t>(bits >> 32));
}

}  // namespace dorvath
