#include "settings/settings_form.h"

#include <cctype>
#include <limits>

#include "data/c_format.h"

namespace dorvath {
namespace {

// Radio groups, selects and the number input: integers both ways.
constexpr const char* kIntegerFields[] = {
    "weight",          "tformat",         "nightmode", "bk_light",      "buzzer",
    "buzzer_auto_lap", "buzzer_interval", "interval",  "display",       "daylight",
    "auto_pause_mode", "lap_mode",        "lap_disp",  "tag_dist_mode", "tag_time_mode",
    "alarm0",          "alarm1",          "alarm2",    "fast_run_mode", "slow_run_mode"};

// Text fields shown with at least two digits.
constexpr const char* kTwoDigitFields[] = {
    "auto_pause_spd", "lap_dist",      "lap_time",      "tag_dist", "tag_time",
    "hour0",          "hour1",         "hour2",         "min0",     "min1",
    "min2",           "fast_run_time", "slow_run_time", "run_count"};

// Text fields of tenths: 30 is shown as 3.0.
constexpr const char* kTenthsFields[] = {"fast_run_dist", "slow_run_dist"};

// Fields that may not be 0.
constexpr const char* kAtLeastOne[] = {"auto_pause_spd", "lap_dist", "lap_time",
                                       "tag_dist",       "tag_time", "fast_run_time",
                                       "slow_run_time",  "run_count"};

constexpr const char* kHours[] = {"hour0", "hour1", "hour2"};
constexpr const char* kMinutes[] = {"min0", "min1", "min2"};

int32_t Saturate(long long v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

const SettingsFormValue* Find(const SettingsForm& form, const char* name) {
    auto it = form.find(name);
    return it == form.end() ? nullptr : &it->second;
}

// An integer entry; anything else (no radio checked, a text, absent) counts 0.
int32_t IntegerEntry(const SettingsForm& form, const char* name) {
    const SettingsFormValue* v = Find(form, name);
    if (!v) return 0;
    if (auto i = std::get_if<std::int64_t>(v)) return Saturate(*i);
    if (auto b = std::get_if<bool>(v)) return *b ? 1 : 0;
    return 0;
}

std::string TextEntry(const SettingsForm& form, const char* name) {
    const SettingsFormValue* v = Find(form, name);
    if (!v) return {};
    if (auto s = std::get_if<std::string>(v)) return *s;
    if (auto i = std::get_if<std::int64_t>(v)) return std::to_string(*i);
    return {};
}

// Sets `name` to `value` limited to [low, high]; true when that changed the value.
bool Clamp(DeviceSettings& block, const char* name, int32_t value, int32_t low, int32_t high) {
    const int32_t limited = value < low ? low : value > high ? high : value;
    block.set(name, limited);
    return limited != value;
}

// The sign and digits at the start of a text (after blanks), and where they stop.
struct Leading {
    bool negative = false;
    long long magnitude = 0;
    size_t end = 0;
};

Leading LeadingInteger(const std::string& text) {
    Leading r;
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) r.negative = text[i++] == '-';
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        if (r.magnitude < (1LL << 40)) r.magnitude = r.magnitude * 10 + (text[i] - '0');
    r.end = i;
    return r;
}

}  // namespace

int32_t TextInteger(const std::string& text) {
    const Leading l = LeadingInteger(text);
    return Saturate(l.negative ? -l.magnitude : l.magnitude);
}

int32_t TextTenths(const std::string& text) {
    // Digit by digit rather than through a double, so 2.3 is exactly 23.
    const Leading l = LeadingInteger(text);
    long long tenths = l.magnitude * 10;
    if (l.end + 1 < text.size() && text[l.end] == '.' &&
        std::isdigit(static_cast<unsigned char>(text[l.end + 1])))
        tenths += text[l.end + 1] - '0';
    return Saturate(l.negative ? -tenths : tenths);
}

SettingsForm SettingsToForm(const DeviceSettings& block) {
    SettingsForm form;
    for (const char* name : kIntegerFields) form[name] = std::int64_t{*block.get(name)};
    for (const char* name : kTwoDigitFields) form[name] = CFormat("%.2d", *block.get(name));
    for (const char* name : kTenthsFields) form[name] = CFormat("%.1f", *block.get(name) / 10.0);
    return form;
}

ReadBack ReadSettingsForm(const SettingsForm& form, int32_t pageBias, DeviceSettings& block) {
    // The alarm times first: one wrong time and nothing of the form is taken.
    for (int n = 0; n < 3; ++n) {
        const int32_t hour = TextInteger(TextEntry(form, kHours[n]));
        const int32_t minute = TextInteger(TextEntry(form, kMinutes[n]));
        if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60) return ReadBack::InvalidAlarm;
    }

    DeviceSettings next = block;
    next.set("utc_bias", pageBias);
    for (const char* name : kIntegerFields) next.set(name, IntegerEntry(form, name));
    for (const char* name : kTwoDigitFields) next.set(name, TextInteger(TextEntry(form, name)));
    for (const char* name : kTenthsFields) next.set(name, TextTenths(TextEntry(form, name)));

    // Below the range counts as its lowest value: a negative number would reach the watch
    // as a huge unsigned one.
    bool clamped = Clamp(next, "weight", IntegerEntry(form, "weight"), 1, 299);
    for (const char* name : kAtLeastOne)
        clamped |= Clamp(next, name, *next.get(name), 1, std::numeric_limits<int32_t>::max());
    for (const char* name : kTenthsFields) clamped |= Clamp(next, name, *next.get(name), 1, 999);
    // Back light always on only with night mode on.
    if (*next.get("nightmode") == 0 && *next.get("bk_light") == 3) {
        next.set("bk_light", 0);
        clamped = true;
    }
    block = next;
    return clamped ? ReadBack::Clamped : ReadBack::Taken;
}

std::string UtcLabel(int32_t bias) {
    // "UTC%+.2d:%02d" of the offset from UTC, which is the bias with its sign turned.
    const long long m = bias < 0 ? -static_cast<long long>(bias) : bias;
    return CFormat("UTC%c%02d:%02d", bias > 0 ? '-' : '+', m / 60, m % 60);
}

int32_t UtcAdd(int32_t bias) { return bias > -840 ? bias - 30 : bias; }

int32_t UtcDec(int32_t bias) { return bias < 720 ? bias + 30 : bias; }

}  // namespace dorvath
