#pragma once
// The settings page's binding, apart from any page: the block as a name -> value map for
// the form, the form's values read back into the block with their checks and clamps, and
// the time-zone label and buttons.
#include <cstdint>
#include <map>
#include <string>
#include <variant>

#include "data/device_settings.h"

namespace dorvath {

// One form value by kind: a radio group's index, a select's or a number's value (int),
// a text field's text; monostate when the page reported none (no radio checked). The
// same variant the page engine's form map holds, so its maps pass through unchanged.
using SettingsFormValue = std::variant<std::monostate, std::int64_t, std::string, bool>;
using SettingsForm = std::map<std::string, SettingsFormValue>;

inline constexpr const char* kAlarmTimeMessage = "アラーム時間が間違っています";

// The fill map: integers for radio groups, selects and the weight, "%.2d" texts for the
// two-digit fields, "%.1f" tenths for the sprint and jog distances.
SettingsForm SettingsToForm(const DeviceSettings& block);

enum class ReadBack {
    Taken,         // every field set from the form, nothing clamped
    Clamped,       // set, and at least one value was brought into range
    InvalidAlarm,  // an hour of 24 or more or a minute of 60 or more: block untouched
};

// Reads the form into `block`, with `pageBias` as the time-zone bias. The program-only
// fields (`reserved`, `unit_system`) are never touched.
ReadBack ReadSettingsForm(const SettingsForm& form, int32_t pageBias, DeviceSettings& block);

// "UTC+09:00" for -540, "UTC-05:00" for 300.
std::string UtcLabel(int32_t bias);

// The bias after "utc_add" (30 minutes east, not beyond -840) and "utc_dec" (30 minutes
// west, not beyond 720).
int32_t UtcAdd(int32_t bias);
int32_t UtcDec(int32_t bias);

// Leading decimal integer of a text ("07" -> 7, "" -> 0, "12ab" -> 12), saturated to
// the int32 range.
int32_t TextInteger(const std::string& text);
// A decimal text times ten, truncated towards zero ("3.5" -> 35, "0.05" -> 0).
int32_t TextTenths(const std::string& text);

}  // namespace dorvath
