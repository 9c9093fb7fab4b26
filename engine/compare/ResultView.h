// How a result node is presented, the same in every front end: whether it is
// shown, which of the six marks it carries, and the texts around the tree.
#pragma once

#include <string>
#include <vector>

#include "engine/compare/Comp.h"

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

// Which nodes a tree shows: the marks switched on, and a text the name must
// hold (ignoring case; empty: any). A node that fails is still shown when one
// below it is, so that the path to it stays.
struct ShowFilter {
    bool marks[7] = {true, true, true, true, true, true, true};  // by StateIndex
    std::string text;

    // Show-only-differences: identical items and items left out by the filters hidden.
    static ShowFilter onlyDifferences(bool onlyDiff);
};

bool isShownBy(const result_t& r, const ShowFilter& filter);

// Why a pair differs: "size, time", "a folder facing a file"…; empty when it does not.
std::string differenceReason(const result_t& r);

// What kept a pair from being compared (its content not read, a folder that
// could not be read); empty when nothing did.
std::string whyNotCompared(const result_t& r);
// Why a pair that differs by its versions had one of them not read; empty otherwise.
std::string versionFailureText(const result_t& r);

// The included nodes below `folder` with a folder that was skipped because
// it could not be read.
void collectUnreadable(const result_t& folder, std::vector<const result_t*>& found);

// Whether the node shows its children (a compared pair of folders).
bool showsChildren(const result_t& r);

// "name    ---    N" for a folder pair showing N children.
std::string folderNodeText(const std::string& name, int shownChildren);

// "缺:3 | 异:0 | 多:12" from the counts of a result node.
std::string countsText(const result_t& r);

}  // namespace dm
