// 100 comparisons in a row of two trees of about 10000 entries each, with a
// refresh and a synchronization between, in one process: memory must come
// back to where it was after every release, and a held result must stay
// under 1 KB per counted entry.   bench_load [rounds] [work-folder]
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/TreeGen.h"
#include "engine/compare/Comp.h"
#include "engine/sync/Sync.h"

namespace {

long residentKiB()
{
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long settledKiB()
{
    malloc_trim(0);
    return residentKiB();
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace dm;
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 100;
    const std::string root = argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "dirmatch-load").string();
    bench::TreeShape shape{8400, 450, 6, 0, 0, 7};  // about 9800 counted entries on each side
    bench::generatePair(root, shape);
    const std::string a = root + "/A";
    const std::string b = root + "/B";

    long baseline = 0;
    long worstGrowth = 0;
    long peakHeld = 0;
    int32_t entries = 0;
    for (int round = 0; round < rounds; ++round) {
        {
            dirCompare comp(wholeFolders(a, b, 0x1F), nullptr);
            comp.run();
            entries = comp.rootA.count + comp.rootB.count;
            peakHeld = std::max(peakHeld, residentKiB());
            for (auto& child : *comp.results.children) {
                if (child->kind == 3 && child->children) {
                    comp.refresh(*child, {});
                    break;
                }
            }
            synchronize(comp, *comp.results.children, nullptr, {}, {});
            comp.run();
        }
        // Make B differ again, so that the next round has copying to do.
        std::ofstream(b + "/file0.dat", std::ios::app) << "more";
        const long now = settledKiB();
        if (round == 0) baseline = now;
        worstGrowth = std::max(worstGrowth, now - baseline);
    }
    std::printf(
        "| rounds | counted entries (A + B) | baseline after release | worst growth after release | "
        "held result per entry |\n|---|---|---|---|---|\n");
    std::printf("| %d | %d | %ld KiB | %ld KiB | %.0f bytes |\n", rounds, entries, baseline, worstGrowth,
                double(peakHeld - baseline) * 1024.0 / entries);
    std::filesystem::remove_all(root);
    return 0;
}
