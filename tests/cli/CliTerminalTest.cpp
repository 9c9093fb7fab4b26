#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/TempDir.h"

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
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(DIRMATCH_BINARY, DIRMATCH_BINARY, "compare", a.c_str(), b.c_str(), "--lang", "zh", "--max-entries",
              "100000", nullptr);
        _exit(127);
    }
    std::string seen;
    char buffer[4096];
    bool interrupted = false;
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) {
        seen.append(buffer, size_t(n));
        if (!interrupted && seen.find("获取目录文件信息"_sys) != std::string::npos) {
            kill(pid, SIGINT);
            interrupted = true;
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    ASSERT_TRUE(interrupted) << seen;
    ASSERT_TRUE(WIFEXITED(status)) << seen;
    EXPECT_EQ(WEXITSTATUS(status), 2) << seen;
    EXPECT_NE(seen.find("用户中止"_sys), std::string::npos) << seen;
}

}  // namespace
}  // namespace dm
