// Saved jobs: a comparison (and whether to copy) under a name, one settings
// file per job in the user's configuration folder, read with every field checked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/ComparisonRequest.h"

namespace dm {

struct Job {
    std::string name;
    // Every field is kept; a job file without a version cache's key uses
    // the cache named by `defaultCache` when it is read.
    ComparisonRequest request;
    bool sync = false;  // compare and copy; else compare only
    // Every folder B, where the job has more than one (the first is the request's).
    StringList targets;
    // When the system's scheduler runs it: "daily HH:MM", "hourly",
    // "every MINUTES", or empty for never.
    std::string schedule;
};

// The folder of the job files, ending in the separator.
std::string jobsFolder();

// Where the records of a job's runs are kept, ending in the separator.
std::string jobRunsFolder(const std::string& name);

// The records of a job's runs, newest first: their paths.
std::vector<std::string> jobRunRecords(const std::string& name);

// A job's name: letters, digits, '-', '_' and '.', not starting with '.'.
bool isJobName(const std::string& name);

// Writes the job's file whole (the old one stays on failure); false, with why.
bool saveJob(const Job& job, std::string& error);

// Reads the job of that name; false, with the field and why, where the file
// is missing or a field is absent or not of its kind.
bool loadJob(const std::string& name, Job& job, std::string& error, const std::string& defaultCache = {});

// The names of the saved jobs, sorted.
std::vector<std::string> jobNames();

bool removeJob(const std::string& name, std::string& error);

// The schedule of "--daily HH:MM", "--hourly", "--every MINUTES" as a job
// keeps it; false, with why, for a time or a count out of range.
bool scheduleOf(const std::string& daily, bool hourly, int32_t everyMinutes, std::string& schedule, std::string& error);

// The systemd user units that run the job on its schedule: the service that
// runs `program job run NAME`, and its timer.
std::string jobUnitName(const std::string& job);  // without the ".service" / ".timer"
std::string jobServiceUnit(const Job& job, const std::string& program);
std::string jobTimerUnit(const Job& job);

// The Task Scheduler's words (schtasks' arguments) that put the job on its
// schedule as the task "dirmatch\NAME" running `program job run NAME`, or
// take it off where the job has none.
std::vector<std::string> jobTaskArguments(const Job& job, const std::string& program);

// When the user's service manager runs the job's timer next, as it says it;
// empty where no manager runs it.
std::string nextRunOf(const std::string& job);

}  // namespace dm
