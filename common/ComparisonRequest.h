// What a comparison is made from, whoever asks for it: the command line, a
// saved job, the desktop program, the other machine's half of a comparison.
// Plain data; a field added here travels everywhere a request does.
#pragma once

#include <cstdint>
#include <string>

#include "common/StringList.h"
#include "platform/Text.h"

namespace dm {

// What a byte of comparison rules may hold; every rule unless asked otherwise.
constexpr uint8_t kAllOptions = 255;
// The rules a person compares with until they choose others: size, time,
// version and sub-folders.
constexpr uint8_t kDefaultRules = 0x1F;
constexpr int32_t MaxScanCount = 10000;

// The include filter that takes every path: the separator, which every path holds.
inline StringList everyPath()
{
    return {std::string(1, platform::kSeparator)};
}

// How another machine is reached.
struct RemoteAccess {
    std::string shell = "ssh";         // a command line: "ssh -p 2222 -i key"
    std::string program = "dirmatch";  // dirmatch on the other machine
    bool batch = false;                // never ask for a password (no terminal to ask on)
    // A folder of this user's alone where ssh keeps one connection a host
    // for all the run's calls there (listing, copy, reading back); "": none.
    std::string connections;

    bool operator==(const RemoteAccess&) const = default;
};

struct ComparisonRequest {
    // The folders as a person gives them: a folder here, or HOST:PATH.
    std::string folderA;
    std::string folderB;
    // Read in place of folder A, or B, where not empty ("-": the standard input).
    std::string infoA;
    std::string infoB;
    StringList include;  // the paths compared
    StringList exclude;  // left out of the comparison, and never copied
    uint8_t options = kAllOptions;
    int32_t maxEntries = MaxScanCount;
    int32_t timeWindow = 0;  // seconds within which two times are the same
    bool ignoreHourShift = false;
    // Folders below A or B that cannot be listed are skipped without asking.
    bool keepGoing = false;
    std::string versionCachePath;  // empty: none
    // Every file's version is read, whatever the rules: a report shows them
    // for either side alike. Not a setting: what the report asks for.
    bool everyVersion = false;
    RemoteAccess remoteAccess;
    // What a synchronization does with the files of B it replaces: kept in
    // a set of this folder (relative: inside B, and no item of B), sets
    // older than `backupKeepDays` days (0: none) removed as it starts.
    std::string backupDir;
    int32_t backupKeepDays = 0;
    // Files that B holds in a newer state than A are left as they are.
    bool keepNewer = false;

    bool operator==(const ComparisonRequest&) const = default;
};

// Folders A and B, every item of them compared under these rules.
inline ComparisonRequest wholeFolders(const std::string& a, const std::string& b, uint8_t options = kAllOptions)
{
    ComparisonRequest request;
    request.folderA = a;
    request.folderB = b;
    request.include = everyPath();
    request.options = options;
    return request;
}

}  // namespace dm
