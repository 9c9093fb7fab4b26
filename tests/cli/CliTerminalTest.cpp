#include <gtest/gtest.h>
#include <signal.h>

#include "tests/support/TempDir.h"
#include "tests/support/Terminal.h"

namespace dm {
namespace {

using test::operator""_sys;

using test::TempDir;

class Cli : public ::testing::Test {
protected:
    TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
};

TEST_F(Cli, CtrlCStopsTheScanAtTheNextFolder)
{
    // Enough folders on both sides that the scan, and the comparing after it
    // (which stops between folder pairs), outlast the first look at the progress.
    for (int i = 0; i < 5000; ++i) {
        dir.file("A/d" + std::to_string(i) + "/f");
        dir.file("B/d" + std::to_string(i) + "/f");
    }
    // On a terminal the progress line shows; once it does, the scan is under way.
    const test::TerminalRun run = test::runOnTerminal(
        DIRMATCH_BINARY, {"compare", a, b, "--lang", "zh", "--max-entries", "100000"}, "获取目录文件信息"_sys, SIGINT);
    ASSERT_TRUE(run.signalled) << run.seen;
    EXPECT_EQ(run.exitCode, 2) << run.seen;
    EXPECT_NE(run.seen.find("用户中止"_sys), std::string::npos) << run.seen;
}

}  // namespace
}  // namespace dm
