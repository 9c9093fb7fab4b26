// Settings and filter files with many entries: saving must grow linearly with
// the number of entries (it once took seconds at 16000).
//   bench_settings [entries, default 100000] [work-folder]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/Dmodule.h"
#include "config/FilterFile.h"

namespace {

double secondsOf(const auto& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace dm;
    const int largest = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string root =
        argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "dirmatch-settings").string();
    std::filesystem::create_directories(root);
    std::printf("| entries | pre.ini [RegNotUpdate] saved | filter file saved |\n|---|---|---|\n");
    for (int entries = largest / 8; entries <= largest; entries *= 2) {
        StringList list;
        for (int i = 0; i < entries; ++i) list.push_back("/some/path/entry" + std::to_string(i));
        const double ini = secondsOf([&] {
            TDM dm(root + "/prog");
            dm.RegNotUpdateList = list;
        });  // saved when the data module goes
        std::string error;
        const double filters = secondsOf([&] { saveFilterFile(root + "/filters.dat", list, list, error); });
        std::printf("| %d | %.3f s | %.3f s |\n", entries, ini, filters);
        std::filesystem::remove(root + "/pre.ini");
        std::filesystem::remove(root + "/filters.dat");
    }
    std::filesystem::remove_all(root);
    return 0;
}
