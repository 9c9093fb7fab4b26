// dirmatch: compare folder B with folder A, copy A's missing and different
// items over B, or describe folder A in an information file.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>

#include "cli/Commands.h"
#include "cli/Jobs.h"
#include "cli/Targets.h"
#include "common/Messages.h"
#include "common/Version.h"
#include "config/Dmodule.h"
#include "config/Job.h"
#include "config/Settings.h"
#include "engine/side/Backup.h"
#include "platform/Console.h"
#include "platform/Process.h"
#include "platform/ProgramPaths.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace {

using namespace dm;
using namespace dm::cli;

uint8_t languageOf(const std::string& lang)
{
    if (lang == "en") return English;
    if (lang == "zh") return Chinese;
    // Chinese where the locale is Chinese, English everywhere else (C, POSIX…).
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::string(value).rfind("zh", 0) == 0 ? Chinese : English;
    }
    return English;
}

void addNoCache(CLI::App& cmd, bool& noCache)
{
    cmd.add_flag("--no-cache", noCache,
                 "read every file version anew, neither using nor filling the version cache "
                 "(also [Global] VersionCache=0 in pre.ini)");
}

// The options of the settings table: those of every comparison, or those of a sync.
void addSettings(CLI::App& cmd, CompareArgs& args, bool sync)
{
    for (const Setting& row : comparisonSettings()) {
        if (row.syncOnly != sync) continue;
        const std::string help = std::string(row.help) + " ([Global] " + row.key + " in pre.ini)";
        if (row.flag)
            cmd.add_flag(row.option, args.settings.*row.flag, help);
        else if (row.text)
            cmd.add_option(row.option, args.settings.*row.text, help);
        else
            cmd.add_option(row.option, args.settings.*row.number, help)->check(CLI::Range(row.low, row.high));
    }
}

void addCompareOptions(CLI::App& cmd, CompareArgs& args, TargetsArgs& targets, std::string& rules, std::string& raw,
                       std::string& lang)
{
    cmd.add_option("A", args.folderA,
                   "folder A, the standard (HOST:PATH: on another machine); with --info-a it may be left out: "
                   "the file names it");
    cmd.add_option("B", targets.targets,
                   "folder B, compared with A (HOST:PATH: on another machine); several: each is a target");
    auto* rulesOption =
        cmd.add_option("--rules", rules, "what to compare: size,time,version,subdirs,content (any) or none");
    cmd.add_option("--options", raw,
                   "the raw option byte (0x01 valid, 0x02 size, 0x04 time, 0x08 version, "
                   "0x10 sub-folders, 0x20 content), decimal or 0x..")
        ->excludes(rulesOption);
    // One value a use: folders given after the option stay folders.
    cmd.add_option("--include", args.include,
                   "compare only paths holding this text (again for more; default: every path)")
        ->allow_extra_args(false);
    cmd.add_option("--exclude", args.exclude, "leave out paths holding this text, never copy them (again for more)")
        ->allow_extra_args(false);
    cmd.add_flag("--all", args.all, "also show identical items and items left out by the filters");
    cmd.add_flag("--json", args.json, "print one JSON object with every field of every item");
    cmd.add_option("--lang", lang, "language of the texts: zh or en (default: zh under a Chinese locale, else en)")
        ->check(CLI::IsMember({"zh", "en"}));
    cmd.add_option("--info-a", args.infoA, "read side A from this information file (-: the standard input)");
    cmd.add_option("--info-b", args.infoB, "read side B from this information file (-: the standard input)");
    addSettings(cmd, args, false);
    addNoCache(cmd, args.noCache);
    cmd.add_option("--rsh", args.rsh, "the remote shell for a HOST:PATH folder (default: ssh), e.g. \"ssh -p 2222\"");
    cmd.add_option("--remote-dirmatch", args.remoteDirmatch,
                   "dirmatch on the other machine, where it is not on its PATH (default: dirmatch)");
}

// Many folders B at once.
void addTargetOptions(CLI::App& cmd, TargetsArgs& targets, std::string& targetsFile)
{
    cmd.add_option("--targets", targetsFile,
                   "also every folder B named in this file, one [USER@]HOST:PATH a line (# starts a comment)");
    cmd.add_option("--parallel", targets.parallel, "targets at work at once (default 4)")->check(CLI::Range(1, 256));
    cmd.add_option("--timeout", targets.timeout,
                   "seconds a target may take before it is stopped and counted failed (default: no end)")
        ->check(CLI::Range(0, 864000));
}

void addSyncOptions(CLI::App& cmd, CompareArgs& args)
{
    addSettings(cmd, args, true);
}

}  // namespace

