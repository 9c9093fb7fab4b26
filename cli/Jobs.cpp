#include "cli/Jobs.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "cli/Output.h"
#include "cli/Targets.h"
#include "cli/TerminalProgress.h"
#include "common/Messages.h"
#include "config/Job.h"
#include "config/Settings.h"
#include "engine/compare/ResultView.h"
#include "engine/side/Side.h"
#include "engine/workflow/Workflow.h"
#include "platform/AtomicFile.h"
#include "platform/ChildProcess.h"
#include "platform/Console.h"
#include "platform/Listing.h"
#include "platform/ProgramPaths.h"
#include "platform/RunLock.h"
#include "platform/SysError.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace dm::cli {

namespace {

const std::string kTool = "dirmatch: ";

int fail(const std::string& why)
{
    std::cerr << kTool << why << std::endl;
    return ExitError;
}

std::string stamp(const char* format)
{
    const auto t = platform::localNow();
    char text[32];
    std::snprintf(text, sizeof text, format, unsigned(t.wYear), unsigned(t.wMonth), unsigned(t.wDay), unsigned(t.wHour),
                  unsigned(t.wMinute), unsigned(t.wSecond));
    return text;
}

// Removes the records past the newest `kept`, each with its JSON.
void trimRuns(const std::string& name, size_t kept = kRunsKept)
{
    const std::vector<std::string> records = jobRunRecords(name);
    for (size_t i = kept; i < records.size(); ++i) {
        const std::string stem = records[i].substr(0, records[i].size() - 4);
        platform::deleteFile(stem + ".txt");
        platform::deleteFile(stem + ".json");
    }
}

// The program a timer runs: the installed one, where this one is a build
// tree's that may go before the timer does.
std::string scheduledProgram()
{
    const std::string running = platform::programFile();
    if (platform::isInstalled(running)) return running;
    for (const char* installed : {"/usr/bin/dirmatch", "/usr/local/bin/dirmatch"})
        if (platform::isInstalled(installed) && platform::itemExists(installed)) return installed;
    return running;
}

}  // namespace

int saveJobCommand(const std::string& name, const CompareArgs& args, bool sync, const std::vector<std::string>& targets,
                   bool replace)
{
    const std::vector<std::string> saved = jobNames();
    if (!replace && std::find(saved.begin(), saved.end(), name) != saved.end())
        return fail(textIn("作业已存在: ", "a job of that name exists: ") + printable(name) +
                    textIn(" (用 --replace 替换它)", " (--replace replaces it)"));
    // A job runs from anywhere (a timer, another folder): paths here are kept from the root.
    const auto fromRoot = [](const std::string& path) {
        return path.empty() || path == "-" || !sideFor(path)->hasLocalPaths() ? path : platform::absolutePath(path);
    };
    Job job;
    job.name = name;
    job.request = requestOf(args);
    for (std::string* path : {&job.request.folderA, &job.request.folderB, &job.request.infoA, &job.request.infoB})
        *path = fromRoot(*path);
    if (targets.size() > 1)
        for (const std::string& target : targets) job.targets.push_back(fromRoot(target));
    // Nobody is there to answer a password prompt when a job runs.
    job.request.remoteAccess.batch = true;
    job.sync = sync;
    std::string error;
    if (!saveJob(job, error)) return fail(printable(error));
    return ExitSame;
}

int listJobsCommand()
{
    const std::vector<std::string> names = jobNames();
    if (names.empty())
        std::cout << textIn("没有保存的作业 (用 dirmatch job save NAME A B 保存)",
                            "no jobs saved (dirmatch job save NAME A B saves one)")
                  << '\n';
    for (const std::string& name : names) {
        Job job;
        std::string error;
        if (!loadJob(name, job, error)) {
            std::cout << printable(name) << "  (" << printable(error) << ")\n";
            continue;
        }
        std::cout << printable(name) << "  " << (job.sync ? "sync" : "compare") << "  "
                  << printable(job.request.folderA) << " -> " << printable(job.request.folderB) << '\n';
    }
    return ExitSame;
}

