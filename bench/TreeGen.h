// Reproducible folder pairs for benchmarks: A, and a B that differs from it by
// a known share of changed, missing and extra files.
#pragma once

#include <cstdint>
#include <string>

namespace dm::bench {

struct TreeShape {
    int files = 9900;   // regular files in A
    int folders = 1;    // folders in A, the root included
    int maxDepth = 1;   // deepest folder level below the root
    int peFiles = 0;    // files that start with a PE header
    int versioned = 0;  // of those, how many carry a version resource
    uint32_t seed = 20261207;
    bool empty = false;  // files without content (for very large trees)
};

// Writes root/A and root/B (root is created). B: 5 % of A's files changed in
// size or time, 2 % missing, plus 2 % extra files.
void generatePair(const std::string& root, const TreeShape& shape);

// Entries a scan counts for the tree, dot entries included.
int64_t countedEntries(const std::string& folder);

}  // namespace dm::bench
