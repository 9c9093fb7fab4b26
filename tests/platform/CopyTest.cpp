#include <gtest/gtest.h>

#include "platform/Copy.h"
#include "platform/SysError.h"
#include "platform/Time.h"
#include "tests/support/TempDir.h"

namespace dm::platform {
namespace {

using test::entriesIn;
using test::TempDir;

class Copy : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(Copy, AFileArrivesWithItsTimeInFoldersMadeForIt)
{
    const std::string source = dir.file("A/x.txt", "content", test::kTime, 123456700);
    ASSERT_EQ(copyItem(source, dir / "B/deep/er/x.txt"), 0);
    EXPECT_EQ(dir.read("B/deep/er/x.txt"), "content");
    EXPECT_EQ(fileTimeValue(test::recordOf(dir / "B/deep/er/x.txt").ftLastWriteTime),
              fileTimeValue(fileTimeFromUnix(test::kTime, 123456700)));
}

TEST_F(Copy, AFailedCopysReasonIsOneLineOfText)
{
    const int code = copyItem(dir / "none", dir / "B/x");
    ASSERT_NE(code, 0);
    const std::string reason = systemMessage(code);
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos) << reason;
}

TEST_F(Copy, AnExistingFileIsReplacedWithoutAsking)
{
    const std::string source = dir.file("A/x", "new");
    dir.file("B/x", "old and longer");
    ASSERT_EQ(copyItem(source, dir / "B/x"), 0);
    EXPECT_EQ(dir.read("B/x"), "new");
    EXPECT_EQ(entriesIn(dir / "B"), 1u);
}

TEST_F(Copy, AFolderIsCopiedWholeAndMergedIntoWhatIsThere)
{
    dir.file("A/f/one", "1");
    dir.file("A/f/sub/two", "2");
    dir.file("B/f/mine", "kept");
    dir.file("B/f/one", "old");
    ASSERT_EQ(copyItem(dir / "A/f", dir / "B/f"), 0);
    EXPECT_EQ(dir.read("B/f/one"), "1");
    EXPECT_EQ(dir.read("B/f/sub/two"), "2");
    EXPECT_EQ(dir.read("B/f/mine"), "kept");
}

TEST_F(Copy, AVanishedSourceFailsAndTouchesNothing)
{
    dir.file("B/x", "old");
    EXPECT_NE(copyItem(dir / "A/x", dir / "B/x"), 0);
    EXPECT_EQ(dir.read("B/x"), "old");
    EXPECT_EQ(entriesIn(dir / "B"), 1u);
}

}  // namespace
}  // namespace dm::platform
