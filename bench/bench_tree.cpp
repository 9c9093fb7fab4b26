// From the end of a comparison to the result tree on screen (offscreen), and
// to every folder of it opened: a tree of about 10000 nodes (or SCALE times
// as many), shown with every item.
//   bench_tree [work-folder [SCALE]]
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bench/TreeGen.h"
#include "config/Dmodule.h"
#include "platform/TestSeams.h"
#include "ui/qt/Mainform.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string root =
        argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "dirmatch-bench-tree").string();
    const int scale = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    dm::bench::TreeShape shape{8400 * scale, 450 * scale, 6, 0, 0, 11};
    dm::bench::generatePair(root, shape);
    dm::platform::testSeams().programFile = root + "/dirmatch-gui";

    dm::TDM dataModule;
    dataModule.OnlyDiff = false;
    dm::ui::TfrmMain window(dataModule);
    window.show();
    window.presenter.resultValid = true;
    window.presenter.comparer =
        std::make_unique<dm::dirCompare>(dm::wholeFolders(root + "/A", root + "/B", 0x1F), nullptr);
    window.presenter.comparer->request.maxEntries = 100000000;
    window.presenter.comparer->run();

    std::vector<double> times;
    int nodes = 0;
    for (int round = 0; round < (scale > 1 ? 3 : 7); ++round) {
        QElapsedTimer timer;
        timer.start();
        QTreeWidgetItem* header = window.AddHeaderNode();
        nodes = window.AddResultNodes(*window.presenter.comparer->results.children, header);
        window.SortTree();
        header->setExpanded(true);
        QApplication::processEvents();
        times.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    std::sort(times.begin(), times.end());
    QElapsedTimer opening;
    opening.start();
    window.expandWholeTree();
    QApplication::processEvents();
    const double opened = double(opening.nsecsElapsed()) / 1e9;
    int total = 0;
    for (QTreeWidgetItemIterator it(window.TreeViewResult); *it; ++it) ++total;
    std::printf(
        "| tree nodes | top-level nodes | median time to the tree on screen | every folder opened |\n"
        "|---|---|---|---|\n");
    std::printf("| %d | %d | %.3f s | %.3f s |\n", total, nodes, times[times.size() / 2], opened);
    dm::platform::testSeams().programFile.clear();
    std::filesystem::remove_all(root);
    return 0;
}
