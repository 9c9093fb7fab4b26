// What the Jobs window shows of a saved job, and the command line it runs
// a job with, as its timer or task would: the same in both windows.
#pragma once

#include <string>
#include <vector>

#include "config/Job.h"

namespace dm {

// A stored schedule ("daily 02:30", "hourly", "every 15") in the program's language.
std::string scheduleText(const std::string& schedule);

// The job in one line: its folders, what it does, its schedule and next run.
std::string jobLine(const Job& job);

// The command line program: beside this one when installed, else in the build tree's cli/
// (the Windows window lies a folder deeper there).
std::string commandLineProgram();

// `dirmatch job ARGUMENTS… --lang L`, its texts in the window's language.
std::vector<std::string> jobCommand(const std::vector<std::string>& arguments);

}  // namespace dm
