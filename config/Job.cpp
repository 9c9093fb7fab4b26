#include "config/Job.h"

#include <algorithm>
#include <cstdio>

#include "config/Settings.h"
#include "platform/ChildProcess.h"
#include "platform/IniFile.h"
#include "platform/Listing.h"
#include "platform/ProgramPaths.h"
#include "platform/SysError.h"
#include "platform/Text.h"

namespace dm {

namespace {

constexpr const char* kSection = "Job";
constexpr const char* kSuffix = ".ini";

std::string fileOf(const std::string& name)
{
    return jobsFolder() + name + kSuffix;
}

void writeList(platform::IniFile& ini, const char* section, const StringList& list)
{
    ini.eraseSection(section);
    ini.addSection(section);
    for (size_t i = 0; i < list.size(); ++i) ini.writeString(section, std::to_string(i + 1), list[i]);
}

StringList readList(const platform::IniFile& ini, const char* section)
{
    StringList list;
    for (const auto& [key, value] : ini.readSectionValues(section)) list.push_back(value);
    return list;
}

// The integer of a key between `low` and `high`; false, with why, otherwise.
bool readNumber(const platform::IniFile& ini, const char* key, int64_t low, int64_t high, int64_t& number,
                std::string& error)
{
    const std::optional<std::string> text = ini.value(kSection, key);
    if (!text) return true;  // the default stands
    bool negative = false;
    bool hexadecimal = false;
    uint64_t magnitude = 0;
    const bool parsed = platform::parseInteger(*text, negative, hexadecimal, magnitude) && magnitude < (1ull << 62);
    number = negative ? -int64_t(magnitude) : int64_t(magnitude);
    if (parsed && number >= low && number <= high) return true;
    error = std::string(key) + ": '" + *text + "' is not a number from " + std::to_string(low) + " to " +
            std::to_string(high);
    return false;
}

// A schedule as the job file keeps it, checked; false where it is none.
bool scheduleFromText(const std::string& text, std::string& timerLines)
{
    unsigned hour = 0, minute = 0, every = 0;
    char rest = 0;
    if (text == "hourly") {
        timerLines = "OnCalendar=hourly\nPersistent=true\n";
    } else if (std::sscanf(text.c_str(), "daily %2u:%2u%c", &hour, &minute, &rest) == 2 && hour < 24 && minute < 60) {
        char line[64];
        std::snprintf(line, sizeof line, "OnCalendar=*-*-* %02u:%02u:00\nPersistent=true\n", hour, minute);
        timerLines = line;
    } else if (std::sscanf(text.c_str(), "every %u%c", &every, &rest) == 1 && every >= 1 && every <= 10080) {
        timerLines = "OnBootSec=" + std::to_string(every) + "min\nOnUnitActiveSec=" + std::to_string(every) + "min\n";
    } else {
        return false;
    }
    return true;
}

// Why an ini value cannot hold the text exactly as it is (its ends are
// trimmed, a line break ends it, matching quotes around it are taken off);
// empty where it can. A folder kept almost right is another folder.
std::string whyNotKept(const std::string& text)
{
    const auto named = [](char c) -> std::string {
        switch (c) {
            case ' ': return "a space";
            case '\t': return "a tab";
            case '\r': return "a carriage return (CR)";
            case '\n': return "a line break (LF)";
            default: {
                char code[8];
                std::snprintf(code, sizeof code, "0x%02X", unsigned(static_cast<unsigned char>(c)));
                return std::string("the control character ") + code;
            }
        }
    };
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return "it holds " + named(c);
    }
    if (text.empty()) return {};
    if (text.front() == ' ' || text.front() == '\t') return "it begins with " + named(text.front());
    if (text.back() == ' ' || text.back() == '\t') return "it ends with " + named(text.back());
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        return "it stands in quotes";
    return {};
}

}  // namespace

bool scheduleOf(const std::string& daily, bool hourly, int32_t everyMinutes, std::string& schedule, std::string& error)
{
    schedule = hourly             ? "hourly"
               : !daily.empty()   ? "daily " + daily
               : everyMinutes > 0 ? "every " + std::to_string(everyMinutes)
                                  : "";
    std::string lines;
    if (schedule.empty() || scheduleFromText(schedule, lines)) return true;
    error = daily.empty() ? "--every takes 1 to 10080 minutes" : "--daily takes a time HH:MM: '" + daily + "'";
    return false;
}

std::string jobUnitName(const std::string& job)
{
    return "dirmatch-job-" + job;
}

