#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "cli/TerminalProgress.h"
#include "engine/RunControl.h"
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

// Work stuck where no stop reaches it (a file system that stopped
// answering): the process still ends, at the second signal or two seconds
// after the first, with the status of the first.
TEST(Stop, ASecondSignalOrTwoSecondsWithoutProgressEndAStuckRunAtOnce)
{
    struct Case {
        const char* what;
        int second;  // 0: none
        int expectedStatus;
        double withinSeconds;
    };
    const Case cases[] = {{"a second SIGTERM", SIGTERM, 143, 2.0},
                          {"SIGINT after SIGTERM", SIGINT, 130, 2.0},
                          {"no second signal", 0, 143, 6.0}};
    for (const Case& c : cases) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            cli::TerminalProgress line;
            RunControl control;
            line.run(control, [&] {
                (void)!write(ready[1], "r", 1);
                for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(10));  // deaf to the stop
            });
            _exit(0);
        }
        char r = 0;
        ASSERT_EQ(read(ready[0], &r, 1), 1);
        close(ready[0]);
        close(ready[1]);
        const auto start = std::chrono::steady_clock::now();
        kill(pid, SIGTERM);
        if (c.second) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            kill(pid, c.second);
        }
        int status = 0;
        pid_t ended = 0;
        while ((ended = waitpid(pid, &status, WNOHANG)) == 0 &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (ended == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << c.what << ": still running after 10 s";
            continue;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_TRUE(WIFEXITED(status)) << c.what;
        EXPECT_EQ(WEXITSTATUS(status), c.expectedStatus) << c.what;
        EXPECT_LT(seconds, c.withinSeconds) << c.what;
    }
}

}  // namespace
}  // namespace dm
