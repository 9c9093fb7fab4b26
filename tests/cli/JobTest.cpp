#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli/Commands.h"
#include "cli/Jobs.h"
#include "config/Dmodule.h"
#include "config/Job.h"
#include "config/Settings.h"
#include "platform/Listing.h"
#include "platform/ProgramPaths.h"
#include "platform/RunLock.h"
#include "platform/Text.h"
#include "tests/support/Faults.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "ui/presenter/MainPresenter.h"

namespace dm {
namespace {

using test::Outcome;

// Saved jobs, with the user's configuration and state folders in the test's own.
class Jobs : public ::testing::Test {
protected:
    void SetUp() override
    {
        config = test::setVariable("XDG_CONFIG_HOME", dir / "config");
        state = test::setVariable("XDG_STATE_HOME", dir / "state");
        appData = test::setVariable("APPDATA", dir / "config");
        localAppData = test::setVariable("LOCALAPPDATA", dir / "state");
    }
    void TearDown() override
    {
        test::setVariable("XDG_CONFIG_HOME", config);
        test::setVariable("XDG_STATE_HOME", state);
        test::setVariable("APPDATA", appData);
        test::setVariable("LOCALAPPDATA", localAppData);
    }

    static Outcome dirmatch(const std::string& arguments)
    {
        return test::runProgram(DIRMATCH_BINARY, arguments + " --lang en");
    }
    std::string runsFolder(const std::string& job) const { return test::native(dir / "state/dirmatch/runs/" + job); }