std::string jobServiceUnit(const Job& job, const std::string& program)
{
    // systemd reads % as a specifier and a quoted word with C escapes.
    std::string quoted = "\"";
    for (const char c : program) {
        if (c == '%')
            quoted += "%%";
        else if (c == '"' || c == '\\')
            quoted += std::string("\\") + c;
        else
            quoted += c;
    }
    quoted += '"';
    return "[Unit]\nDescription=dirmatch job " + job.name + "\n\n[Service]\nType=oneshot\nExecStart=" + quoted +
           " job run " + job.name + "\n";
}

std::string jobTimerUnit(const Job& job)
{
    std::string lines;
    scheduleFromText(job.schedule, lines);
    return "[Unit]\nDescription=dirmatch job " + job.name + ", on its schedule (" + job.schedule + ")\n\n[Timer]\n" +
           lines + "\n[Install]\nWantedBy=timers.target\n";
}

std::vector<std::string> jobTaskArguments(const Job& job, const std::string& program)
{
    const std::string task = "dirmatch\\" + job.name;
    if (job.schedule.empty()) return {"/Delete", "/F", "/TN", task};
    std::vector<std::string> words{"/Create", "/F", "/TN", task, "/TR", "\"" + program + "\" job run " + job.name};
    unsigned hour = 0, minute = 0, every = 0;
    if (job.schedule == "hourly") {
        words.insert(words.end(), {"/SC", "HOURLY"});
    } else if (std::sscanf(job.schedule.c_str(), "daily %2u:%2u", &hour, &minute) == 2) {
        char time[8];
        std::snprintf(time, sizeof time, "%02u:%02u", hour, minute);
        words.insert(words.end(), {"/SC", "DAILY", "/ST", time});
    } else if (std::sscanf(job.schedule.c_str(), "every %u", &every) == 1) {
        words.insert(words.end(), {"/SC", "MINUTE", "/MO", std::to_string(every)});
    }
    return words;
}

std::string jobsFolder()
{
    return platform::userConfigFolder() + "jobs" + platform::kSeparator;
}

std::string jobRunsFolder(const std::string& name)
{
    return platform::userStateFolder() + "runs" + platform::kSeparator + name + platform::kSeparator;
}

std::vector<std::string> jobRunRecords(const std::string& name)
{
    std::vector<std::string> records;
    const std::string folder = jobRunsFolder(name);
    platform::FolderListing listing;
    platform::WIN32_FIND_DATA record;
    if (listing.first(folder, {}, record)) {
        do {
            const std::string file = record.cFileName;
            if (file.ends_with(".txt")) records.push_back(folder + file);
        } while (listing.next(record));
    }
    // Named by the time each run ended: the newest sort last.
    std::sort(records.rbegin(), records.rend());
    return records;
}

bool isJobName(const std::string& name)
{
    if (name.empty() || name.size() > 100 || name[0] == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
               c == '.';
    });
}

bool saveJob(const Job& job, std::string& error)
{
    if (!isJobName(job.name)) {
        error = "'" + job.name + "' is no job name (letters, digits, '-', '_' and '.')";
        return false;
    }
    // Every text is kept exactly, or the job is not saved: a job that ran
    // with a path slightly changed would copy into another folder.
    const ComparisonRequest& request = job.request;
    const std::pair<const char*, const std::string*> texts[] = {{"folder A", &request.folderA},
                                                                {"folder B", &request.folderB},
                                                                {"--info-a", &request.infoA},
                                                                {"--info-b", &request.infoB},
                                                                {"--rsh", &request.remoteAccess.shell},
                                                                {"--remote-dirmatch", &request.remoteAccess.program},
                                                                {"the version cache", &request.versionCachePath},
                                                                {"--backup-dir", &request.backupDir}};
    for (const auto& [what, text] : texts) {
        if (const std::string why = whyNotKept(*text); !why.empty()) {
            error = std::string(what) + " cannot be kept in a job as given (" + why + "): '" + *text + "'";
            return false;
        }
    }
    for (const StringList* list : {&request.include, &request.exclude, &job.targets}) {
        for (const std::string& entry : *list) {
            if (const std::string why = whyNotKept(entry); !why.empty()) {
                error = std::string(list == &job.targets ? "a target" : "a filter entry") +
                        " cannot be kept in a job as given (" + why + "): '" + entry + "'";
                return false;
            }
        }
    }
    if (!platform::makeFolders(jobsFolder())) {
        error = jobsFolder() + ": " + platform::systemMessage(platform::lastError());
        return false;
    }
    platform::IniFile ini(fileOf(job.name), std::string_view());
    ini.writeString(kSection, "FolderA", request.folderA);
    ini.writeString(kSection, "FolderB", request.folderB);
    ini.writeString(kSection, "InfoA", request.infoA);
    ini.writeString(kSection, "InfoB", request.infoB);
    ini.writeInteger(kSection, "Options", request.options);
    writeSettings(ini, kSection, request);
    ini.writeString(kSection, "VersionCache", request.versionCachePath);
    ini.writeString(kSection, "RemoteShell", request.remoteAccess.shell);
    ini.writeString(kSection, "RemoteDirmatch", request.remoteAccess.program);
    ini.writeInteger(kSection, "RemoteBatch", request.remoteAccess.batch ? 1 : 0);
    ini.writeInteger(kSection, "Sync", job.sync ? 1 : 0);
    ini.writeString(kSection, "Schedule", job.schedule);
    writeList(ini, "Include", request.include);
    writeList(ini, "Exclude", request.exclude);
    writeList(ini, "Targets", job.targets);
    if (!ini.save()) {
        error = fileOf(job.name) + ": " + platform::systemMessage(platform::lastError());
        return false;
    }
    return true;
}

