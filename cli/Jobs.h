// `dirmatch job`: saved jobs, run without anyone to ask, each run recorded.
#pragma once

#include <string>
#include <vector>

#include "cli/Commands.h"

namespace dm::cli {

// How many records of a job's runs are kept.
constexpr size_t kRunsKept = 20;

// With several targets, the job compares (and copies) to each of them.
int saveJobCommand(const std::string& name, const CompareArgs& args, bool sync,
                   const std::vector<std::string>& targets = {}, bool replace = false);
int listJobsCommand();
int showJobCommand(const std::string& name);
int removeJobCommand(const std::string& name);
// Compares (and with the job's sync, copies, then compares again) without
// asking anything; writes the run's record under the user's state folder.
int runJobCommand(const std::string& name);
// Puts the job on the system's scheduler (a systemd user timer), or takes it
// off with an empty schedule (see scheduleOf).
int scheduleJobCommand(const std::string& name, const std::string& schedule);

}  // namespace dm::cli
