// The settings of a comparison that the settings file, the command line and
// a saved job each give: a row each, so that all three read, write, check
// and show them alike. A setting's default is the request's own.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/ComparisonRequest.h"

namespace dm {

namespace platform {
class IniFile;
}

struct Setting {
    const char* key;     // under [Global] in pre.ini, and in a job file
    const char* option;  // the command line's
    const char* help;    // what --help says of it
    const char* shown;   // as `job show` names it
    // The request's field: a number within [low, high], or yes or no, or a text.
    int32_t ComparisonRequest::*number = nullptr;
    bool ComparisonRequest::*flag = nullptr;
    std::string ComparisonRequest::*text = nullptr;
    int32_t low = 0;
    int32_t high = 1;
    bool syncOnly = false;  // given only where a command copies
    const char* none = "";  // what `job show` says of 0 or an empty text ("": the value)
    const char* unit = "";  // after a number `job show` gives
};

std::span<const Setting> comparisonSettings();

// Reads every row that `section` of `ini` holds into `request`, leaving the
// others as they are. A value out of its range: with `why`, false and why;
// without, the nearest value in range (a hand-edited pre.ini never stops the program).
bool readSettings(const platform::IniFile& ini, const char* section, ComparisonRequest& request,
                  std::string* why = nullptr);

// Writes every row into `section`; with `changedOnly`, only those that
// differ from their default or are there already, so that a first start
// writes the file it always did. False where a value cannot be written.
bool writeSettings(platform::IniFile& ini, const char* section, const ComparisonRequest& request,
                   bool changedOnly = false);

// The row's value as `job show` says it.
std::string settingText(const Setting& row, const ComparisonRequest& request);

}  // namespace dm
