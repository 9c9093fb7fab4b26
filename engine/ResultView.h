// How a result node is presented, the same in every front end: whether it is
// shown, which of the six marks it carries, and the texts around the tree.
#pragma once

#include <string>

#include "engine/Comp.h"

namespace dm {

// The marks, numbered as the legend's state images.
enum StateIndex : int {
    StateNone = 0,  // the header
    StateLacking = 1,
    StateRedundant = 2,
    StateError = 3,
    StateIdentical = 4,
    StateDifferent = 5,
    StateNotCompared = 6,
};

int stateIndexOf(const result_t& r);

// With only-differences on, identical items and items left out by the filters are hidden.
bool isShown(const result_t& r, bool onlyDiff);

// Whether the node shows its children (a compared pair of folders).
bool showsChildren(const result_t& r);

// "name    ---    N" for a folder pair showing N children.
std::string folderNodeText(const std::string& name, int shownChildren);

// "缺:3 | 异:0 | 多:12" from the counts of a result node.
std::string countsText(const result_t& r);

}  // namespace dm
