// The table of a comparison's settings, and reading and writing it.
#include "config/Settings.h"

#include <algorithm>
#include <optional>

#include "platform/IniFile.h"
#include "platform/Text.h"

namespace dm {

namespace {

using R = ComparisonRequest;

const Setting kSettings[] = {
    {.key = "TimeWindow",
     .option = "--time-window",
     .help = "times that differ by no more than this many seconds are the same (default 0)",
     .shown = "time window",
     .number = &R::timeWindow,
     .high = 86400},
    {.key = "IgnoreHourShift",
     .option = "--ignore-hour-shift",
     .help = "times exactly an hour apart (daylight saving on FAT) are the same",
     .shown = "ignore hour shift",
     .flag = &R::ignoreHourShift},
    {.key = "KeepGoing",
     .option = "--keep-going",
     .help = "skip a folder that cannot be read (marked !, never copied into or from) instead of stopping; "
             "the exit code is then 2",
     .shown = "keep going",
     .flag = &R::keepGoing},
    {.key = "MaxEntries",
     .option = "--max-entries",
     .help = "entries per tree before the comparison stops (default 10000)",
     .shown = "max entries",
     .number = &R::maxEntries,
     .low = 3,
     .high = 100000000},
    {.key = "BackupDir",
     .option = "--backup-dir",
     .help = "keep every file a sync replaces in DIR/YYYY-MM-DD HHMMSS/ (a relative DIR lies inside B and is "
             "left out of comparisons; \"\": none)",
     .shown = "backup folder",
     .text = &R::backupDir,
     .none = "none"},
    {.key = "BackupKeepDays",
     .option = "--backup-keep",
     .help = "remove backup sets older than this many days when a sync starts (default 0: keep them all)",
     .shown = "backup sets kept",
     .number = &R::backupKeepDays,
     .high = 36500,
     .syncOnly = true,
     .none = "all",
     .unit = " days"},
    {.key = "KeepNewer",
     .option = "--keep-newer",
     .help = "leave files that are newer in B (by time, or by version under the version rule) as they are",
     .shown = "keep newer in B",
     .flag = &R::keepNewer,
     .syncOnly = true},
};

// The number a row's text gives, where it is one.
std::optional<int64_t> numberIn(const std::string& text)
{
    bool negative = false;
    bool hexadecimal = false;
    uint64_t magnitude = 0;
    if (!platform::parseInteger(text, negative, hexadecimal, magnitude) || magnitude >= (1ull << 62))
        return std::nullopt;
    return negative ? -int64_t(magnitude) : int64_t(magnitude);
}

}  // namespace

std::span<const Setting> comparisonSettings()
{
    return kSettings;
}

bool readSettings(const platform::IniFile& ini, const char* section, ComparisonRequest& request, std::string* why)
{
    for (const Setting& row : kSettings) {
        const std::optional<std::string> value = ini.value(section, row.key);
        if (!value) continue;  // the default stands
        if (row.text) {
            request.*row.text = *value;
            continue;
        }
        const std::optional<int64_t> number = numberIn(*value);
        if (!number || *number < row.low || *number > row.high) {
            if (why) {
                *why = std::string(row.key) + ": '" + *value + "' is not a number from " + std::to_string(row.low) +
                       " to " + std::to_string(row.high);
                return false;
            }
            if (!number) continue;
        }
        const int64_t kept = std::clamp<int64_t>(*number, row.low, row.high);
        if (row.number) request.*row.number = int32_t(kept);
        if (row.flag) request.*row.flag = kept != 0;
    }
    return true;
}

bool writeSettings(platform::IniFile& ini, const char* section, const ComparisonRequest& request, bool changedOnly)
{
    static const ComparisonRequest defaults;
    for (const Setting& row : kSettings) {
        const bool changed = row.text     ? request.*row.text != defaults.*row.text
                             : row.number ? request.*row.number != defaults.*row.number
                                          : request.*row.flag != defaults.*row.flag;
        if (changedOnly && !changed && !ini.value(section, row.key)) continue;
        const bool written =
            row.text ? ini.writeString(section, row.key, request.*row.text)
                     : ini.writeInteger(section, row.key, row.number ? request.*row.number : int(request.*row.flag));
        if (!written) return false;
    }
    return true;
}

std::string settingText(const Setting& row, const ComparisonRequest& request)
{
    if (row.flag) return request.*row.flag ? "yes" : "no";
    const std::string value = row.text ? request.*row.text : std::to_string(request.*row.number);
    if (*row.none && (row.text ? value.empty() : request.*row.number == 0)) return row.none;
    return value + row.unit;
}

}  // namespace dm
