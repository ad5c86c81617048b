#include "data/device_settings.h"

#include <cstring>
#include <limits>

#include "data/byte_order.h"

namespace dorvath {

const std::vector<SettingsField>& DeviceSettings::fields() {
    static const std::vector<SettingsField> table = [] {
        std::vector<SettingsField> t;
        for (int n = 0; n < 3; ++n) {
            static const char* const alarm[] = {"alarm0", "alarm1", "alarm2"};
            static const char* const hour[] = {"hour0", "hour1", "hour2"};
            static const char* const min[] = {"min0", "min1", "min2"};
            t.push_back({alarm[n], 4 * n, 2, false, 0, 0, 1});
            t.push_back({hour[n], 4 * n + 2, 1, false, 12, 0, 23});
            t.push_back({min[n], 4 * n + 3, 1, false, 0, 0, 59});
        }
        struct Int32Field {
            const char* name;
            int32_t def, low, high;
        };
        constexpr int32_t kAny = std::numeric_limits<int32_t>::max();
        static const Int32Field ints[] = {{"tag_dist_mode", 0, 0, 1},
                                          {"tag_dist", 5, 1, 99},
                                          {"tag_time_mode", 0, 0, 1},
                                          {"tag_time", 30, 1, 99},
                                          {"run_count", 6, 1, 99},
                                          {"fast_run_mode", 1, 0, 1},
                                          {"fast_run_dist", 30, 1, 999},
                                          {"fast_run_time", 5, 1, 99},
                                          {"slow_run_mode", 1, 0, 1},
                                          {"slow_run_dist", 30, 1, 999},
                                          {"slow_run_time", 5, 1, 99},
                                          {"lap_mode", 0, 0, 2},
                                          {"lap_dist", 1, 1, 99},
                                          {"lap_time", 5, 1, 99},
                                          {"auto_pause_mode", 0, 0, 1},
                                          {"auto_pause_spd", 1, 1, 99},
                                          {"bk_light", 0, 0, 3},
                                          {"nightmode", 0, 0, 1},
                                          {"buzzer", 1, 0, 1},
                                          {"buzzer_auto_lap", 1, 0, 1},
                                          {"buzzer_interval", 1, 0, 1},
                                          {"interval", 1, 0, 3},
                                          {"lap_disp", 1, 0, 3},
                                          {"weight", 60, 1, 299},
                                          {"tformat", 0, 0, 1},
                                          {"display", 1, 0, 1},
                                          {"daylight", 0, 0, 1},
                                          {"utc_bias", -540, -840, 720},
                                          {"reserved", 0, -kAny - 1, kAny},
                                          {"unit_system", 0, 0, 1}};
        int offset = 12;
        for (const auto& f : ints) {
            t.push_back({f.name, offset, 4, true, f.def, f.low, f.high});
            offset += 4;
        }
        return t;
    }();
    return table;
}

const SettingsField* DeviceSettings::findField(std::string_view name) {
    for (const auto& f : fields())
        if (name == f.name) return &f;
    return nullptr;
}

DeviceSettings::DeviceSettings() {
    for (const auto& f : fields()) set(f.name, f.defaultValue);
}

std::optional<int32_t> DeviceSettings::get(std::string_view name) const {
    const SettingsField* f = findField(name);
    if (!f) return std::nullopt;
    const uint8_t* p = bytes_.data() + f->offset;
    switch (f->width) {
        case 1:
            return p[0];
        case 2:
            return static_cast<int32_t>(p[0] | (p[1] << 8));
        default:
            return GetI32(p);
    }
}

std::vector<std::string> DeviceSettings::resetOutOfRange() {
    std::vector<std::string> changed;
    for (const auto& f : fields()) {
        const int32_t v = *get(f.name);
        if (v >= f.low && v <= f.high) continue;
        changed.push_back(std::string(f.name) + " " + std::to_string(v) + " is out of range " +
                          std::to_string(f.low) + ".." + std::to_string(f.high) + "; " +
                          std::to_string(f.defaultValue) + " is used");
        set(f.name, f.defaultValue);
    }
    return changed;
}

bool DeviceSettings::set(std::string_view name, int32_t value) {
    const SettingsField* f = findField(name);
    if (!f) return false;
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < f->width; ++i) bytes_[f->offset + i] = static_cast<uint8_t>(v >> (8 * i));
    return true;
}

}  // namespace dorvath
