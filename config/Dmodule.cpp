#include "config/Dmodule.h"

#include <algorithm>

#include "config/Settings.h"
#include "platform/IniFile.h"
#include "platform/Listing.h"
#include "platform/ProgramPaths.h"
#include "platform/Text.h"
#include "platform/VersionCache.h"

namespace dm {

TDM* DM = nullptr;

namespace {

std::string withoutExtension(const std::string& file)
{
    const std::string_view name = platform::lastComponent(file);
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return file;
    return file.substr(0, file.size() - name.size() + dot);
}

// The version cache the settings ask for: the user's, unless [Global]
// VersionCache=0; it keeps [Global] VersionCacheSize entries at most.
std::string versionCacheIn(const platform::IniFile& ini)
{
    const int size = ini.readInteger("Global", "VersionCacheSize", int(platform::VersionCache::kCapacity));
    platform::VersionCache::setCapacity(size_t(std::clamp(size, 1000, 100000000)));
    return ini.readInteger("Global", "VersionCache", 1) != 0 ? platform::VersionCache::defaultPath() : std::string();
}

}  // namespace

TDM::TDM() : TDM(platform::programFile()) {}

TDM::TDM(const std::string& programFile)
{
    IniPath = IniPathFor(programFile);
    LogPath = LogPathFor(programFile);
    AsServer = false;
    LoadSettings();
    Options = kDefaultRules;
    OnlyDiff = true;
}

TDM::~TDM()
{
    DataModuleDestroy();
}

void TDM::DataModuleDestroy()
{
    if (destroyed_) return;
    destroyed_ = true;
    SaveSettings();
}

void TDM::LoadSettings()
{
    const platform::IniFile ini(IniPath);
    const auto text = [&](const char* section, const char* key, const std::string& current) {
        const std::string v = ini.readString(section, key, {});
        return v.empty() ? current : v;
    };
    StandardDir = text("Server", "StandardDir", StandardDir);
    LocalDir = text("Server", "LocalDir", LocalDir);
    REGNAME = ini.readString("Server", "REGNAME", {});
    DispPath = NormalizeDispPath(ini.readString("Server", "DispPath", {}));
    DispReg = ini.readString("Server", "DispReg", {});
    DispInfo = ini.readString("Server", "DispInfo", "info.dat");
    rKey = ini.readString("Server", "rKey", {});
    rName = ini.readString("Server", "rName", {});
    Interval = ini.readInteger("Global", "Interval", 30000);
    Shedule = ini.readInteger("Global", "Shedule", 3);
    Day = ini.readInteger("Global", "Day", 1);
    Time = ini.readInteger("Global", "Time", 2);
    AsServer = ini.readInteger("Global", "AsServer", 0) != 0;
    ShowWizard = ini.readInteger("Global", "ShowWizard", 1) != 0;
    SRVADDR = ini.readString("Server", "SRVADDR", {});
    StoreName = ini.readString("Stores", "StoreName", {});
    if (DoCompareList.empty()) DoCompareList = everyPath();
    for (auto* history : {&HistoryA, &HistoryB}) {
        history->clear();
        const char side = history == &HistoryA ? 'A' : 'B';
        for (size_t i = 0; i < kHistoryLength; ++i) {
            const std::string folder = ini.readString("History", std::string(1, side) + std::to_string(i), {});
            if (!folder.empty()) history->push_back(folder);
        }
    }
    FilterFolder = ini.readString("History", "FilterFolder", {});
    PairLimits.clear();
    for (size_t i = 0; i < kPairLimits; ++i) {
        const std::string n = std::to_string(i);
        PairLimit pair{ini.readString("Limits", "A" + n, {}), ini.readString("Limits", "B" + n, {}),
                       ini.readInteger("Limits", "N" + n, 0)};
        if (!pair.folderA.empty() && !pair.folderB.empty() && pair.limit > 0) PairLimits.push_back(std::move(pair));
    }
    ViewColumns = ini.readInteger("View", "Columns", 0);
    ColumnWidths = ini.readString("View", "ColumnWidths", {});
    WindowGeometry = ini.readString("View", "Geometry", {});
    SplitterState = ini.readString("View", "Splitter", {});
    VersionCachePath = versionCacheIn(ini);
    Settings = ComparisonRequest();
    readSettings(ini, "Global", Settings);
    ExternalCompare = ini.readString("Global", "ExternalCompare", {});
    RegNotUpdateList.clear();
    for (const auto& [key, value] : ini.readSectionValues("RegNotUpdate")) {
        if (!value.empty()) RegNotUpdateList.push_back(key + "=" + value);
    }
    StripKeys(RegNotUpdateList);
    if (!rKey.empty() && !rName.empty()) LocalDir = ReadRegistryFolder();
}

void TDM::SaveSettings()
{
    platform::IniFile ini(IniPath);
    const auto put = [&](const char* section, const char* key, const std::string& value) {
        return ini.writeString(section, key, value);
    };
    const auto putInt = [&](const char* key, int32_t value) { return ini.writeInteger("Global", key, value); };
    // A value that cannot be stored ends the save there, as any failure does.
    const bool ok = put("Server", "StandardDir", StandardDir) && put("Server", "LocalDir", LocalDir) &&
                    put("Server", "REGNAME", REGNAME) && put("Server", "rKey", rKey) && put("Server", "rName", rName) &&
                    put("Server", "DispPath", DispPath) && put("Server", "DispReg", DispReg) &&
                    put("Server", "DispInfo", DispInfo) && putInt("Interval", Interval) && putInt("Shedule", Shedule) &&
                    putInt("Day", Day) && putInt("Time", Time) && putInt("AsServer", AsServer ? 1 : 0) &&
                    putInt("ShowWizard", ShowWizard ? 1 : 0) && put("Server", "SRVADDR", SRVADDR) &&
                    put("Stores", "StoreName", StoreName);
    if (ok && writeSettings(ini, "Global", Settings, true)) {
        // The history keeps a section of its own; the other sections stay as they are.
        ini.eraseSection("History");
        for (size_t i = 0; i < HistoryA.size() && i < kHistoryLength; ++i)
            put("History", ("A" + std::to_string(i)).c_str(), HistoryA[i]);
        for (size_t i = 0; i < HistoryB.size() && i < kHistoryLength; ++i)
            put("History", ("B" + std::to_string(i)).c_str(), HistoryB[i]);
        if (!FilterFolder.empty()) put("History", "FilterFolder", FilterFolder);
        ini.eraseSection("Limits");
        for (size_t i = 0; i < PairLimits.size() && i < kPairLimits; ++i) {
            const std::string n = std::to_string(i);
            put("Limits", ("A" + n).c_str(), PairLimits[i].folderA);
            put("Limits", ("B" + n).c_str(), PairLimits[i].folderB);
            ini.writeInteger("Limits", ("N" + n).c_str(), PairLimits[i].limit);
        }
        ini.eraseSection("View");
        // Only what was changed, so that a first start writes the settings it always had.
        if (ViewColumns != 0) ini.writeInteger("View", "Columns", ViewColumns);
        for (const auto& [key, value] : {std::pair{"ColumnWidths", &ColumnWidths},
                                         std::pair{"Geometry", &WindowGeometry}, std::pair{"Splitter", &SplitterState}})
            if (!value->empty()) put("View", key, *value);
        for (const char* section : {"NotUpdate", "doCompare", "RegNotUpdate"}) ini.eraseSection(section);
        for (size_t i = 0; i < RegNotUpdateList.size(); ++i) {
            if (!put("RegNotUpdate", std::to_string(i).c_str(), RegNotUpdateList[i])) break;
        }
    }
    ini.save();  // a failure is silent: settings are never worth a message at exit
}

std::string TDM::LogPathFor(const std::string& programFile)
{
    return platform::besideProgram(programFile) + std::string(platform::lastComponent(withoutExtension(programFile))) +
           ".log";
}

std::string TDM::IniPathFor(const std::string& programFile)
{
    return platform::besideProgram(programFile) + "pre.ini";
}

ComparisonRequest TDM::GlobalSettings(const std::string& iniPath)
{
    ComparisonRequest settings;
    readSettings(platform::IniFile(iniPath), "Global", settings);
    return settings;
}

std::string TDM::VersionCacheFile(const std::string& iniPath)
{
    return versionCacheIn(platform::IniFile(iniPath));
}

void TDM::StripKeys(StringList& lines)
{
    for (std::string& line : lines) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) line = line.substr(eq + 1);
    }
}