bool loadJob(const std::string& name, Job& job, std::string& error, const std::string& defaultCache)
{
    const std::string file = fileOf(name);
    if (!isJobName(name) || !platform::itemExists(file)) {
        error = "no job '" + name + "'";
        return false;
    }
    const platform::IniFile ini(file);
    const auto fail = [&](const std::string& why) {
        error = file + ": " + why;
        return false;
    };
    job = Job{};
    job.name = name;
    ComparisonRequest& request = job.request;
    request.folderA = ini.readString(kSection, "FolderA", {});
    request.folderB = ini.readString(kSection, "FolderB", {});
    if (request.folderA.empty()) return fail("FolderA is missing");
    if (request.folderB.empty()) return fail("FolderB is missing");
    request.infoA = ini.readString(kSection, "InfoA", {});
    request.infoB = ini.readString(kSection, "InfoB", {});
    request.versionCachePath = ini.value(kSection, "VersionCache").value_or(defaultCache);
    request.remoteAccess.shell = ini.readString(kSection, "RemoteShell", request.remoteAccess.shell);
    request.remoteAccess.program = ini.readString(kSection, "RemoteDirmatch", request.remoteAccess.program);
    // Jobs saved before a setting was kept: its default stands.
    int64_t options = kDefaultRules, sync = 0, batch = 0;
    std::string why;
    if (!readNumber(ini, "Options", 0, 255, options, why) || !readNumber(ini, "Sync", 0, 1, sync, why) ||
        !readNumber(ini, "RemoteBatch", 0, 1, batch, why) || !readSettings(ini, kSection, request, &why))
        return fail(why);
    request.options = uint8_t(options);
    request.remoteAccess.batch = batch != 0;
    job.sync = sync != 0;
    job.schedule = ini.readString(kSection, "Schedule", {});
    std::string checked;
    if (!job.schedule.empty() && !scheduleFromText(job.schedule, checked))
        return fail("Schedule: '" + job.schedule + "' is no schedule");
    request.include = readList(ini, "Include");
    request.exclude = readList(ini, "Exclude");
    job.targets = readList(ini, "Targets");
    return true;
}

std::vector<std::string> jobNames()
{
    std::vector<std::string> names;
    platform::FolderListing listing;
    platform::WIN32_FIND_DATA record;
    if (!listing.first(jobsFolder(), {}, record)) return names;
    do {
        const std::string file = record.cFileName;
        if (file.size() <= 4 || !file.ends_with(kSuffix)) continue;
        const std::string name = file.substr(0, file.size() - 4);
        if (isJobName(name)) names.push_back(name);
    } while (listing.next(record));
    std::sort(names.begin(), names.end());
    return names;
}

bool removeJob(const std::string& name, std::string& error)
{
    if (!isJobName(name) || !platform::itemExists(fileOf(name))) {
        error = "no job '" + name + "'";
        return false;
    }
    if (!platform::deleteFile(fileOf(name))) {
        error = fileOf(name) + ": " + platform::systemMessage(platform::lastError());
        return false;
    }
    return true;
}

std::string nextRunOf(const std::string& job)
{
    if (!platform::userServiceManagerRunning()) return {};
    platform::ChildProcess systemctl;
    std::string errors;
    if (!systemctl.start({"systemctl", "--user", "show", jobUnitName(job) + ".timer",
                          "--property=NextElapseUSecRealtime", "--value"},
                         errors))
        return {};
    std::string next;
    char line[256];
    while (std::fgets(line, sizeof line, systemctl.output())) next += line;
    if (systemctl.finish(errors) != 0) return {};
    while (!next.empty() && (next.back() == '\n' || next.back() == ' ')) next.pop_back();
    return next == "n/a" ? std::string() : next;
}

}  // namespace dm