int showJobCommand(const std::string& name)
{
    Job job;
    std::string error;
    if (!loadJob(name, job, error, versionCacheFor(false))) return fail(error);
    const auto list = [](const StringList& items) {
        std::string text;
        for (const std::string& item : items) text += (text.empty() ? "" : ", ") + printable(item);
        return text;
    };
    const ComparisonRequest& r = job.request;
    std::cout << "name: " << job.name << "\nfolder A: " << printable(r.folderA)
              << "\nfolder B: " << (job.targets.empty() ? printable(r.folderB) : list(job.targets));
    if (!r.infoA.empty()) std::cout << "\ninformation file A: " << printable(r.infoA);
    if (!r.infoB.empty()) std::cout << "\ninformation file B: " << printable(r.infoB);
    std::cout << "\nwhat: " << (job.sync ? "compare and sync" : "compare") << "\noptions: " << int(r.options)
              << "\ninclude: " << list(r.include) << "\nexclude: " << list(r.exclude);
    for (const Setting& row : comparisonSettings())
        std::cout << '\n' << row.shown << ": " << printable(settingText(row, r));
    std::cout << "\nversion cache: " << (r.versionCachePath.empty() ? "none" : printable(r.versionCachePath))
              << "\nremote shell: " << printable(r.remoteAccess.shell)
              << "\nremote dirmatch: " << printable(r.remoteAccess.program)
              << "\nschedule: " << (job.schedule.empty() ? "none" : job.schedule);
    if (const std::string next = nextRunOf(job.name); !next.empty()) std::cout << "\nnext run: " << next;
    std::cout << "\nruns: " << printable(jobRunsFolder(job.name)) << '\n';
    return ExitSame;
}

int removeJobCommand(const std::string& name)
{
    // A job goes with its timer and its records; never while it runs.
    const std::string folder = jobRunsFolder(name);
    std::optional<platform::RunLock> running(std::in_place);
    if (platform::itemExists(folder + "running.lock") && !running->tryTake(folder + "running.lock"))
        return fail("job '" + name + "' is running; remove it when the run has ended");
    const std::string units = platform::userUnitFolder();
    if (!units.empty() && platform::itemExists(units + jobUnitName(name) + ".timer")) {
        if (const int code = scheduleJobCommand(name, {}); code != ExitSame) return code;
    }
    std::string error;
    if (!removeJob(name, error)) return fail(error);
    trimRuns(name, 0);
    running.reset();
    platform::deleteFile(folder + "running.lock");
    if (platform::itemExists(folder) && !platform::removeEmptyFolder(folder))
        return fail(folder + ": " + platform::systemMessage(platform::lastError()));
    return ExitSame;
}

// One folder B: the comparison (and copy) of the job, its record, and its
// JSON; the notice's counts. The exit code.
int runOneTarget(const Job& job, const ComparisonRequest& asked, std::ostringstream& record, std::string& json,
                 std::string& counts)
{
    // A stop (Ctrl-C, or SIGTERM from a timer's service manager) ends the run
    // at a safe point, and the record says so.
    TerminalProgress progress;
    RunControl control;
    const platform::PrivateFolder connections;
    const ComparisonRequest request = sharingConnections(asked, connections.path());
    std::unique_ptr<dirCompare> comp;
    SyncRun run;
    if (job.sync) {
        SyncQuestions questions;
        // Nobody is there to look at the plan: a job copies all of it.
        questions.confirm = [](const dirCompare&, const SyncScope&, const std::vector<SyncStep>&,
                               std::set<std::string>&) { return true; };
        progress.run(control, [&] { run = synchronizeFolders(comp, request, {}, &control, {}, questions); });
    } else {
        progress.run(control, [&] { comp = compare(request, &control); });
    }
    const std::optional<SyncOutcome>& outcome = run.outcome;
    const std::string& refused = run.why;
    // A job has done its work when B holds what A holds: what only B holds
    // stays there by design, so a nightly sync that copied everything succeeded.
    int code = exitCodeAfterSync(*comp);
    if (control.abortRequested()) {
        record << textIn("已中止: ", "stopped: ") << messageText(msg::UserAbort) << '\n';
        code = ExitError;
    }
    if (comp->state == Finished || comp->state == TooManyFiles) {
        record << textIn("状态: ", "state: ") << stateText(comp->state, comp->errorText) << '\n'
               << countsText(comp->results) << '\n';
    } else {
        record << textIn("失败: ", "failed: ") << stateText(comp->state, comp->errorText) << '\n';
    }
    if (!refused.empty()) record << textIn("未复制: ", "not copied: ") << refused << '\n';
    if (!comp->versionCacheNote.empty()) record << comp->versionCacheNote << '\n';
    if (outcome) {
        record << summaryText(*outcome) << '\n';
        for (const std::string& line : summaryItems(*outcome)) record << "  " << line << '\n';
        if (!outcome->failed.empty()) code = ExitError;
    }
    record << textIn("结束: ", "ended: ") << stamp("%04u-%02u-%02u %02u:%02u:%02u") << '\n'
           << textIn("退出码: ", "exit: ") << code << '\n';

    // The result as `compare` prints it, and its JSON beside the record.
    std::ostringstream tree;
    if (comp->state == Finished || comp->state == TooManyFiles) {
        printTree(tree, *comp, false);
        comp->readAllVersions();
        std::ostringstream out;
        writeJson(out, *comp);
        json = out.str();
    }
    record << '\n' << tree.str();
    counts = comp->state == Finished || comp->state == TooManyFiles ? countsText(comp->results)
                                                                    : stateText(comp->state, comp->errorText);
    return code;
}

