#include <gtest/gtest.h>

#include "common/Messages.h"
#include "ui/presenter/SyncPlanRows.h"

namespace dm {
namespace {

TEST(SyncPlanRows, SizesReadAsPeopleReadThem)
{
    setLanguage(English);
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "0 bytes"},        {1023, "1023 bytes"},     {1024, "1.00 KiB"},        {1536, "1.50 KiB"},
        {1048576, "1.00 MiB"}, {3489660928, "3.25 GiB"}, {UINT64_MAX, "16.00 EiB"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(sizeText(bytes), text) << bytes;
    setLanguage(Chinese);
    EXPECT_EQ(sizeText(7), "7 字节");
}

TEST(SyncPlanRows, TheTotalsCountOnlyWhatIsTickedAndAFolderWithAllItHolds)
{
    setLanguage(English);
    std::vector<SyncStep> plan(3);
    plan[0] = {"/a/f", "/b/f", OnlyInA, false, 1024, 1};
    plan[1] = {"/a/d", "/b/d", OnlyInA, true, 2048, 5};
    plan[2] = {"/a/g", "/b/g", InBoth, false, 10, 1};
    const std::vector<PlanRow> rows = planRows(plan, "host:", "");
    EXPECT_EQ(rows[0].from, "host:/a/f");
    EXPECT_EQ(rows[1].size, "folder");
    EXPECT_EQ(rows[2].why, "different");

    const PlanTotals some = planTotals(plan, {false, true, true});
    EXPECT_EQ(some.text, "2 items (6 files), 2.01 KiB");
    EXPECT_TRUE(some.mayStart);
    EXPECT_FALSE(planTotals(plan, {false, false, false}).mayStart);
    EXPECT_TRUE(planTotals({}, {}).mayStart);  // nothing to copy: Start only closes
    setLanguage(Chinese);
}

TEST(SyncPlanRows, ACopyUnderWaySaysFilesAndBytesDoneOfTheirTotals)
{
    RunControl copying;
    copying.filesCopied = 3;
    copying.filesToCopy = 10;
    copying.bytesCopied = 1536;
    copying.bytesToCopy = 3 << 20;
    EXPECT_EQ(copiedText(copying), "文件 3 / 10    1.50 KiB / 3.00 MiB");
}

}  // namespace
}  // namespace dm
