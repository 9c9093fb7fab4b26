// Times scanning and comparing against the raw walk of `find` on the same
// generated trees, warm cache, and prints a Markdown table.
//   bench_scan [work-folder]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/TreeGen.h"
#include "engine/compare/Comp.h"

namespace {

using namespace dm;
using Clock = std::chrono::steady_clock;

double medianSeconds(const std::function<void()>& work, int runs = 15)
{
    work();  // warm the cache
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct Case {
    const char* name;
    bench::TreeShape shape;
};

}  // namespace

int main(int argc, char** argv)
{
    const std::string work = argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "dirmatch-bench").string();
    const std::vector<Case> cases = {
        {"flat: 9900 files in one folder", {9900, 1, 1, 0, 0, 1}},
        {"nested: ~9800 entries in 450 folders", {8450, 450, 6, 0, 0, 2}},
    };
    std::printf("| tree | counted entries (A) | find A | scanFolder A | ratio | run A vs B | per entry |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const Case& c : cases) {
        const std::string root = work + "/" + std::to_string(c.shape.seed);
        bench::generatePair(root, c.shape);
        const std::string a = root + "/A";
        const std::string b = root + "/B";
        const std::string find = "find '" + a + "' -printf '%s %T@\\n' >/dev/null";
        const double findTime = medianSeconds([&] {
            if (std::system(find.c_str()) != 0) std::abort();
        });
        int32_t count = 0;
        const double scanTime = medianSeconds([&] {
            dirCompare comp(wholeFolders(a, b, 0x1F), nullptr);
            std::string error;
            comp.scanFolder(comp.rootA, error, {});
            count = comp.rootA.count;
        });
        int32_t total = 0;
        const double runTime = medianSeconds([&] {
            dirCompare comp(wholeFolders(a, b, 0x1F), nullptr);
            comp.run();
            total = comp.rootA.count + comp.rootB.count;
        });
        std::printf("| %s | %d | %.2f ms | %.2f ms | %.2fx | %.2f ms | %.2f us |\n", c.name, count, findTime * 1e3,
                    scanTime * 1e3, scanTime / findTime, runTime * 1e3, runTime * 1e6 / total);
        if (!std::getenv("DIRMATCH_BENCH_KEEP")) std::filesystem::remove_all(root);
    }
    return 0;
}
