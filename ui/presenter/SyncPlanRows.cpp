#include "ui/presenter/SyncPlanRows.h"

#include <cstdio>

#include "common/Messages.h"

namespace dm {

std::string sizeText(uint64_t bytes)
{
    if (bytes < 1024) return std::to_string(bytes) + textIn(" 字节", " bytes");
    const char* const units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = double(bytes) / 1024;
    size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %s", value, units[unit]);
    return text;
}

std::vector<PlanRow> planRows(const std::vector<SyncStep>& plan, const std::string& hostA, const std::string& hostB)
{
    std::vector<PlanRow> rows;
    rows.reserve(plan.size());
    for (const SyncStep& step : plan)
        rows.push_back({step.kind == OnlyInA ? textIn("B 缺少", "lacking in B")
                        : step.newerInB      ? textIn("不一致, ", "different, ") + bIsNewerText()
                                             : textIn("不一致", "different"),
                        hostA + step.source, hostB + step.target,
                        step.folder ? textIn("文件夹", "folder") : sizeText(step.size)});
    return rows;
}

PlanTotals planTotals(const std::vector<SyncStep>& plan, const std::vector<bool>& ticked)
{
    size_t count = 0;
    uint64_t bytes = 0;
    uint64_t files = 0;
    for (size_t i = 0; i < plan.size() && i < ticked.size(); ++i) {
        if (!ticked[i]) continue;
        ++count;
        bytes += plan[i].size;
        files += plan[i].files;
    }
    return {textIn("共 ", "") + std::to_string(count) + textIn(" 项 (", " items (") + std::to_string(files) +
                textIn(" 个文件), ", " files), ") + sizeText(bytes),
            count > 0 || plan.empty()};
}

std::string copiedText(const RunControl& copying)
{
    return textIn("文件 ", "Files ") + std::to_string(copying.filesCopied.load()) + " / " +
           std::to_string(copying.filesToCopy.load()) + "    " + sizeText(uint64_t(copying.bytesCopied.load())) +
           " / " + sizeText(uint64_t(copying.bytesToCopy.load()));
}

}  // namespace dm
