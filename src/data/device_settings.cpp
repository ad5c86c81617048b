#include "data/device_settings.h"

#include <cstring>

#include "data/byte_order.h"

namespace dorvath {

const std::vector<SettingsField>& DeviceSettings::fields() {
    static const std::vector<SettingsField> table = [] {
        std::vector<SettingsField> t;
        for (int n = 0; n < 3; ++n) {
            static const char* const alarm[] = {"alarm0", "alarm1", "alarm2"};
            static const char* const hour[] = {"hour0", "hour1", "hour2"};
            static const char* const min[] = {"min0", "min1", "min2"};
            t.push_back({alarm[n], 4 * n, 2, false, 0});
            t.push_back({hour[n], 4 * n + 2, 1, false, 12});
            t.push_back({min[n], 4 * n + 3, 1, false, 0});
        }
        struct Int32Field {
            const char* name;
            int32_t def;
        };
        static const Int32Field ints[] = {
            {"tag_dist_mode", 0},  {"tag_dist", 5},        {"tag_time_mode", 0},
            {"tag_time", 30},      {"run_count", 6},       {"fast_run_mode", 1},
            {"fast_run_dist", 30}, {"fast_run_time", 5},   {"slow_run_mode", 1},
            {"slow_run_dist", 30}, {"slow_run_time", 5},   {"lap_mode", 0},
            {"lap_dist", 1},       {"lap_time", 5},        {"auto_pause_mode", 0},
            {"auto_pause_spd", 1}, {"bk_light", 0},        {"nightmode", 0},
            {"buzzer", 1},         {"buzzer_auto_lap", 1}, {"buzzer_interval", 1},
            {"interval", 1},       {"lap_disp", 1},        {"weight", 60},
            {"tformat", 0},        {"display", 1},         {"daylight", 0},
            {"utc_bias", -540},    {"reserved", 0},        {"unit_system", 0}};
        int offset = 12;
        for (const auto& f : ints) {
            t.push_back({f.name, offset, 4, true, f.def});
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

bool DeviceSettings::set(std::string_view name, int32_t value) {
    const SettingsField* f = findField(name);
    if (!f) return false;
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < f->width; ++i) bytes_[f->offset + i] = static_cast<uint8_t>(v >> (8 * i));
    return true;
}

}  // namespace dorvath