// Every folder B of a job that has several: the table is its record.
int runTargetsOf(const Job& job, const ComparisonRequest& request, std::ostringstream& record, std::string& json,
                 std::string& counts)
{
    for (const std::string& target : job.targets) record << textIn("目标: ", "target: ") << target << '\n';
    SyncArgs copyAll;
    copyAll.yes = true;
    const std::vector<TargetResult> results =
        runTargets(request, {job.targets, 4, 0}, job.sync ? &copyAll : nullptr, record);
    record << '\n';
    printTargets(record, results, job.sync);
    std::ostringstream out;
    writeTargetsJson(out, results);
    json = out.str();
    size_t same = 0;
    for (const TargetResult& r : results) same += r.code == ExitSame;
    counts = std::to_string(same) + "/" + std::to_string(results.size()) +
             textIn(" 个目标与 A 一致", " targets hold what A holds");
    const int code = exitCodeOf(results);
    record << textIn("结束: ", "ended: ") << stamp("%04u-%02u-%02u %02u:%02u:%02u") << '\n'
           << textIn("退出码: ", "exit: ") << code << '\n';
    return code;
}

int runJobCommand(const std::string& name)
{
    Job job;
    std::string error;
    if (!loadJob(name, job, error, versionCacheFor(false))) return fail(error);
    const std::string folder = jobRunsFolder(job.name);
    if (!platform::makeFolders(folder)) return fail(folder + ": " + platform::systemMessage(platform::lastError()));
    // One run of a job at a time: a second one (a timer while a person runs it) refuses.
    std::optional<platform::RunLock> running(std::in_place);
    if (!running->tryTake(folder + "running.lock")) return fail("job '" + name + "' is running already");
    const std::string started = stamp("%04u-%02u-%02u %02u:%02u:%02u");
    // The job's comparison as the command line's own; nobody is there to
    // answer a password prompt.
    ComparisonRequest request = job.request;
    if (request.include.empty()) request.include = everyPath();
    request.remoteAccess.batch = true;
    request.everyVersion = true;  // the record's JSON

    std::ostringstream record;
    record << textIn("作业: ", "job: ") << job.name << '\n'
           << textIn("开始: ", "started: ") << started << '\n'
           << textIn("文件夹 A: ", "folder A: ") << request.folderA << '\n'
           << textIn("文件夹 B: ", "folder B: ") << request.folderB << '\n';
    std::string json;
    std::string counts;
    int code = job.targets.size() > 1 ? runTargetsOf(job, request, record, json, counts)
                                      : runOneTarget(job, request, record, json, counts);
    std::cout << record.str();
    // Named by the time it ended and a number within that second, so that names sort as runs.
    const std::string base = folder + stamp("%04u%02u%02u-%02u%02u%02u");
    std::string stem;
    for (int n = 1; stem.empty() || platform::itemExists(stem + ".txt"); ++n) {
        char number[16];
        std::snprintf(number, sizeof number, "-%02d", n);
        stem = base + number;
    }
    // A record that cannot be kept (a full disk) is no silent loss.
    for (const auto& [file, text] : {std::pair{stem + ".txt", record.str()}, std::pair{stem + ".json", json}}) {
        if (text.empty()) continue;
        platform::AtomicFile out;
        if (!out.open(file) || !out.write(text) || !out.commit(false)) {
            std::cerr << kTool << "the run's record was not kept: " << file << ": "
                      << platform::systemMessage(platform::lastError()) << std::endl;
            code = ExitError;
        }
    }
    trimRuns(job.name);
    // The run is over; the notice below outlives it and must not keep its lock.
    running.reset();
    // A run nobody watches (a timer) that found differences or failed tells
    // the desktop, where there is one to tell; a click on the notice opens
    // the run's record. The notice waits for the click on its own.
    if (code != ExitSame && !platform::isTerminal(platform::Stream::Output)) {
        platform::startDetached({"sh", "-c",
                                 "[ \"$(notify-send --app-name=dirmatch --wait --action=open=\"$4\" \"$1\" \"$2\")\" = "
                                 "open ] && exec xdg-open \"$3\"",
                                 "dirmatch-notice", "dirmatch: " + job.name, counts, stem + ".txt",
                                 textIn("打开记录", "Open the record")});
    }
    return code;
}

