// The three commands of `dirmatch`.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/compare/Comp.h"
#include "engine/workflow/Workflow.h"

namespace dm::cli {

enum ExitCode : int { ExitSame = 0, ExitDifferent = 1, ExitError = 2, ExitLimit = 3 };

struct CompareArgs {
    std::string folderA;
    std::string folderB;
    uint8_t options = kDefaultRules;
    StringList include;
    StringList exclude;
    bool all = false;
    bool json = false;
    std::string infoA;
    std::string infoB;
    bool noCache = false;
    std::string rsh = "ssh";  // how a HOST:PATH side is reached
    std::string remoteDirmatch = "dirmatch";
    // The rows of comparisonSettings: pre.ini's [Global], then the options given.
    ComparisonRequest settings;
};

struct SyncArgs {
    std::string item;
    bool yes = false;
    bool dryRun = false;
};

// A system's error text without the line break it may end with.
std::string oneLine(std::string text);
// The exit code of a comparison's result (a skipped unreadable folder: 2).
int exitCodeOf(const dirCompare& comp);
// The exit code of the comparison after a sync: 0 also where B holds
// everything A holds besides items of its own, which stay by design.
int exitCodeAfterSync(const dirCompare& comp);
// The comparison the arguments ask for.
ComparisonRequest requestOf(const CompareArgs& args);
// Folder B given alone beside --info-a: the file names folder A. False, with
// why, where folder B is missing otherwise or the file names no folder.
bool completeFolders(CompareArgs& args, std::string& error);

// The request with the remote shell's calls of one run sharing a connection
// a host, kept in `folder` (see RemoteAccess::connections).
ComparisonRequest sharingConnections(ComparisonRequest request, const std::string& folder);

// Where versions are remembered: the user's cache, unless the command line
// or the settings say not to.
std::string versionCacheFor(bool noCache);

// The other machine's half of a comparison there: the listing stream of a
// folder, or the digests of the files asked for on the standard input.
struct StreamArgs {
    std::string folder;
    uint32_t protocol = 0;
    int32_t maxEntries = MaxScanCount;
    bool noCache = false;
    bool noVersions = false;
    bool digests = false;
    bool mayWrite = false;  // the folder's file system may be measured on a temporary file
    // The listing's scope, as the comparing side would drop items otherwise.
    bool noSubFolders = false;
    StringList include;
    StringList exclude;
    StringList leaveOut;  // folders below FOLDER, '/' between names
};
int runStream(const StreamArgs& args);

int runCompare(const CompareArgs& args);
int runSync(const CompareArgs& args, const SyncArgs& sync);
int runExport(const std::string& folderA, const std::string& file, const std::string& folderB, int32_t maxEntries,
              bool noCache);

// The option byte from "size,time,version,subdirs" (any of them) or "none".
bool rulesByte(const std::string& rules, uint8_t& byte, std::string& error);
// A raw option byte, decimal or 0x hexadecimal.
bool rawByte(const std::string& text, uint8_t& byte, std::string& error);

}  // namespace dm::cli
