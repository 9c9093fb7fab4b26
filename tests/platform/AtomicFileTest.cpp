#include <gtest/gtest.h>

#include "platform/AtomicFile.h"
#include "tests/support/Faults.h"
#include "tests/support/TempDir.h"

namespace dm::platform {
namespace {

using test::entriesIn;

TEST(AtomicFile, ReplacesOnlyOnCommit)
{
    test::TempDir dir;
    const std::string target = dir.file("a.txt", "old");
    {
        AtomicFile file;
        ASSERT_TRUE(file.open(target));
        ASSERT_TRUE(file.write("new content"));
        EXPECT_EQ(test::readFile(target), "old");
    }  // dropped without commit
    EXPECT_EQ(test::readFile(target), "old");
    EXPECT_EQ(entriesIn(dir.path()), 1u);

    AtomicFile file;
    ASSERT_TRUE(file.open(target));
    ASSERT_TRUE(file.write("new content"));
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(test::readFile(target), "new content");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(AtomicFile, AFullDiskKeepsTheOldFileAndLeavesNoTemporary)
{
    test::TempDir dir;
    const std::string mnt = dir.folder("small");
    const test::SmallDisk disk(mnt);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small disk here";
    const std::string target = dir / "small/info.dat";
    test::writeFile(target, "precious");
    {
        AtomicFile file;
        ASSERT_TRUE(file.open(target));
        bool wrote = true;
        for (int i = 0; i < 100 && wrote; ++i) wrote = file.write(std::string(4096, 'x'));
        EXPECT_FALSE(wrote && file.commit());
    }
    EXPECT_EQ(test::readFile(target), "precious");
    EXPECT_EQ(entriesIn(mnt), 1u);
}

}  // namespace
}  // namespace dm::platform