    test::TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
    std::optional<std::string> config, state, appData, localAppData;
};

TEST_F(Jobs, ARunThatLeavesBDifferentIsNotDone)
{
    dir.file("A/f", "a", test::kTime);
    dir.file("A/g", "g", test::kTime);
    dir.file("B/f", "newer", test::kTime + 100);
    dir.file("B/mine", "B's own");
    ASSERT_EQ(dirmatch("job save keep " + test::quoted(a) + " " + test::quoted(b) + " --sync --keep-newer").code, 0);
    EXPECT_EQ(dirmatch("job run keep").code, 1);  // f kept as B has it
    EXPECT_EQ(dir.read("B/g"), "g");
    ASSERT_EQ(dirmatch("job save all " + test::quoted(a) + " " + test::quoted(b) + " --sync").code, 0);
    EXPECT_EQ(dirmatch("job run all").code, 0);  // B holds all A holds, and its own file
}

TEST_F(Jobs, AJobIsSavedListedShownRunAndRemovedAndItsRecordSaysWhatTheRunDid)
{
    dir.file("A/sub/f", "a");
    dir.file("A/top", "x");
    dir.file("B/extra", "b");
    ASSERT_EQ(dirmatch("job save nightly " + test::quoted(a) + " " + test::quoted(b) + " --sync --keep-going").code, 0);
    EXPECT_NE(dirmatch("job list").out.find("nightly  sync  " + a), std::string::npos);
    const std::string shown = dirmatch("job show nightly").out;
    EXPECT_NE(shown.find("what: compare and sync"), std::string::npos) << shown;
    EXPECT_NE(shown.find("keep going: yes"), std::string::npos) << shown;

    const Outcome run = dirmatch("job run nightly");
    EXPECT_EQ(run.code, 0) << run.out << run.err;  // B holds what A holds; its own item stays
    EXPECT_NE(run.out.find("copied 2, failed 0, skipped 0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("L:0 | D:0 | M:1"), std::string::npos) << run.out;
    EXPECT_EQ(dir.read("B/sub/f"), "a");
    EXPECT_EQ(test::entriesIn(runsFolder("nightly")), 3u);             // the record, its JSON, the lock
    EXPECT_NE(run.out.find("+ extra"), std::string::npos) << run.out;  // the tree, as compare prints it

    {
        // A run under way (here: its lock held) makes a second one refuse.
        platform::RunLock running;
        ASSERT_TRUE(running.tryTake(runsFolder("nightly") + "/running.lock"));
        const Outcome second = dirmatch("job run nightly");
        EXPECT_EQ(second.code, 2);
        EXPECT_EQ(second.err, "dirmatch: job 'nightly' is running already\n");
    }
    EXPECT_EQ(dirmatch("job remove nightly").code, 0);
    EXPECT_EQ(dirmatch("job list").out.find("nightly"), std::string::npos);
    EXPECT_FALSE(platform::itemExists(runsFolder("nightly"))) << "the records and the lock go with the job";
    EXPECT_EQ(dirmatch("job run nightly").err, "dirmatch: no job 'nightly'\n");
}

TEST_F(Jobs, ABadJobFileIsRefusedWithTheFieldAndAFolderThatIsGoneFailsInTheRecord)
{
    struct Case {
        const char* content;
        const char* why;
    };
    const Case cases[] = {
        {"[Job]\nFolderB=b\n", "FolderA is missing"},
        {"[Job]\nFolderA=a\nFolderB=b\nOptions=lots\n", "Options: 'lots' is not a number from 0 to 255"},
        {"[Job]\nFolderA=a\nFolderB=b\nSync=2\n", "Sync: '2' is not a number from 0 to 1"},
        {"[Job]\nFolderA=a\nFolderB=b\nMaxEntries=-5\n", "MaxEntries: '-5' is not a number from 3 to 100000000"},
    };
    for (const Case& c : cases) {
        dir.file("config/dirmatch/jobs/bad.ini", c.content);
        const Outcome run = dirmatch("job run bad");
        EXPECT_EQ(run.code, 2) << c.why;
        EXPECT_NE(run.err.find(c.why), std::string::npos) << run.err;
    }
    ASSERT_EQ(dirmatch("job save gone " + test::quoted(dir / "none") + " " + test::quoted(b)).code, 0);
    const Outcome gone = dirmatch("job run gone");
    EXPECT_EQ(gone.code, 2);
    EXPECT_NE(gone.out.find("failed: "), std::string::npos) << gone.out;
    EXPECT_EQ(test::entriesIn(runsFolder("gone")), 2u);  // the record (no JSON: no result), the lock
}

TEST_F(Jobs, AScheduleIsASystemdUserTimerThatTheSystemAcceptsAndOffRemovesIt)
{
#ifdef _WIN32
    GTEST_SKIP() << "systemd timers are a Linux scheduler";
#else
    ASSERT_EQ(dirmatch("job save nightly " + test::quoted(a) + " " + test::quoted(b)).code, 0);
    EXPECT_EQ(dirmatch("job schedule nightly --daily 25:00").code, 2);
    EXPECT_NE(dirmatch("job schedule nightly --every 0").err.find("0 not in range 1 to 10080"), std::string::npos);
    // Written, but no timer runs where no user service manager does: the first line says so.
    const Outcome scheduled = dirmatch("job schedule nightly --daily 02:30");
    EXPECT_EQ(scheduled.code, 2);
    EXPECT_TRUE(scheduled.out.starts_with("no timer is active yet")) << scheduled.out;
    const std::string units = dir / "config/systemd/user/dirmatch-job-nightly";
    EXPECT_NE(dir.read("config/systemd/user/dirmatch-job-nightly.timer").find("OnCalendar=*-*-* 02:30:00"),
              std::string::npos);
    EXPECT_NE(dirmatch("job show nightly").out.find("schedule: daily 02:30"), std::string::npos);
    const Outcome verify = test::runProgram(
        "systemd-analyze", "verify " + test::quoted(units + ".timer") + " " + test::quoted(units + ".service"));
    if (verify.code != 127) {  // where systemd is installed
        EXPECT_EQ(verify.code, 0) << verify.err;
    }
    ASSERT_EQ(dirmatch("job schedule nightly --off").code, 0);
    EXPECT_EQ(test::entriesIn(dir / "config/systemd/user"), 0u);
#endif
}

// On Windows the Task Scheduler takes the job (here a stand-in for it): the
// job says its schedule once it did, and not where it refused.
TEST_F(Jobs, TheTaskSchedulerTakesTheJobOrSaysWhyNot)
{
    if (platform::taskSchedulerCommand().empty()) GTEST_SKIP() << "this system schedules through systemd";
    ASSERT_EQ(dirmatch("job save nightly " + test::quoted(a) + " " + test::quoted(b)).code, 0);
    const auto taker = test::setVariable("DIRMATCH_SCHTASKS", "cmd /c rem");
    const Outcome taken = dirmatch("job schedule nightly --daily 02:30");
    EXPECT_EQ(taken.code, 0) << taken.err;
    EXPECT_NE(taken.out.find("Task Scheduler: dirmatch\\nightly"), std::string::npos) << taken.out;
    EXPECT_NE(dirmatch("job show nightly").out.find("schedule: daily 02:30"), std::string::npos);

    test::setVariable("DIRMATCH_SCHTASKS", "cmd /c \"echo access refused & exit 1\"");
    const Outcome refused = dirmatch("job schedule nightly --hourly");
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("access refused"), std::string::npos) << refused.err;
    EXPECT_NE(dirmatch("job show nightly").out.find("schedule: daily 02:30"), std::string::npos);
    test::setVariable("DIRMATCH_SCHTASKS", taker);
}

TEST_F(Jobs, AServiceManagerThatRefusesTheTimerFailsTheScheduleWithItsReasonAndOneThatTakesItSaysTheNextRun)
{
#ifdef _WIN32
    GTEST_SKIP() << "systemd timers are a Linux scheduler";
#else
    // A user service manager that is there (its socket), and a systemctl that
    // answers as this one is told.
    dir.file("run/systemd/private");
    const auto runtime = test::setVariable("XDG_RUNTIME_DIR", dir / "run");
    const std::string bin = dir.folder("bin");
    const std::string answer = dir.file("answer", "0");
    dir.file("bin/systemctl",
             "#!/bin/sh\n[ \"$2\" = show ] && echo 'Thu 2026-12-10 02:30:00 UTC'\n"
             "echo \"Failed to enable unit: Access denied\" >&2\nexit $(cat " +
                 test::quoted(answer) + ")\n");
    std::filesystem::permissions(bin + "/systemctl", std::filesystem::perms::owner_all);
    const auto path = test::setVariable("PATH", bin + ":" + std::getenv("PATH"));
    ASSERT_EQ(dirmatch("job save nightly " + test::quoted(a) + " " + test::quoted(b)).code, 0);

    dir.file("answer", "1");
    const Outcome refused = dirmatch("job schedule nightly --hourly");
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("daemon-reload failed: Failed to enable unit: Access denied"), std::string::npos)
        << refused.err;

    dir.file("answer", "0");
    const Outcome scheduled = dirmatch("job schedule nightly --hourly");
    EXPECT_EQ(scheduled.code, 0) << scheduled.err;
    // The timer runs an installed dirmatch where this machine has one; else this build tree's
    // program, and the user is told what the timer depends on.
    std::string installed;
    for (const char* program : {"/usr/bin/dirmatch", "/usr/local/bin/dirmatch"})
        if (installed.empty() && platform::itemExists(program) && platform::isInstalled(program)) installed = program;
    if (installed.empty())
        EXPECT_NE(scheduled.out.find("which is not installed"), std::string::npos) << scheduled.out;
    else
        EXPECT_NE(dir.read("config/systemd/user/dirmatch-job-nightly.service").find("ExecStart=\"" + installed + "\""),
                  std::string::npos);
    // When it runs next, as the service manager says.
    const Outcome shown = dirmatch("job show nightly");
    EXPECT_NE(shown.out.find("\nnext run: Thu 2026-12-10 02:30:00 UTC\n"), std::string::npos) << shown.out;
    EXPECT_EQ(dirmatch("job remove nightly").code, 0);
    EXPECT_EQ(test::entriesIn(dir / "config/systemd/user"), 0u);
    test::setVariable("PATH", path);
    test::setVariable("XDG_RUNTIME_DIR", runtime);
#endif
}

TEST_F(Jobs, ARunNobodyWatchesThatFindsDifferencesTellsTheDesktopAndAClickOpensItsRecord)
{
#ifdef _WIN32
    GTEST_SKIP() << "desktop notices are freedesktop's";
#else
    // Stand-ins for notify-send (the user clicks at once) and xdg-open, each
    // keeping what it was given.
    const std::string notice = dir / "notice";
    const std::string opened = dir / "opened";
    dir.file("bin/notify-send", "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + notice + "\necho open\n");
    dir.file("bin/xdg-open",
             "#!/bin/sh\nprintf '%s' \"$1\" > " + opened + ".part && mv " + opened + ".part " + opened + "\n");
    for (const char* tool : {"bin/notify-send", "bin/xdg-open"})
        std::filesystem::permissions(dir / tool, std::filesystem::perms::owner_all);
    const auto path = test::setVariable("PATH", dir / "bin" + ":" + std::getenv("PATH"));
    dir.file("A/new", "n");
    ASSERT_EQ(dirmatch("job save watch " + test::quoted(a) + " " + test::quoted(b)).code, 0);
    EXPECT_EQ(dirmatch("job run watch").code, 1);
    test::setVariable("PATH", path);
    for (int i = 0; i < 250 && !std::filesystem::exists(opened); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_NE(dir.read("notice").find("dirmatch: watch\nL:1 | D:0 | M:0\n"), std::string::npos) << dir.read("notice");
    const std::string record = dir.read("opened");
    EXPECT_EQ(record.rfind(runsFolder("watch"), 0), 0u) << record;
    EXPECT_TRUE(record.ends_with("-01.txt")) << record;
#endif
}

TEST_F(Jobs, AFolderTheJobFileCannotKeepExactlyIsRefusedWhenSavedNamingTheCharacter)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows takes no such folder names";
#endif
    const std::pair<std::string, std::string> cases[] = {{b + " ", "ends with a space"},
                                                         {b + "\t", "ends with a tab"},
                                                         {b + "\r", "carriage return (CR)"},
                                                         {b + "\nx", "line break (LF)"}};
    for (const auto& [folder, said] : cases) {
        // As folder B, and as one of several targets.
        for (const std::string& targets : {test::quoted(folder), test::quoted(b) + " " + test::quoted(folder)}) {
            const Outcome save = dirmatch("job save odd " + test::quoted(a) + " " + targets + " --sync");
            EXPECT_EQ(save.code, 2) << said;
            EXPECT_NE(save.err.find(said), std::string::npos) << save.err;
            EXPECT_EQ(dirmatch("job list").out.find("odd"), std::string::npos) << said;
        }
    }
}

TEST_F(Jobs, ARecordThatCannotBeKeptIsSaidAndFailsTheRun)
{
#ifdef _WIN32
    GTEST_SKIP() << "a small memory disk is mounted on Linux";
#else
    ASSERT_EQ(dirmatch("job save full " + test::quoted(a) + " " + test::quoted(b)).code, 0);
    const std::string runs = runsFolder("full");
    std::filesystem::create_directories(runs);
    test::SmallDisk disk(runs);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a memory file system here";
    std::ofstream(runs + "/filler", std::ios::binary) << std::string(1 << 20, 'x');  // fills it to the last byte
    const Outcome run = dirmatch("job run full");
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_NE(run.err.find("the run's record was not kept"), std::string::npos) << run.err;
    for (const auto& entry : std::filesystem::directory_iterator(runs))
        EXPECT_NE(entry.path().extension(), ".txt") << "a record cut short: " << entry.path();
#endif
}

// A value of the row in its range, not its default: the text that gives it, set in `request`.
std::string setAwayFromDefault(const Setting& row, ComparisonRequest& request)
{
    if (row.text) return request.*row.text = std::string("kept-") + row.key;
    if (row.flag) {
        request.*row.flag = true;
        return "1";
    }
    request.*row.number = row.high - 1;
    return std::to_string(row.high - 1);
}

// Each row of the settings table reaches the same request whichever end
// gives it: pre.ini as the window reads it, its option on the command line
// (through a job saved), and a job file; `job show` names it.
TEST_F(Jobs, EverySettingReachesTheSameRequestFromTheSettingsFileItsOptionAndAJobFile)
{
    const std::string program = dir / "prog/dirmatch";
    std::filesystem::create_directories(dir / "prog");
    std::filesystem::copy_file(DIRMATCH_BINARY, program);
    const ComparisonRequest defaults;
    int n = 0;
    for (const Setting& row : comparisonSettings()) {
        ComparisonRequest wanted;
        const std::string value = setAwayFromDefault(row, wanted);
        const std::string expected = settingText(row, wanted);
        ASSERT_NE(expected, settingText(row, defaults)) << row.key;

        const std::string name = "row" + std::to_string(n++);
        std::filesystem::remove(dir / "prog/pre.ini");
        const std::string option = row.flag ? std::string(row.option) : std::string(row.option) + " " + value;
        const Outcome saved = test::runProgram(
            program, "job save " + name + " " + test::quoted(a) + " " + test::quoted(b) + " " + option);
        ASSERT_EQ(saved.code, 0) << row.option << ": " << saved.err;
        Job job;
        std::string error;
        ASSERT_TRUE(loadJob(name, job, error)) << error;
        EXPECT_EQ(settingText(row, job.request), expected) << row.option;
        const Outcome shown = test::runProgram(program, "job show " + name);
        EXPECT_NE(shown.out.find(std::string(row.shown) + ": " + expected), std::string::npos) << shown.out;

        dir.file("config/dirmatch/jobs/file.ini",
                 "[Job]\r\nFolderA=" + a + "\r\nFolderB=" + b + "\r\n" + row.key + "=" + value + "\r\n");
        ASSERT_TRUE(loadJob("file", job, error)) << error;
        EXPECT_EQ(settingText(row, job.request), expected) << row.key << " in a job file";

        dir.file("prog/pre.ini", std::string("[Global]\r\n") + row.key + "=" + value + "\r\n");
        TDM settings(program);
        EXPECT_EQ(settingText(row, MainPresenter(settings).comparisonRequest()), expected) << row.key << " in pre.ini";
    }
}

TEST_F(Jobs, AJobSavedWithEveryOptionRunsTheRequestOfTheSameCommandLine)
{
    // Every field away from its default: a field the job file forgets comes back changed.
    cli::CompareArgs args;
    args.folderA = "host:/srv/a";
    args.folderB = b;
    args.infoA = dir.file("infoA", "");
    args.infoB = dir.file("infoB", "");
    args.include = {"include"};
    args.exclude = {"exclude"};
    args.options = 0x2B;
    args.noCache = true;
    args.rsh = "ssh -p 2222";
    args.remoteDirmatch = "/opt/dirmatch";
    for (const Setting& row : comparisonSettings()) setAwayFromDefault(row, args.settings);
    ASSERT_EQ(cli::saveJobCommand("every", args, true), cli::ExitSame);
    ComparisonRequest expected = cli::requestOf(args);
    expected.remoteAccess.batch = true;  // a job never asks for a password
    Job job;
    std::string error;
    ASSERT_TRUE(loadJob("every", job, error, "the default cache")) << error;
    EXPECT_TRUE(job.request == expected);
    EXPECT_EQ(job.request.remoteAccess.shell, "ssh -p 2222");
    EXPECT_EQ(job.request.versionCachePath, "");  // --no-cache, not the default

    // A job kept before the cache, the remote shell and its dirmatch were kept runs as it did.
    dir.file("config/dirmatch/jobs/old.ini", "[Job]\r\nFolderA=" + a + "\r\nFolderB=" + b + "\r\n");
    ASSERT_TRUE(loadJob("old", job, error, "the default cache")) << error;
    EXPECT_EQ(job.request.versionCachePath, "the default cache");
    EXPECT_TRUE(job.request.remoteAccess == RemoteAccess{});
}

TEST_F(Jobs, ARunWhoseCopyFailedExitsWithTheErrorAndItsRecordNamesTheItem)
{
#ifdef _WIN32
    GTEST_SKIP() << "an immutable file is made with Linux's chattr";
#endif
    dir.file("A/locked", "new", test::kTime + 10);
    const std::string locked = dir.file("B/locked", "old");
    if (!test::setImmutable(locked, true)) GTEST_SKIP() << "cannot make a file immutable here";
    ASSERT_EQ(dirmatch("job save nightly " + test::quoted(a) + " " + test::quoted(b) + " --sync").code, 0);
    const Outcome run = dirmatch("job run nightly");
    test::setImmutable(locked, false);
    EXPECT_EQ(run.code, 2) << run.out;
    const std::vector<std::string> records = jobRunRecords("nightly");
    ASSERT_FALSE(records.empty());
    const std::string record = test::readFile(records.front());
    EXPECT_NE(record.find("copied 0, failed 1, skipped 0"), std::string::npos) << record;
    EXPECT_NE(record.find("failed: " + locked), std::string::npos) << record;
    EXPECT_NE(record.find("exit: 2"), std::string::npos) << record;
}

TEST_F(Jobs, OnlyTheNewestRecordsAreKept)
{
    ASSERT_EQ(dirmatch("job save often " + test::quoted(a) + " " + test::quoted(b)).code, 0);
    for (int i = 0; i < 22; ++i) ASSERT_EQ(dirmatch("job run often").code, 0);
    EXPECT_EQ(test::entriesIn(runsFolder("often")), 2 * 20u + 1);  // records, their JSON, the lock
}

}  // namespace
}  // namespace dm
