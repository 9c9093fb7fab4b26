// From a request to see a pair to the pair view on screen (offscreen): two
// source files of 10,000 lines with 100 lines changed.
//   bench_pair [work-folder]
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/compare/Comp.h"
#include "ui/qt/PairView.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    namespace fs = std::filesystem;
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "dirmatch-bench-pair";
    fs::create_directories(root / "A");
    fs::create_directories(root / "B");
    std::ofstream a(root / "A/source.cpp");
    std::ofstream b(root / "B/source.cpp");
    for (int line = 0; line < 10000; ++line) {
        const std::string text =
            "    int value" + std::to_string(line) + " = compute(" + std::to_string(line * 7) + ");";
        a << text << '\n';
        b << (line % 100 == 50 ? text + " // changed" : text) << '\n';
    }
    a.close();
    b.close();

    dm::dirCompare comp(dm::wholeFolders((root / "A").string(), (root / "B").string(), 0x1F), nullptr);
    comp.run();
    const dm::result_t& pair = *comp.results.children->front();
    dm::ui::TdlgPairView view;
    std::vector<double> times;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer timer;
        timer.start();
        std::string why;
        view.showPair(comp, pair, why);
        view.show();
        QApplication::processEvents();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        view.hide();
    }
    std::sort(times.begin(), times.end());
    std::printf("| lines | lines changed | median time to the view on screen |\n|---|---|---|\n");
    std::printf("| 10000 | 100 | %.1f ms |\n", times[times.size() / 2]);
    fs::remove_all(root);
    return 0;
}
