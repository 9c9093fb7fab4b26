// Writing the information file: a listed tree described in plain text, blocks
// of BEGIN / six-line records / END with CR LF ends, that can stand in for
// the folder where it is read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/side/Element.h"

namespace dm {

// Where the text of an information file goes; false when it cannot be written.
using InfoSink = std::function<bool(std::string_view)>;

// A listed tree as its file describes it.
struct DescribedTree {
    const element_t* root = nullptr;
    // Where a path holds `replaced` (folder B's path, where B's listing
    // stands for A), it is written from there on below `writtenAs`.
    std::string replaced;
    std::string writtenAs;
    uint64_t timeStep = 1;  // the step in which its file system keeps times
};

// Writes the children of the root (and everything listed below them). The
// file is replaced only when all of it was written.
bool exportInfoFile(const DescribedTree& tree, const std::string& fileName, std::string& error);
// The same text, as it is made, to any sink (a pipe to another machine).
bool writeInfo(const DescribedTree& tree, const InfoSink& sink, std::string& error);

// The path written for an item.
std::string infoPathOf(const DescribedTree& tree, const std::string& path);

}  // namespace dm
