// What the rules say of two items of one name, one on each side: a function
// of the two items and the rules alone, before any content is read.
#pragma once

#include <cstdint>

#include "engine/side/Element.h"

namespace dm {

struct VerdictRules {
    uint8_t options = kAllOptions;
    uint64_t timeStep = 1;   // the coarser side's step of times, in 100-ns units
    int32_t timeWindow = 0;  // seconds within which two times are the same
    bool ignoreHourShift = false;
};

// Identical or different, and why: each fact the rules compare, 1 where the
// two agree (or the rule is off).
struct PairVerdict {
    bool identical = false;
    uint8_t sameSize = 1;
    uint8_t sameTime = 1;
    uint8_t sameVersion = 1;  // or kVersionNotRead, where a version is still to be read
};

PairVerdict verdictOf(const element_t& a, const element_t& b, const VerdictRules& rules);

// Whether B's file of a pair that differs is the newer one: by its version
// where the version rule is on and both versions are numbers that differ,
// else by its modification time beyond what the rules call the same time.
bool newerInB(const element_t& a, const element_t& b, const VerdictRules& rules);

// Whether two modification times are the same under the rules.
bool sameTime(const platform::FILETIME& a, const platform::FILETIME& b, const VerdictRules& rules);

}  // namespace dm
