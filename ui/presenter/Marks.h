// How the six marks look in every front end: their colours, and the order
// the legend lists them in.
#pragma once

#include <array>
#include <cstdint>

#include "engine/compare/ResultView.h"

namespace dm {

// 0xRRGGBB of a mark (a StateIndex); grey for any other.
constexpr uint32_t markColour(int index)
{
    switch (index) {
        case StateLacking: return 0xD93B3B;
        case StateRedundant: return 0x2F7DD1;
        case StateError: return 0x8E44AD;
        case StateIdentical: return 0x2E9E4F;
        case StateDifferent: return 0xE68A00;
        default: return 0x9A9A9A;  // not compared
    }
}

// Whether an item of this mark is one that F8 and Shift+F8 go to: what
// still needs looking at (a folder is passed for what differs inside it).
constexpr bool isDifferenceMark(int index)
{
    return index == StateLacking || index == StateRedundant || index == StateDifferent || index == StateError;
}

constexpr std::array<int, 6> kLegendOrder = {StateLacking,   StateRedundant,   StateDifferent,
                                             StateIdentical, StateNotCompared, StateError};

}  // namespace dm
