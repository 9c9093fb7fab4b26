// What the command line prints of a comparison: the result tree as the
// desktop program shows it, or one JSON object with every field.
#pragma once

#include <ostream>

#include "engine/compare/Comp.h"
#include "engine/sync/Sync.h"

namespace dm::cli {

// The mark of each of the six kinds, in the order of the legend's images.
char markOf(int stateIndex);

// The text with control characters escaped (\n, \t, \x1b…), so that a name
// is one line on a terminal and can send it nothing.
std::string printable(std::string_view text);

// The tree (hidden items left out unless `all`), then the counts and the state.
void printTree(std::ostream& out, dirCompare& comp, bool all);

// One step of a sync's plan as a line: "A/f -> B/f", and where B holds the
// newer file, that it does (and is left so under --keep-newer).
std::string planLine(const dirCompare& comp, const SyncStep& step);

// One JSON object with every field of every node, written as the tree is
// walked; names that are not valid UTF-8 never break it.
void writeJson(std::ostream& out, dirCompare& comp);

}  // namespace dm::cli
