#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "cli/TerminalProgress.h"
#include "engine/side/RunControl.h"
#include "tests/support/Faults.h"
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
    };
    // The work is deaf to the stop for ever: an end at all is the process ending itself.
    const Case cases[] = {
        {"a second SIGTERM", SIGTERM, 143}, {"SIGINT after SIGTERM", SIGINT, 130}, {"no second signal", 0, 143}};
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
               std::chrono::steady_clock::now() - start < std::chrono::seconds(60))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (ended == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << c.what << ": still running after 60 s";
            continue;
        }
        EXPECT_TRUE(WIFEXITED(status)) << c.what;
        EXPECT_EQ(WEXITSTATUS(status), c.expectedStatus) << c.what;
    }
}

// The process of a FUSE file system mounted from `image`, or 0.
pid_t fuseProcessOf(const std::string& image)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "cmdline");
        const std::string command((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (command.starts_with("fusefat") && command.find(image) != std::string::npos) return pid_t(std::stoi(name));
    }
    return 0;
}

TEST(Stop, ASecondStopEndsTheProcessWhileAThreadIsStuckInAStoppedFileSystem)
{
    TempDir dir;
    const std::string image = dir.file("fat.img", "");
    std::filesystem::resize_file(image, uint64_t(32) << 20);
    const std::string mounted = dir.folder("FAT");
    const bool made = std::system(("mkfs.fat -F 32 '" + image + "' >/dev/null 2>&1").c_str()) == 0;
    const test::MountedBy disk(mounted, made ? "fusefat -o rw+ '" + image + "' '" + mounted + "'" : "false");
    const pid_t fuse = disk.mounted() ? fuseProcessOf(image) : 0;
    if (fuse == 0) GTEST_SKIP() << "no FAT through FUSE here";
    test::writeFile(mounted + "/f", "x");
    const std::string a = dir.file("A/f", "y");
    kill(fuse, SIGSTOP);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int nothing = open("/dev/null", O_WRONLY);
        dup2(nothing, 1);
        dup2(nothing, 2);
        execl(DIRMATCH_BINARY, DIRMATCH_BINARY, "compare", (dir / "A").c_str(), mounted.c_str(), nullptr);
        _exit(127);
    }
    // Stuck once one of its threads waits on the file system.
    const auto stuck = [pid] {
        for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
            std::ifstream in(task.path() / "wchan");
            std::string wchan;
            in >> wchan;
            if (wchan.find("fuse") != std::string::npos || wchan.find("request_wait") != std::string::npos) return true;
        }
        return false;
    };
    for (int i = 0; i < 500 && !stuck(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(pid, SIGTERM);
    int status = 0;
    pid_t ended = 0;
    // A hang guard only: the second stop ends it at once.
    for (int i = 0; i < 1000 && (ended = waitpid(pid, &status, WNOHANG)) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(fuse, SIGCONT);
    if (ended == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    EXPECT_NE(ended, 0) << "still running with a thread stuck in the file system";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 143) << status;
}

}  // namespace
}  // namespace dm