int main(int argc, char** argv)
{
    dm::platform::prepareConsole();
    dm::platform::raiseDescriptorLimit();
    CLI::App app{
        "dirmatch: compare folder B with folder A and make B like A.\n"
        "Marks: - lacking in B, + redundant in B, * different, = identical, ~ not compared, ! error "
        "(a folder facing a file, a folder that could not be read).\nExit codes: 0 no differences, 1 differences, 2 "
        "error, 3 entry limit reached. After a sync (one target or many, or a job): 0 when B holds all that A holds "
        "(items only B has stay by design), 1 when B still lacks or differs (a file kept because B is newer, an item "
        "left out), 2 when a copy failed."};
    app.require_subcommand(1);
    app.set_version_flag("--version", versionLine("dirmatch"));

    CompareArgs args;
    // The settings under [Global] in pre.ini, as the window reads them; an option given wins.
    args.settings = TDM::GlobalSettings(TDM::IniPathFor(platform::programFile()));
    TargetsArgs targets;
    std::string targetsFile;
    SyncArgs sync;
    std::string rules;
    std::string raw;
    std::string lang;
    auto* compare = app.add_subcommand("compare", "compare B with A and show the result tree");
    addCompareOptions(*compare, args, targets, rules, raw, lang);
    addTargetOptions(*compare, targets, targetsFile);

    auto* syncCmd = app.add_subcommand("sync", "copy A's lacking and different items over B, then compare again");
    addCompareOptions(*syncCmd, args, targets, rules, raw, lang);
    addTargetOptions(*syncCmd, targets, targetsFile);
    // An empty item would name the whole folder, which is not what "only" means.
    syncCmd->add_option("--item", sync.item, "only this item (a path relative to the folders)")
        ->check(CLI::Validator(
            [](const std::string& item) { return item.empty() ? std::string("an empty item names nothing") : ""; },
            "PATH"));
    addSyncOptions(*syncCmd, args);
    syncCmd->add_flag("--yes", sync.yes, "copy without asking");
    syncCmd->add_flag("--dry-run", sync.dryRun, "only print what would be copied");

    std::string exportA;
    std::string exportFile;
    std::string exportB;
    int32_t exportMax = MaxScanCount;
    auto* exportCmd = app.add_subcommand("export", "write the information file of folder A");
    exportCmd->add_option("A", exportA, "folder A")->required();
    exportCmd->add_option("-o,--output", exportFile, "the information file to write (-: the standard output)")
        ->required();
    exportCmd->add_option("--b", exportB, "folder B, whose path inside A's paths is written as A's");
    exportCmd->add_option("--lang", lang, "language of the texts: zh or en")->check(CLI::IsMember({"zh", "en"}));
    exportCmd->add_option("--max-entries", exportMax, "entries before the scan stops (default 10000)")
        ->check(CLI::Range(3, 100000000));
    bool exportNoCache = false;
    addNoCache(*exportCmd, exportNoCache);

    // What a comparison on another machine runs there; not for people.
    StreamArgs streamArgs;
    auto* streamCmd = app.add_subcommand("stream", "")->group("");
    streamCmd->add_option("FOLDER", streamArgs.folder)->required();
    streamCmd->add_option("--protocol", streamArgs.protocol)->required();
    streamCmd->add_option("--max-entries", streamArgs.maxEntries)->check(CLI::Range(3, 100000000));
    streamCmd->add_option("--lang", lang)->check(CLI::IsMember({"zh", "en"}));
    streamCmd->add_flag("--no-versions", streamArgs.noVersions);
    streamCmd->add_flag("--digests", streamArgs.digests);
    streamCmd->add_flag("--may-write", streamArgs.mayWrite);
    streamCmd->add_flag("--no-sub-folders", streamArgs.noSubFolders);
    streamCmd->add_option("--include", streamArgs.include)->allow_extra_args(false);
    streamCmd->add_option("--exclude", streamArgs.exclude)->allow_extra_args(false);
    streamCmd->add_option("--leave-out", streamArgs.leaveOut)->allow_extra_args(false);
    addNoCache(*streamCmd, streamArgs.noCache);

    // What a sync with a backup folder on another machine runs there; not for people.
    std::string setFolder;
    std::string setRoot;
    int32_t setKeepDays = 0;
    auto* setCmd = app.add_subcommand("backup-set", "")->group("");
    setCmd->add_option("FOLDER", setFolder)->required();
    setCmd->add_option("--root", setRoot)->required();
    setCmd->add_option("--days", setKeepDays)->check(CLI::Range(0, 36500));
    setCmd->add_option("--lang", lang)->check(CLI::IsMember({"zh", "en"}));

    auto* jobCmd = app.add_subcommand("job", "saved jobs: save, list, show, run, schedule, remove");
    jobCmd->require_subcommand(1);
    std::string jobName;
    bool jobSync = false;
    auto* jobSave = jobCmd->add_subcommand("save", "save a comparison as a job (with --sync: and its copy)");
    jobSave->add_option("NAME", jobName, "the job's name (letters, digits, '-', '_', '.')")->required();
    addCompareOptions(*jobSave, args, targets, rules, raw, lang);
    jobSave->add_flag("--sync", jobSync, "the job copies A's lacking and different items over B, then compares again");
    bool jobReplace = false;
    jobSave->add_flag("--replace", jobReplace, "replace a job of the same name");
    addSyncOptions(*jobSave, args);
    auto* jobList = jobCmd->add_subcommand("list", "list the saved jobs");
    auto* jobShow = jobCmd->add_subcommand("show", "show a job's settings");
    jobShow->add_option("NAME", jobName, "the job")->required();
    auto* jobRun = jobCmd->add_subcommand("run", "run a job without asking anything, and keep a record of the run");
    jobRun->add_option("NAME", jobName, "the job")->required();
    auto* jobSchedule =
        jobCmd->add_subcommand("schedule", "run a job on a schedule (a systemd user timer), or no longer");
    jobSchedule->add_option("NAME", jobName, "the job")->required();
    std::string daily;
    bool hourly = false;
    bool off = false;
    int32_t every = 0;
    auto* dailyOption = jobSchedule->add_option("--daily", daily, "every day at HH:MM");
    auto* hourlyOption = jobSchedule->add_flag("--hourly", hourly, "every hour");
    auto* everyOption = jobSchedule->add_option("--every", every, "every so many minutes")->check(CLI::Range(1, 10080));
    auto* offOption = jobSchedule->add_flag("--off", off, "no longer on a schedule");
    dailyOption->excludes(hourlyOption, everyOption, offOption);
    hourlyOption->excludes(everyOption, offOption);
    everyOption->excludes(offOption);
    auto* jobRemove = jobCmd->add_subcommand("remove", "remove a job");
    jobRemove->add_option("NAME", jobName, "the job")->required();
    for (CLI::App* cmd : {jobList, jobShow, jobRun, jobSchedule, jobRemove})
        cmd->add_option("--lang", lang, "language of the texts: zh or en")->check(CLI::IsMember({"zh", "en"}));

    // Alone, it says what it does rather than what is missing.
    if (argc == 1) {
        std::cout << app.help();
        return ExitSame;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "dirmatch: " << e.what() << std::endl;
        return ExitError;
    }
    setLanguage(languageOf(lang));

    std::string error;
    if (!rules.empty() && !rulesByte(rules, args.options, error)) {
        std::cerr << "dirmatch: " << error << std::endl;
        return ExitError;
    }
    // A list of rules without subdirs compares the top folder's files alone:
    // folders there keep their marks, whatever they hold.
    if (!rules.empty() && rules != "none" && !(args.options & optSubFolders))
        std::cerr << "dirmatch: "
                  << textIn("未比较子文件夹 (在 --rules 中加上 subdirs)",
                            "sub-folders are not compared (add subdirs to --rules)")
                  << std::endl;
    if (!raw.empty() && !rawByte(raw, args.options, error)) {
        std::cerr << "dirmatch: " << error << std::endl;
        return ExitError;
    }
    if (args.include.empty()) args.include = everyPath();
    if (!targetsFile.empty() && !readTargets(targetsFile, targets.targets, error)) {
        std::cerr << "dirmatch: " << error << std::endl;
        return ExitError;
    }
    if (!targets.targets.empty()) args.folderB = targets.targets.front();
    const bool several = targets.targets.size() > 1;
    if (const std::string why = whyNoBackupFolder(args.settings.backupDir); !why.empty()) {
        std::cerr << "dirmatch: " << why << std::endl;
        return ExitError;
    }
    if ((compare->parsed() || syncCmd->parsed() || jobSave->parsed()) && !completeFolders(args, error)) {
        std::cerr << "dirmatch: " << error << std::endl;
        return ExitError;
    }

    try {
        if (compare->parsed()) return several ? runTargetsCommand(args, targets, nullptr) : runCompare(args);
        if (streamCmd->parsed()) return runStream(streamArgs);
        if (setCmd->parsed()) {
            BackupSetMade made;
            if (!makeBackupSet(setRoot, setFolder, platform::localNow(), setKeepDays, made, error)) {
                std::cerr << "dirmatch: " << error << std::endl;
                return ExitError;
            }
            std::cout << made.set << '\n' << made.expired << '\n' << made.note << std::endl;
            return ExitSame;
        }
        if (syncCmd->parsed()) return several ? runTargetsCommand(args, targets, &sync) : runSync(args, sync);
        if (jobSave->parsed()) return saveJobCommand(jobName, args, jobSync, targets.targets, jobReplace);
        if (jobList->parsed()) return listJobsCommand();
        if (jobShow->parsed()) return showJobCommand(jobName);
        if (jobRun->parsed()) return runJobCommand(jobName);
        if (jobRemove->parsed()) return removeJobCommand(jobName);
        if (jobSchedule->parsed()) {
            std::string schedule;
            if (int(!daily.empty()) + int(hourly) + int(off) + int(every != 0) != 1) {
                std::cerr << "dirmatch: give one of --daily, --hourly, --every, --off" << std::endl;
                return ExitError;
            }
            if (!scheduleOf(daily, hourly, every, schedule, error)) {
                std::cerr << "dirmatch: " << error << std::endl;
                return ExitError;
            }
            return scheduleJobCommand(jobName, schedule);
        }
        return runExport(exportA, exportFile, exportB, exportMax, exportNoCache);
    } catch (const std::exception& e) {
        std::cerr << "dirmatch: " << e.what() << std::endl;
        return ExitError;
    }
}
