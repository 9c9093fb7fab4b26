// Saved jobs: a comparison (and whether to copy) under a name, one settings
// file per job in the user's configuration folder, read with every field checked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/StringList.h"

namespace dm {

struct Job {
    std::string name;
    std::string folderA;
    std::string folderB;
    std::string infoA;  // read in place of folder A when not empty
    std::string infoB;
    uint8_t options = 0x1F;
    StringList include;
    StringList exclude;
    int32_t timeWindow = 0;
    bool ignoreHourShift = false;
    int32_t maxEntries = 10000;
    bool sync = false;       // compare and copy; else compare only
    bool keepGoing = false;  // skip folders that cannot be read, as --keep-going does
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
bool loadJob(const std::string& name, Job& job, std::string& error);

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

}  // namespace dm
