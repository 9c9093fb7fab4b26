#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/Copy.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "tests/support/TempDir.h"

namespace dm::platform {
namespace {

namespace fs = std::filesystem;
using test::entriesIn;
using test::TempDir;

struct stat statOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st;
}

class PosixCopy : public ::testing::Test {
protected:
    void TearDown() override
    {
        testSeams().failCopyWrite = nullptr;
        testSeams().noHardLinks = false;
        testSeams().beforeReplace = nullptr;
    }
    TempDir dir;
};

// What the copy of this platform promises beyond the shell's: permission bits,
// links, atomic replacement and never mixing files with folders.
TEST_F(PosixCopy, ModeAndNanosecondsTravelWithAFile)
{
    const std::string source = dir.file("A/x.txt", "content", test::kTime, 123456789);
    chmod(source.c_str(), 0640);
    ASSERT_EQ(copyItem(source, dir / "B/x.txt"), 0);
    const struct stat st = statOf(dir / "B/x.txt");
    EXPECT_EQ(st.st_mtim.tv_sec, test::kTime);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(PosixCopy, LinksInAFolderAreCopiedAsLinksAndFolderTimesKept)
{
    dir.file("A/f/one", "1");
    dir.folder("A/f/sub");
    fs::create_symlink("one", dir / "A/f/link");
    test::setModified(dir / "A/f/sub", test::kTime + 50);
    ASSERT_EQ(copyItem(dir / "A/f", dir / "B/f"), 0);
    EXPECT_EQ(fs::read_symlink(dir / "B/f/link"), "one");
    EXPECT_EQ(statOf(dir / "B/f/sub").st_mtim.tv_sec, test::kTime + 50);
}

TEST_F(PosixCopy, AWriteThatFailsHalfWayLeavesTheOldFileAndNoTemporary)
{
    const std::string source = dir.file("A/big", std::string(3 << 20, 'n'));
    const std::string old = std::string(1000, 'o');
    dir.file("B/big", old);
    testSeams().failCopyWrite = [](const std::string&, uint64_t written) { return written >= (1 << 20) ? EIO : 0; };
    EXPECT_EQ(copyItem(source, dir / "B/big"), EIO);
    EXPECT_EQ(dir.read("B/big"), old);
    EXPECT_EQ(entriesIn(dir / "B"), 1u);
}

TEST_F(PosixCopy, ASourceThatChangesWhileCopiedFailsAndLeavesBAsItWas)
{
    struct Case {
        const char* what;
        std::function<void(const std::string&)> change;
    };
    const Case cases[] = {
        {"cut short", [](const std::string& path) { fs::resize_file(path, 10); }},
        {"rewritten in place, same size", [](const std::string& path) { test::setModified(path, test::kTime + 99); }},
    };
    testSeams().noClone = true;
    for (const Case& c : cases) {
        const std::string source = dir.file("A/big", std::string(3 << 20, 'n'), test::kTime);
        dir.file("B/big", "old");
        bool changed = false;
        testSeams().failCopyWrite = [&](const std::string&, uint64_t written) {
            if (written >= (1 << 20) && !changed) {
                c.change(source);
                changed = true;
            }
            return 0;
        };
        EXPECT_EQ(copyItem(source, dir / "B/big"), kSourceChanged) << c.what;
        EXPECT_EQ(dir.read("B/big"), "old") << c.what;
        EXPECT_EQ(entriesIn(dir / "B"), 1u) << c.what;
    }
    testSeams().noClone = false;
}

TEST_F(PosixCopy, AVanishedSourceReportsWhy)
{
    EXPECT_EQ(copyItem(dir / "A/x", dir / "B/x"), ENOENT);
}

TEST_F(PosixCopy, AFileNeverReplacesAFolderAndAFolderNeverAFile)
{
    const std::string file = dir.file("A/x", "file");
    dir.file("B/x/inside", "kept");
    EXPECT_NE(copyItem(file, dir / "B/x"), 0);
    EXPECT_EQ(dir.read("B/x/inside"), "kept");
    EXPECT_EQ(entriesIn(dir / "B"), 1u);

    dir.file("A/y/inside");
    dir.file("B/y", "a file");
    EXPECT_NE(copyItem(dir / "A/y", dir / "B/y"), 0);
    EXPECT_EQ(dir.read("B/y"), "a file");
}

TEST_F(PosixCopy, ALinkInBIsReplacedNeverFollowed)
{
    const std::string outside = dir.file("outside/secret", "untouched");
    dir.folder("B");
    fs::create_symlink(outside, dir / "B/x");
    ASSERT_EQ(copyItem(dir.file("A/x", "from A"), dir / "B/x"), 0);
    EXPECT_EQ(dir.read("outside/secret"), "untouched");
    EXPECT_FALSE(fs::is_symlink(dir / "B/x"));
    EXPECT_EQ(dir.read("B/x"), "from A");

    fs::create_symlink(dir / "outside", dir / "B/d");
    dir.file("A/d/secret", "from A");
    EXPECT_NE(copyItem(dir / "A/d", dir / "B/d"), 0);
    EXPECT_EQ(dir.read("outside/secret"), "untouched");
    EXPECT_TRUE(fs::is_symlink(dir / "B/d"));
}

TEST_F(PosixCopy, WithoutHardLinksAReplacedFileIsCopiedToTheSetAndBsNameIsNeverEmpty)
{
    for (const bool links : {true, false}) {
        TempDir here;
        here.file("A/f", "new");
        here.file("A/l", "new link's place");
        here.file("B/f", "old", test::kTime);
        fs::create_symlink("target text", here / "B/l");
        const std::string set = here.folder("B/.bk/set");
        testSeams().noHardLinks = !links;
        std::vector<std::string> seenInB;
        testSeams().beforeReplace = [&](const std::string& target) {
            seenInB.push_back(fs::is_symlink(target) ? fs::read_symlink(target).string() : test::readFile(target));
        };
        {
            CopyInto into(here / "B");
            into.keepReplacedIn(set);
            EXPECT_EQ(into.copy(here / "A/f", "f").firstError(), 0);
            EXPECT_EQ(into.copy(here / "A/l", "l").firstError(), 0);
            const CopyInto::Flushed flushed = into.flush();
            EXPECT_TRUE(flushed.failures.empty());
            EXPECT_EQ(flushed.kept, 2) << links;
        }
        EXPECT_EQ(seenInB, (std::vector<std::string>{"old", "target text"})) << links;
        EXPECT_EQ(here.read("B/f"), "new");
        EXPECT_EQ(test::readFile(set + "/f"), "old") << links;
        EXPECT_EQ(statOf(set + "/f").st_mtime, test::kTime) << links;
        EXPECT_EQ(fs::read_symlink(set + "/l").string(), "target text") << links;
    }
}

TEST_F(PosixCopy, AnImmutableTargetFolderFailsCleanly)
{
    const std::string source = dir.file("A/x", "new");
    dir.file("B/x", "old");
    if (std::system(("chattr +i '" + dir / "B" + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "chattr is not available here";
    EXPECT_NE(copyItem(source, dir / "B/x"), 0);
    std::system(("chattr -i '" + dir / "B" + "'").c_str());
    EXPECT_EQ(dir.read("B/x"), "old");
    EXPECT_EQ(entriesIn(dir / "B"), 1u);
}

}  // namespace
}  // namespace dm::platform
