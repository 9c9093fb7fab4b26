// Writes a reproducible pair of trees for the benchmark scripts:
//   bench_gen ROOT FILES FOLDERS DEPTH [PE-FILES VERSIONED SEED empty]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/TreeGen.h"

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: bench_gen ROOT FILES FOLDERS DEPTH [PE-FILES VERSIONED SEED empty]\n");
        return 2;
    }
    dm::bench::TreeShape shape;
    shape.files = std::atoi(argv[2]);
    shape.folders = std::atoi(argv[3]);
    shape.maxDepth = std::atoi(argv[4]);
    if (argc > 6) {
        shape.peFiles = std::atoi(argv[5]);
        shape.versioned = std::atoi(argv[6]);
    }
    if (argc > 7) shape.seed = uint32_t(std::strtoul(argv[7], nullptr, 10));
    shape.empty = argc > 8 && std::string(argv[8]) == "empty";
    dm::bench::generatePair(argv[1], shape);
    std::printf("%lld\n", static_cast<long long>(dm::bench::countedEntries(std::string(argv[1]) + "/A")));
    return 0;
}
