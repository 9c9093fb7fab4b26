// A job file keeps every field of its job, each on its own: a field that a
// save forgets, or a load mixes up with another, is caught by the one case
// that sets it.
#include <gtest/gtest.h>

#include <functional>

#include "config/Job.h"
#include "tests/support/Faults.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

TEST(JobFile, EveryFieldSetAloneIsReadBackAsItWasSaved)
{
    test::TempDir dir;
    const auto config = test::setVariable("XDG_CONFIG_HOME", dir / "config");
    const auto appData = test::setVariable("APPDATA", dir / "config");
    Job base;
    base.name = "one";
    base.request.folderA = dir / "A";
    base.request.folderB = "user@host:/srv/b";  // kept as written
    base.request.include = {std::string(1, platform::kSeparator)};
    std::string error;
    // What a job holds where nothing is set, as a save and a load leave it.
    ASSERT_TRUE(saveJob(base, error)) << error;
    ASSERT_TRUE(loadJob("one", base, error)) << error;
    EXPECT_EQ(base.request.folderB, "user@host:/srv/b");

    const std::pair<const char*, std::function<void(Job&)>> fields[] = {
        {"information file A", [](Job& j) { j.request.infoA = "/i/a.dat"; }},
        {"information file B", [](Job& j) { j.request.infoB = "/i/b.dat"; }},
        {"options", [](Job& j) { j.request.options = 0x05; }},
        {"max entries", [](Job& j) { j.request.maxEntries = 1234; }},
        {"time window", [](Job& j) { j.request.timeWindow = 2; }},
        {"hour shift", [](Job& j) { j.request.ignoreHourShift = true; }},
        {"keep going", [](Job& j) { j.request.keepGoing = true; }},
        {"version cache", [](Job& j) { j.request.versionCachePath = "/c/versions.cache"; }},
        {"remote shell", [](Job& j) { j.request.remoteAccess.shell = "ssh -p 2222 -i key"; }},
        {"remote dirmatch", [](Job& j) { j.request.remoteAccess.program = "/opt/bin/dirmatch"; }},
        {"batch", [](Job& j) { j.request.remoteAccess.batch = true; }},
        {"backup folder", [](Job& j) { j.request.backupDir = ".kept sets"; }},
        {"backup days", [](Job& j) { j.request.backupKeepDays = 30; }},
        {"keep newer", [](Job& j) { j.request.keepNewer = true; }},
        {"include",
         [](Job& j) {
             j.request.include = {".txt", "src"};
         }},
        {"exclude", [](Job& j) { j.request.exclude = {".bak"}; }},
        {"sync", [](Job& j) { j.sync = true; }},
        {"schedule", [](Job& j) { j.schedule = "every 15"; }},
    };
    for (const auto& [field, set] : fields) {
        Job job = base;
        set(job);
        ASSERT_TRUE(saveJob(job, error)) << field << ": " << error;
        Job read;
        ASSERT_TRUE(loadJob("one", read, error)) << field << ": " << error;
        EXPECT_TRUE(read.request == job.request) << field;
        EXPECT_EQ(read.sync, job.sync) << field;
        EXPECT_EQ(read.schedule, job.schedule) << field;
    }
    test::setVariable("XDG_CONFIG_HOME", config);
    test::setVariable("APPDATA", appData);
}

// Each schedule as the Task Scheduler is told it, and no schedule as the task taken off.
TEST(JobFile, EachScheduleIsOneTaskOfTheTaskScheduler)
{
    const struct {
        std::string schedule;
        std::vector<std::string> when;
    } cases[] = {
        {"daily 07:05", {"/SC", "DAILY", "/ST", "07:05"}},
        {"hourly", {"/SC", "HOURLY"}},
        {"every 15", {"/SC", "MINUTE", "/MO", "15"}},
    };
    Job job;
    job.name = "nightly";
    for (const auto& c : cases) {
        job.schedule = c.schedule;
        std::vector<std::string> expected{"/Create", "/F",
                                          "/TN",     "dirmatch\\nightly",
                                          "/TR",     "\"C:\\Program Files\\dirmatch\\dirmatch.exe\" job run nightly"};
        expected.insert(expected.end(), c.when.begin(), c.when.end());
        EXPECT_EQ(jobTaskArguments(job, "C:\\Program Files\\dirmatch\\dirmatch.exe"), expected) << c.schedule;
    }
    job.schedule.clear();
    EXPECT_EQ(jobTaskArguments(job, "dirmatch.exe"),
              (std::vector<std::string>{"/Delete", "/F", "/TN", "dirmatch\\nightly"}));
}

}  // namespace
}  // namespace dm
