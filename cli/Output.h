// What the command line prints of a comparison: the result tree as the
// desktop program shows it, or one JSON object with every field.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>

#include "engine/Comp.h"

namespace dm::cli {

// The mark of each of the six kinds, in the order of the legend's images.
char markOf(int stateIndex);

// The tree (hidden items left out unless `all`), then the counts and the state.
void printTree(std::ostream& out, dirCompare& comp, bool all);

nlohmann::ordered_json toJson(dirCompare& comp);

// JSON text that never fails on names that are not valid UTF-8.
std::string jsonText(const nlohmann::ordered_json& value);

}  // namespace dm::cli
