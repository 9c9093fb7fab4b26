// The command line against faults, races and hostile trees: what a user of
// this system can do to it, with the system's own tools (an unprivileged user,
// descriptor limits, pipes and special files, signals).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/Faults.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tests/support/Terminal.h"

namespace dm {
namespace {

using test::Outcome;
using test::TempDir;

std::string q(const std::string& text)
{
    return test::quoted(text);
}

Outcome dirmatch(const std::string& arguments)
{
    return test::runProgram(DIRMATCH_BINARY, arguments + " --lang en");
}

// As the unprivileged user "nobody", where permission bits count.
Outcome asNobody(const std::string& arguments)
{
    return test::runProgram("timeout", "60 setpriv --reuid=65534 --regid=65534 --clear-groups " + q(DIRMATCH_BINARY) +
                                           " " + arguments + " --lang en");
}

// A chain of `levels` folders named "d" below `root`, made relative to each
// other so that its depth may pass the system's path limit.
void makeDeepChain(const std::string& root, int levels)
{
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < levels && fd >= 0; ++i) {
        mkdirat(fd, "d", 0755);
        const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    if (fd >= 0) close(fd);
}

class CliSafety : public ::testing::Test {
protected:
    TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
    std::string ab = q(a) + " " + q(b);
};

TEST_F(CliSafety, AFileOrFolderNobodyMayReadEndsTheRunWithItsRealCause)
{
    namespace fs = std::filesystem;
    fs::permissions(dir.path(), fs::perms::all);
    const std::string locked = dir.file("A/locked.exe", std::string(200, 'M'));
    dir.file("B/locked.exe", std::string(200, 'M'));
    fs::permissions(locked, fs::perms::none);
    const Outcome unreadable = asNobody("compare " + ab);
    EXPECT_EQ(unreadable.code, 0) << unreadable.err;  // no version read, the same on both sides; no hang
    // Its content cannot be compared: the pair differs, and says why.
    const Outcome content = asNobody("compare " + ab + " --rules size,content --json");
    EXPECT_EQ(content.code, 1) << content.err;
    EXPECT_NE(content.out.find("content not read (A): Permission denied"), std::string::npos) << content.out;
    const Outcome shown = asNobody("compare " + ab + " --rules size,content");
    EXPECT_NE(shown.out.find("* locked.exe  (content not read (A): Permission denied)"), std::string::npos)
        << shown.out;

    dir.file("A/closed/inside");
    dir.folder("A/shut");  // empty: nothing in it but itself shows that it cannot be entered
    for (const char* folder : {"A/closed", "A/shut"})
        fs::permissions(dir / folder, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Outcome closed = asNobody("compare " + ab);
    EXPECT_EQ(closed.code, 2);
    EXPECT_NE(closed.err.find("Permission denied"), std::string::npos) << closed.err;
    // Asked to keep going, the run skips it, shows the rest and still ends with 2.
    const Outcome skipped = asNobody("compare " + ab + " --keep-going");
    EXPECT_EQ(skipped.code, 2);
    for (const std::string folder : {"closed", "shut"})
        EXPECT_NE(skipped.out.find("! " + folder + "  (cannot be read (A): Permission denied)"), std::string::npos)
            << skipped.out;
    EXPECT_NE(skipped.err.find("skipped " + dir / "A/closed"), std::string::npos) << skipped.err;
}

TEST_F(CliSafety, AVersionCacheThatIsAPipeOrHugeNeitherHangsNorBreaksARun)
{
    const std::string folder = dir.folder("cache/dirmatch");
    const auto prior = test::setVariable("XDG_CACHE_HOME", dir / "cache");
    dir.file("A/f.exe", std::string(200, 'M'));
    dir.file("B/f.exe", std::string(200, 'M'));
    const std::string cache = folder + "/versions.cache";
    ASSERT_EQ(mkfifo(cache.c_str(), 0600), 0);
    const Outcome piped = test::runProgram("timeout", "10 " + q(DIRMATCH_BINARY) + " compare " + ab);
    EXPECT_EQ(piped.code, 0) << piped.err;
    std::filesystem::remove(cache);
    test::writeFile(cache, "");
    std::filesystem::resize_file(cache, uint64_t(40) << 30);  // sparse: no room taken
    const Outcome huge = test::runProgram("timeout", "10 " + q(DIRMATCH_BINARY) + " compare " + ab);
    EXPECT_EQ(huge.code, 0) << huge.err;
    EXPECT_LT(std::filesystem::file_size(cache), uint64_t(1) << 30) << "made anew";
    test::setVariable("XDG_CACHE_HOME", prior);
}

TEST_F(CliSafety, SyncCopiesNothingFromAComparisonCutShortByTheLimit)
{
    for (int i = 0; i < 20; ++i) {
        dir.file("A/f" + std::to_string(i), "A's");
        dir.file("B/f" + std::to_string(i), "B's");
    }
    for (int i = 0; i < 200; ++i) dir.file("B/0extra" + std::to_string(i));
    const Outcome run = dirmatch("sync " + ab + " --rules none --max-entries 100 --yes");
    EXPECT_EQ(run.code, 3);
    EXPECT_NE(run.err.find("raise --max-entries"), std::string::npos) << run.err;
    EXPECT_EQ(dir.read("B/f0"), "B's");
    EXPECT_EQ(dirmatch("sync " + ab + " --yes --dry-run").code, 2);
}

TEST_F(CliSafety, EveryFailedCopyIsNamedLoggedAndEndsTheRunWithExitTwo)
{
    const std::string small = dir.folder("small");
    test::SmallDisk disk(small);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
    dir.file("A/sub/big", std::string(200 * 1024, 'b'));
    dir.file("A/sub/small", "s");
    // Without the sub-folder rule the folder is copied whole; its big file does not fit.
    const Outcome run = dirmatch("sync " + q(a) + " " + q(small) + " --rules size,time --yes");
    EXPECT_EQ(run.code, 2) << run.out << run.err;
    EXPECT_NE(run.out.find("copied 0, failed 1, skipped 0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("failed: " + small + "/sub/big: No space left on device"), std::string::npos) << run.out;
    EXPECT_EQ(test::temporariesIn(small + "/sub"), 0u);
}

TEST_F(CliSafety, ControlCharactersInNamesReachNoTerminal)
{
    dir.file("A/two\nlines");
    dir.file("A/red\x1b[31m");
    const Outcome tree = dirmatch("compare " + ab);
    EXPECT_NE(tree.out.find("- two\\nlines\n"), std::string::npos) << tree.out;
    EXPECT_NE(tree.out.find("- red\\x1b[31m\n"), std::string::npos) << tree.out;
    const Outcome plan = dirmatch("sync " + ab + " --dry-run");
    EXPECT_EQ(plan.out.find('\x1b'), std::string::npos);
    EXPECT_NE(plan.out.find("two\\nlines -> "), std::string::npos) << plan.out;
}

TEST_F(CliSafety, AFolderInsideTheOtherIsLeftOutSoNothingIsCopiedIntoItself)
{
    dir.file("A/f", "f");
    dir.file("A/x/g", "g");
    const std::string inner = dir.folder("A/x/B");  // inside a folder B lacks
    const Outcome run = dirmatch("sync " + q(a) + " " + q(inner) + " --yes");
    EXPECT_EQ(run.code, 0) << run.out << run.err;
    EXPECT_NE(run.err.find("one folder lies inside the other; left out: " + inner + "/"), std::string::npos);
    EXPECT_EQ(dir.read("A/x/B/f"), "f");
    EXPECT_EQ(dir.read("A/x/B/x/g"), "g");
    EXPECT_FALSE(dir.exists("A/x/B/x/B"));
    const Outcome ancestor = dirmatch("compare " + q(inner) + " " + q(a));
    EXPECT_NE(ancestor.err.find("left out"), std::string::npos);
    EXPECT_EQ(ancestor.out.find("+ B"), std::string::npos) << ancestor.out;
}

TEST_F(CliSafety, DeepTreesKeepFewHandlesOpenAndAPathTooLongSaysSo)
{
    makeDeepChain(a, 1500);
    makeDeepChain(b, 1500);
    const Outcome deep = test::runProgram("sh", "-c " + q("ulimit -n 64 && exec " + q(DIRMATCH_BINARY) + " compare " +
                                                          ab + " --rules subdirs --lang en"));
    EXPECT_EQ(deep.code, 0) << deep.err;

    const std::string c = dir.folder("C");
    makeDeepChain(c, 3000);
    const Outcome tooLong = test::runProgram("sh", "-c " + q("ulimit -n 256 && exec " + q(DIRMATCH_BINARY) +
                                                             " compare " + q(c) + " " + q(b) + " --lang en"));
    EXPECT_EQ(tooLong.code, 2);
    EXPECT_NE(tooLong.err.find("File name too long"), std::string::npos) << tooLong.err;
    EXPECT_EQ(tooLong.err.find("Too many open files"), std::string::npos) << tooLong.err;
    std::system(("rm -rf " + q(a) + " " + q(b) + " " + q(c)).c_str());
}

TEST_F(CliSafety, ManyNewFilesAndManyTargetsSynchronizeWithinAFewDescriptors)
{
    const auto underLimit = [](const std::string& arguments) {
        return test::runProgram(
            "sh", "-c " + q("ulimit -n 256 && exec " + q(DIRMATCH_BINARY) + " " + arguments + " --lang en"));
    };
    // Into a folder that B has already: every file waits in that one folder.
    for (int i = 0; i < 3000; ++i) dir.file("A/big/f" + std::to_string(i), "x");
    dir.folder("B/big");
    const Outcome one = underLimit("sync " + ab + " --yes");
    EXPECT_EQ(one.code, 0) << one.out.substr(0, 2000) << one.err;
    EXPECT_EQ(one.err.find("Too many open files"), std::string::npos) << one.err.substr(0, 2000);

    // Forty targets of 150 folders each, four at work at once.
    TempDir many;
    for (int i = 0; i < 150; ++i) many.file("A/d" + std::to_string(i) + "/f");
    std::string targets;
    for (int t = 0; t < 40; ++t) targets += " " + q(many.folder("B" + std::to_string(t)));
    const Outcome forty = underLimit("sync " + q(many / "A") + targets + " --yes");
    EXPECT_EQ(forty.code, 0) << forty.out.substr(0, 3000) << forty.err;
    EXPECT_EQ(dirmatch("compare " + q(many / "A") + " " + q(many / "B39")).code, 0);
}

TEST_F(CliSafety, NamesThatOnlyLookLikeOurTemporaryFilesAreItemsAndOnlyALeftoverIsSwept)
{
    const std::string lookAlike = ".dirmatch-aaaaaaaaaaaaaaaa.tmp";
    dir.file("A/" + lookAlike, "A's");
    dir.file("A/sub/f", "new", test::kTime + 100);
    dir.file("B/sub/f", "old");
    dir.file("B/sub/" + lookAlike, "B's");
    // One of a process of this machine that has ended, and one of a process still running.
    const std::string ended = ".dirmatch-" + test::machineTag() + "-999999999-0123456789abcdef.tmp";
    const std::string running =
        ".dirmatch-" + test::machineTag() + "-" + std::to_string(getpid()) + "-0123456789abcdef.tmp";
    dir.file("B/sub/" + ended, "left over", test::kTime);
    dir.file("B/sub/" + running, "in flight", test::kTime);
    const Outcome compare = dirmatch("compare " + ab);
    EXPECT_NE(compare.out.find("- " + lookAlike), std::string::npos) << compare.out;
    EXPECT_NE(compare.out.find("+ " + lookAlike), std::string::npos) << compare.out;
    EXPECT_EQ(compare.out.find("0123456789abcdef"), std::string::npos) << compare.out;

    EXPECT_EQ(dirmatch("sync " + ab + " --yes").code, 0);  // B's look-alike stays, its own
    EXPECT_EQ(dir.read("B/" + lookAlike), "A's");
    EXPECT_EQ(dir.read("B/sub/" + lookAlike), "B's");
    EXPECT_FALSE(dir.exists("B/sub/" + ended));
    EXPECT_EQ(dir.read("B/sub/" + running), "in flight");
}

TEST_F(CliSafety, AnExportNeverReplacesAPipeOrADevice)
{
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const Outcome run = dirmatch("export " + q(a) + " -o " + q(fifo));
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << run.err;
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(CliSafety, AnExportStandsInForItsFolderNodeForNode)
{
    dir.file("elsewhere/inside");
    std::filesystem::create_directory_symlink(dir / "elsewhere", a + "/alink");
    std::filesystem::create_directory_symlink(dir / "elsewhere", b + "/alink");
    dir.folder("A/empty");
    dir.file("A/deep/1/2/3/4/5/f", "deep");
    dir.file("B/deep/1/2/3/4/5/f", "other");
    dir.file("A/zlast", "after the link");
    dir.file("B/only in B");
    ASSERT_EQ(dirmatch("export " + q(a) + " -o " + q(dir / "info.dat")).code, 0);
    const Outcome live = dirmatch("compare " + ab + " --json");
    const Outcome fromFile = dirmatch("compare " + ab + " --json --info-a " + q(dir / "info.dat"));
    EXPECT_EQ(live.code, 1);
    EXPECT_EQ(fromFile.out, live.out);
}

TEST_F(CliSafety, AnInformationFileSideStopsAtTheEntryLimit)
{
    for (int i = 0; i < 300; ++i) dir.file("A/f" + std::to_string(i));
    ASSERT_EQ(dirmatch("export " + q(a) + " -o " + q(dir / "info.dat")).code, 0);
    const Outcome run = dirmatch("compare " + ab + " --info-a " + q(dir / "info.dat") + " --max-entries 100");
    EXPECT_EQ(run.code, 3) << run.err;
}

TEST_F(CliSafety, TerminateDuringASyncStopsAfterTheCurrentFileWithASummary)
{
    // Large enough that the copying outlasts the first look at its progress.
    const std::string block(32 << 20, 'x');
    for (int i = 0; i < 8; ++i) dir.file("A/f" + std::to_string(i), block);
    const test::TerminalRun run =
        test::runOnTerminal(DIRMATCH_BINARY, {"sync", a, b, "--yes", "--lang", "en"}, "Copying: ", SIGTERM);
    ASSERT_TRUE(run.signalled) << run.seen;
    EXPECT_EQ(run.exitCode, 2) << run.seen;
    EXPECT_NE(run.seen.find("User terminate the operation"), std::string::npos) << run.seen;
    EXPECT_NE(run.seen.find("skipped: "), std::string::npos) << run.seen;
    EXPECT_EQ(test::temporariesIn(b), 0u);
    for (const auto& e : std::filesystem::directory_iterator(b)) EXPECT_EQ(e.file_size(), block.size());
}

TEST_F(CliSafety, AJobStoppedByTerminateEndsAtASafePointAndItsRecordSaysStopped)
{
    const auto config = test::setVariable("XDG_CONFIG_HOME", dir / "config");
    const auto state = test::setVariable("XDG_STATE_HOME", dir / "state");
    const std::string block(32 << 20, 'x');
    for (int i = 0; i < 8; ++i) dir.file("A/f" + std::to_string(i), block);
    ASSERT_EQ(dirmatch("job save big " + q(a) + " " + q(b) + " --sync").code, 0);
    const test::TerminalRun run =
        test::runOnTerminal(DIRMATCH_BINARY, {"job", "run", "big", "--lang", "en"}, "Copying: ", SIGTERM);
    test::setVariable("XDG_CONFIG_HOME", config);
    test::setVariable("XDG_STATE_HOME", state);
    ASSERT_TRUE(run.signalled) << run.seen;
    EXPECT_EQ(run.exitCode, 2) << run.seen;
    EXPECT_EQ(test::temporariesIn(b), 0u);
    size_t records = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "state/dirmatch/runs/big")) {
        if (entry.path().extension() != ".txt") continue;
        ++records;
        EXPECT_NE(test::readFile(entry.path().string()).find("stopped: User terminate the operation"),
                  std::string::npos);
    }
    EXPECT_EQ(records, 1u);
}

}  // namespace
}  // namespace dm