std::string TDM::NormalizeDispPath(const std::string& path)
{
    if (!platform::folderExists(path)) return {};
    return platform::endsWithSeparator(path) ? path : path + platform::kSeparator;
}

platform::RootKey TDM::SplitRegistryPath(const std::string& keyPath, std::string& subKey, std::string& last)
{
    const auto first = keyPath.find('\\');
    const std::string root = first == std::string::npos ? std::string() : keyPath.substr(0, first);
    subKey = first == std::string::npos ? keyPath : keyPath.substr(first + 1);
    const auto lastSep = keyPath.find_last_of('\\');
    last = lastSep == std::string::npos ? keyPath : keyPath.substr(lastSep + 1);
    return root == "HKEY_LOCAL_MACHINE" ? platform::RootKey::LocalMachine : platform::RootKey::CurrentUser;
}

std::string TDM::ReadRegistryFolder() const
{
    std::string subKey;
    std::string last;
    const platform::RootKey root = SplitRegistryPath(rKey, subKey, last);
    return platform::readRegistryString(root, subKey, rName).value_or(std::string());
}

void TDM::Remember(StringList& history, const std::string& folder)
{
    if (folder.empty()) return;
    std::erase(history, folder);
    history.insert(history.begin(), folder);
    if (history.size() > kHistoryLength) history.resize(kHistoryLength);
}

}  // namespace dm
