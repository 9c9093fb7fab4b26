// What the pair view says above a pair: how many places differ and how
// each side is written, or where binary content first differs.
#pragma once

#include <string>

#include "engine/compare/PairDiff.h"

namespace dm {

// Text: the differences, each side's encoding and line ends, and what a
// reader should know besides (only the line ends differ, too many lines to align).
std::string textSummary(const PairContent& content, bool hasA, bool hasB);

// Bytes: where they first differ, that they do not, or why they could not be read.
std::string bytesSummary(const ByteDifference& first, bool hasA, bool hasB);

// "0x1f (31)": an offset as the view names it.
std::string offsetText(uint64_t offset);

}  // namespace dm
