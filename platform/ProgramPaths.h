// Where the program is, and where its settings and log live.
#pragma once

#include <string>
#include <vector>

namespace dm::platform {

// Full path of the running program file.
std::string programFile();

// The folder of the program file, ending in the separator.
std::string folderOf(const std::string& file);

// The folder for files kept "beside the program" (settings, log): the
// program's own folder when it can be written and the program is not
// installed, else the user's configuration folder for dirmatch. Ends in the
// separator.
std::string besideProgram(const std::string& programFile);

// Where the program's shared files (the manual) are: PREFIX/share/dirmatch/
// for an installed program (PREFIX/bin/...), else its own folder.
std::string dataFolder(const std::string& programFile);

// Whether the program file is one of an installation (PREFIX/bin/ with its
// PREFIX/share/dirmatch/), not one of a build tree that may go.
bool isInstalled(const std::string& programFile);

// The user's configuration folder for dirmatch, ending in the separator.
std::string userConfigFolder();

// The user's cache folder for dirmatch (what may be deleted at any time),
// ending in the separator.
std::string userCacheFolder();

// The user's folder for what dirmatch keeps of its own runs (their
// records), ending in the separator.
std::string userStateFolder();

// Where the user's systemd units live (~/.config/systemd/user/), ending in
// the separator; empty on a system without them.
std::string userUnitFolder();
// Whether the user's service manager runs now (its socket is there).
bool userServiceManagerRunning();
// The program that puts tasks on the system's Task Scheduler (schtasks, or
// the one DIRMATCH_SCHTASKS names, a command line); empty where the system
// schedules through systemd instead.
std::vector<std::string> taskSchedulerCommand();

// The path from the root: a relative one taken from the current folder.
std::string absolutePath(const std::string& path);

// Creates the folder and the folders above it; false, with lastError() set,
// when it cannot (also when a file stands where a folder should).
bool makeFolders(const std::string& path);

}  // namespace dm::platform