namespace {

// The job to or from the Task Scheduler; the job file says its schedule
// only once the scheduler has taken it.
int scheduleTask(Job& job, std::vector<std::string> scheduler)
{
    const std::vector<std::string> words = jobTaskArguments(job, scheduledProgram());
    scheduler.insert(scheduler.end(), words.begin(), words.end());
    std::string said;
    const int code = platform::runToEnd(scheduler, said);
    // Taken off a scheduler that never had it is off all the same.
    if (code != 0 && !job.schedule.empty())
        return fail(scheduler.front() + textIn(" 失败: ", " failed: ") +
                    (code < 0       ? platform::systemMessage(platform::lastError())
                     : said.empty() ? textIn("没有给出原因", "no reason given")
                                    : oneLine(said)));
    std::string error;
    if (!saveJob(job, error)) return fail(error);
    std::cout << (job.schedule.empty()
                      ? textIn("不再按时运行: ", "not scheduled: ") + job.name
                      : job.name + ": " + job.schedule +
                            textIn(" (任务计划程序: dirmatch\\", " (Task Scheduler: dirmatch\\") + job.name + ")")
              << '\n';
    return ExitSame;
}

}  // namespace

int scheduleJobCommand(const std::string& name, const std::string& schedule)
{
    Job job;
    std::string error;
    if (!loadJob(name, job, error, versionCacheFor(false))) return fail(error);
    job.schedule = schedule;
    if (std::vector<std::string> scheduler = platform::taskSchedulerCommand(); !scheduler.empty())
        return scheduleTask(job, scheduler);
    const std::string units = platform::userUnitFolder();
    if (units.empty()) return fail("this build has no scheduler to hand the job to; run 'dirmatch job run' from one");
    if (!saveJob(job, error)) return fail(error);
    const std::string unit = jobUnitName(name);
    const std::string program = scheduledProgram();
    if (schedule.empty()) {
        platform::deleteFile(units + unit + ".timer");
        platform::deleteFile(units + unit + ".service");
    } else {
        if (!platform::makeFolders(units)) return fail(units + ": " + platform::systemMessage(platform::lastError()));
        for (const auto& [file, text] : {std::pair{units + unit + ".service", jobServiceUnit(job, program)},
                                         std::pair{units + unit + ".timer", jobTimerUnit(job)}}) {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            if (!(out << text) || !out.flush()) return fail(file + ": cannot be written");
        }
    }
    // The user's service manager takes it now where one is running; else the user is told how.
    const std::vector<std::string> steps[] = {
        {"systemctl", "--user", "daemon-reload"},
        {"systemctl", "--user", schedule.empty() ? "disable" : "enable", "--now", unit + ".timer"}};
    const bool managed = platform::userServiceManagerRunning();
    if (!managed && !schedule.empty())
        std::cout << textIn("尚无定时器生效: 这里没有运行用户服务管理器; 定时器文件已写入 ",
                            "no timer is active yet: no user service manager runs here; the timer's files are in ")
                  << units << '\n';
    for (const auto& step : steps) {
        std::string line;
        for (const auto& word : step) line += (line.empty() ? "" : " ") + word;
        if (!managed) {
            std::cout << textIn("请在有用户服务管理器时运行: ", "where one runs, run: ") << line << '\n';
            continue;
        }
        std::string errors;
        platform::ChildProcess child;
        if (!child.start(step, errors) || child.finish(errors) != 0)
            return fail(line + textIn(" 失败: ", " failed: ") +
                        (errors.empty() ? textIn("没有给出原因", "no reason given") : oneLine(errors)));
    }
    if (!schedule.empty() && !platform::isInstalled(program))
        std::cout << textIn("定时器运行的 ", "the timer runs ") << program
                  << textIn(" 并未安装: 该文件不在时定时器即失效 (请安装 dirmatch 后重新设定)",
                            ", which is not installed: it stops working when that file goes (install dirmatch, then "
                            "schedule again)")
                  << '\n';
    std::cout << (schedule.empty() ? textIn("不再按时运行: ", "not scheduled: ") + name : name + ": " + schedule)
              << '\n';
    return managed || schedule.empty() ? ExitSame : ExitError;
}

}  // namespace dm::cli
