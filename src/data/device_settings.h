#pragma once
// The watch's settings record: 124 bytes exchanged with the watch, then two fields of
// our own, 132 bytes in setting.dat. Kept as raw little-endian bytes so the layout never
// depends on the compiler.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dorvath {

struct SettingsField {
    const char* name;  // the form name
    int offset;
    int width;  // 1, 2 or 4 bytes
    bool isSigned;
    int32_t defaultValue;
    int32_t low, high;  // the values the watch knows
};

class DeviceSettings {
  public:
    static constexpr int kDeviceSize = 124;
    static constexpr int kFileSize = 132;
    // The three transfer slices of the device part: {offset, length}.
    static constexpr std::array<std::pair<int, int>, 3> kSlices{{{0, 60}, {60, 60}, {120, 4}}};

    DeviceSettings();  // every field at its default

    // Every field in layout order.
    static const std::vector<SettingsField>& fields();
    static const SettingsField* findField(std::string_view name);

    // By form name; nullopt for an unknown name. set returns false for an unknown name.
    std::optional<int32_t> get(std::string_view name) const;
    bool set(std::string_view name, int32_t value);

    // Sets every field outside its range to its default; one line per field so changed
    // ("weight -5 is out of range 1..299; 60 is used").
    std::vector<std::string> resetOutOfRange();

    int32_t utcBias() const { return *get("utc_bias"); }
    int32_t daylight() const { return *get("daylight"); }
    int32_t tformat() const { return *get("tformat"); }
    int32_t unitSystem() const { return *get("unit_system"); }

    std::array<uint8_t, kFileSize>& bytes() { return bytes_; }
    const std::array<uint8_t, kFileSize>& bytes() const { return bytes_; }
    uint8_t* data() { return bytes_.data(); }
    const uint8_t* data() const { return bytes_.data(); }

    bool operator==(const DeviceSettings&) const = default;

  private:
    std::array<uint8_t, kFileSize> bytes_{};
};

}  // namespace dorvath
