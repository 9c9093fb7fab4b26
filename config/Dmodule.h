// The data module: the program's settings and the state its windows share.
// Created first at start-up (it loads pre.ini), destroyed last (it saves it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/ComparisonRequest.h"
#include "common/StringList.h"
#include "platform/Registry.h"

namespace dm {

class TDM {
public:
    // Settings beside the running program.
    TDM();
    // Settings beside the given program file (tests, and callers that know better).
    explicit TDM(const std::string& programFile);
    ~TDM();  // DataModuleDestroy
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    void LoadSettings();
    void SaveSettings();
    void DataModuleDestroy();

    // The log file of a program: its path with the extension replaced by ".log",
    // in the folder that holds files beside the program.
    static std::string LogPathFor(const std::string& programFile);
    // The settings file of a program.
    static std::string IniPathFor(const std::string& programFile);
    // The file that remembers file versions between runs, or none where the
    // settings turn that off ([Global] VersionCache=0).
    static std::string VersionCacheFile(const std::string& iniPath);
    // The comparison's settings under [Global] that the command line and
    // the window share (see comparisonSettings), over their defaults.
    static ComparisonRequest GlobalSettings(const std::string& iniPath);

    static void StripKeys(StringList& lines);
    static std::string NormalizeDispPath(const std::string& path);
    // Splits "ROOT\sub\key" into the root key, the sub-key path and the last component.
    static platform::RootKey SplitRegistryPath(const std::string& keyPath, std::string& subKey, std::string& last);
    std::string ReadRegistryFolder() const;

    std::string IniPath;
    std::string LocalDir;
    std::string StandardDir;
    std::string LogPath;
    int32_t Shedule = 3;
    int32_t Day = 1;
    int32_t Time = 2;
    std::string SRVADDR;
    bool AsServer = false;
    bool ShowWizard = true;
    StringList NotUpdateList;
    StringList DoCompareList;
    StringList RegNotUpdateList;
    std::string REGNAME;
    std::string DispPath;
    std::string DispReg;
    std::string DispInfo = "info.dat";
    int32_t Interval = 30000;
    uint32_t Options = kDefaultRules;
    bool OnlyDiff = true;
    StringList ReportLines;
    bool Identical = false;
    std::string StoreName;
    std::string rKey;
    std::string rName;
    // The last folders used for each side, most recent first (pre.ini [History]).
    StringList HistoryA;
    StringList HistoryB;
    // Where a filter file was last opened or saved.
    std::string FilterFolder;
    // How the main window was left (pre.ini [View]): the optional columns of
    // the tree (bits, 0: none), column widths, and the window and splitter
    // state as hexadecimal text.
    int32_t ViewColumns = 0;
    std::string ColumnWidths;
    std::string WindowGeometry;
    std::string SplitterState;
    // Where file versions are remembered between runs; empty: nowhere.
    std::string VersionCachePath;
    // [Global] ExternalCompare: a command line run for a file pair, %A and %B
    // standing for its two paths ("meld %A %B"); empty: none is offered.
    std::string ExternalCompare;
    // The comparison's settings under [Global] (time window, entry limit,
    // backup folder...): only the fields of comparisonSettings are read here.
    ComparisonRequest Settings;
    // Entry limits raised for one pair of folders from the offer past the
    // limit (pre.ini [Limits]: A0, B0, N0…), the most recent first.
    struct PairLimit {
        std::string folderA;
        std::string folderB;
        int32_t limit = 0;
    };
    std::vector<PairLimit> PairLimits;
    static constexpr size_t kPairLimits = 20;
    static constexpr size_t kHistoryLength = 10;
    // Puts the folder first in the history, once, keeping at most kHistoryLength.
    static void Remember(StringList& history, const std::string& folder);

private:
    bool destroyed_ = false;
};

// The application's one data module; set by whoever creates it.
extern TDM* DM;

}  // namespace dm
