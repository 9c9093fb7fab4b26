#include "cli/Targets.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/Output.h"
#include "cli/TerminalProgress.h"
#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/scan/FileVersions.h"
#include "engine/scan/Scan.h"
#include "engine/side/Remote.h"
#include "engine/workflow/Workflow.h"
#include "platform/ChildProcess.h"
#include "platform/Listing.h"
#include "platform/OpenFile.h"
#include "platform/SysError.h"
#include "platform/Text.h"

namespace dm::cli {

namespace {

using Clock = std::chrono::steady_clock;

// One target at work: its own run control, so that a stop or a timeout
// reaches it alone.
struct Worker {
    TargetResult result;
    RunControl control;
    std::thread thread;
    std::atomic<bool> done{false};
    Clock::time_point started;
    bool timedOut = false;
};

// Whether a target may take A's one listing: not where one folder lies in
// the other, since A's listing then leaves that folder out.
bool sharesListing(const ComparisonRequest& request)
{
    const dirCompare probe(request, nullptr);
    return probe.innerFolder.empty();
}

void work(Worker& w, const ComparisonRequest& request, const element_t* listedA, const SyncArgs* sync,
          std::ostream& plans, std::mutex& output)
{
    TargetResult& r = w.result;
    const auto counts = [&r](const dirCompare& comp) {
        if (comp.state != Finished) return;
        r.compared = true;
        r.lacked = comp.results.lacked;
        r.different = comp.results.different;
        r.redundant = comp.results.redundant;
    };
    std::unique_ptr<dirCompare> comp;
    if (sync) {
        SyncQuestions questions;
        questions.compared = counts;
        questions.confirm = [&](const dirCompare& compared, const SyncScope&, const std::vector<SyncStep>& plan,
                                std::set<std::string>&) {
            if (sync->dryRun) {
                const std::lock_guard lock(output);
                for (const SyncStep& step : plan)
                    plans << printable(r.target) << ": " << planLine(compared, step) << '\n';
            }
            return !sync->dryRun;
        };
        const SyncRun run = synchronizeFolders(comp, request, {}, &w.control, {}, questions, listedA);
        r.outcome = run.outcome;
        if (run.end == SyncRun::End::Refused) r.error = run.why;
    } else {
        comp = compare(request, &w.control, {}, listedA);
        counts(*comp);
    }
    r.code = sync && !sync->dryRun ? exitCodeAfterSync(*comp) : exitCodeOf(*comp);
    if (r.outcome && !r.outcome->failed.empty()) r.code = ExitError;
    if (comp->state != Finished && comp->state != TooManyFiles && r.error.empty())
        r.error = oneLine(stateText(comp->state, comp->errorText));
    if (w.control.abortRequested()) r.code = ExitError;
}

// Columns a text takes on a terminal, near enough: one a character.
size_t widthOf(const std::string& text)
{
    size_t width = 0;
    for (const char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return width;
}

std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

// Why one folder is among the targets twice (naming both spellings); empty where none is.
std::string targetGivenTwice(const std::vector<std::string>& targets)
{
    const auto key = [](const std::string& target) -> std::string {
        if (const std::optional<RemoteFolder> remote = remoteFolderOf(target)) {
            std::string path = remote->path;
            while (path.size() > 1 && path.back() == '/') path.pop_back();
            return "R" + remote->host + ":" + path;
        }
        if (const std::optional<platform::FileIdentity> id = platform::folderIdentity(target))
            return "L" + std::to_string(id->device) + ":" + std::to_string(id->inode);
        return "P" + target;
    };
    std::map<std::string, const std::string*> seen;
    for (const std::string& target : targets) {
        const auto [at, fresh] = seen.emplace(key(target), &target);
        if (!fresh)
            return textIn("同一个文件夹两次作为目标: ", "one folder is given twice as a target: ") + *at->second +
                   textIn(" 与 ", " and ") + target;
    }
    return {};
}

}  // namespace

bool readTargets(const std::string& file, std::vector<std::string>& targets, std::string& error)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(platform::openFile(file, "rb"), std::fclose);
    if (!in) {
        error = textIn("无法读取目标列表: ", "cannot read the list of targets: ") + file + ": " +
                platform::systemMessage(platform::lastError());
        return false;
    }
    const size_t before = targets.size();
    // Lines are read whole, however long: a piece of one must never become a target of its own.
    std::string line;
    int number = 0;
    const auto refuse = [&](const char* zh, const char* en) {
        error = file + ":" + std::to_string(number) + ": " + textIn(zh, en);
        return false;
    };
    for (int c = 0; c != EOF;) {
        line.clear();
        while ((c = std::fgetc(in.get())) != EOF && c != '\n') line += char(c);
        if (c == EOF && line.empty()) break;
        ++number;
        if (line.find('\0') != std::string::npos) return refuse("行中有 NUL 字符", "the line holds a NUL character");
        // "#" begins a comment at the start of a line or after white space.
        for (size_t hash = line.find('#'); hash != std::string::npos; hash = line.find('#', hash + 1)) {
            if (hash == 0 || line[hash - 1] == ' ' || line[hash - 1] == '\t') {
                line.erase(hash);
                break;
            }
        }
        const size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos) continue;
        const size_t end = line.find_last_not_of(" \t\r");
        const std::string target = line.substr(start, end - start + 1);
        if (std::any_of(target.begin(), target.end(), [](char ch) { return (unsigned char)ch < 0x20; }))
            return refuse("行中有控制字符, 不是一个目标", "the line holds a control character: it is not one target");
        targets.push_back(target);
    }
    if (std::ferror(in.get())) {
        error = textIn("无法读取目标列表: ", "cannot read the list of targets: ") + file + ": " +
                platform::systemMessage(platform::lastError());
        return false;
    }
    if (targets.size() > before) return true;
    error = textIn("目标列表中没有目标: ", "the list names no target: ") + file;
    return false;
}

std::vector<TargetResult> runTargets(const ComparisonRequest& base, const TargetsArgs& how, const SyncArgs* sync,
                                     std::ostream& plans)
{
    TerminalProgress line;
    RunControl whole;
    const platform::PrivateFolder connections;
    std::vector<std::unique_ptr<Worker>> workers;
    for (const std::string& target : how.targets) {
        workers.push_back(std::make_unique<Worker>());
        workers.back()->result.target = target;
    }
    std::mutex output;
    line.run(whole, [&] {
        // A, once: its listing (and the versions the rules read) serves every target.
        element_t rootA;
        const element_t* listedA = nullptr;
        whole.setText(textIn("正在读取 A", "Reading A"));
        FoundSide a;
        std::string error;
        if (findSide(base.folderA, base.infoA, base.remoteAccess, a, error) && !a.path.empty()) {
            const uint8_t options = effectiveOptions(base.options);
            FileVersions versions((options & optVersion) ? base.versionCachePath : std::string(), &whole);
            ScanHooks hooks;
            if (base.keepGoing) hooks.skip = [](const std::string&, const std::string&) { return true; };
            rootA.path = a.path;
            rootA.isFolder = 1;
            if (scanSide(*a.side, rootA, listingScopeOf(base, options), &whole, &versions, hooks, error))
                listedA = &rootA;
            versions.save();
        }

        size_t next = 0;
        size_t running = 0;
        size_t ended = 0;
        const auto timeout = std::chrono::seconds(how.timeout);
        while (ended < workers.size()) {
            while (running < size_t(std::max(1, how.parallel)) && next < workers.size() && !whole.abortRequested()) {
                Worker& w = *workers[next++];
                ComparisonRequest request = sharingConnections(base, connections.path());
                request.folderB = w.result.target;
                w.started = Clock::now();
                const element_t* shared = listedA && sharesListing(request) ? listedA : nullptr;
                w.thread = std::thread([&w, request, shared, sync, &plans, &output] {
                    work(w, request, shared, sync, plans, output);
                    w.done = true;
                });
                ++running;
            }
            if (whole.abortRequested() && next < workers.size()) {
                for (; next < workers.size(); ++next) {
                    workers[next]->result.error = messageText(msg::UserAbort);
                    ++ended;
                }
            }
            std::string busy;
            for (const auto& w : workers) {
                if (!w->thread.joinable()) continue;
                if (w->done) {
                    w->thread.join();
                    w->result.seconds = std::chrono::duration<double>(Clock::now() - w->started).count();
                    if (w->timedOut) {
                        w->result.code = ExitError;
                        w->result.error = textIn("超时未完成 (", "no answer within the timeout (") +
                                          std::to_string(how.timeout) + " s)";
                    }
                    --running;
                    ++ended;
                    continue;
                }
                if (whole.abortRequested()) w->control.requestAbort();
                if (how.timeout > 0 && !w->timedOut && Clock::now() - w->started > timeout) {
                    w->timedOut = true;
                    w->control.requestAbort();
                }
                busy += (busy.empty() ? "" : ", ") + w->result.target;
            }
            whole.setText(std::to_string(ended) + "/" + std::to_string(workers.size()) +
                          textIn(" 个目标完成; 进行中: ", " targets done; at work: ") + busy);
            if (ended < workers.size()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    std::vector<TargetResult> results;
    for (auto& w : workers) results.push_back(std::move(w->result));
    return results;
}

void printTargets(std::ostream& out, const std::vector<TargetResult>& results, bool sync)
{
    std::vector<std::vector<std::string>> rows;
    rows.push_back({textIn("目标", "target"), textIn("缺少", "lacking"), textIn("不同", "different"),
                    textIn("多余", "redundant")});
    if (sync)
        rows.back().insert(rows.back().end(),
                           {textIn("已复制", "copied"), textIn("失败", "failed"), textIn("跳过", "skipped")});
    rows.back().insert(rows.back().end(), {textIn("退出码", "exit"), textIn("用时", "time")});
    for (const TargetResult& r : results) {
        const auto n = [&r](int32_t count) { return r.compared ? std::to_string(count) : std::string("-"); };
        std::vector<std::string> row{printable(r.target), n(r.lacked), n(r.different), n(r.redundant)};
        if (sync) {
            const auto m = [&r](size_t count) { return r.outcome ? std::to_string(count) : std::string("-"); };
            row.insert(row.end(),
                       {m(r.outcome ? size_t(r.outcome->copied) : 0), m(r.outcome ? r.outcome->failed.size() : 0),
                        m(r.outcome ? r.outcome->skipped.size() : 0)});
        }
        row.insert(row.end(), {std::to_string(r.code), secondsText(r.seconds)});
        rows.push_back(std::move(row));
    }
    std::vector<size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], widthOf(row[c]));
    for (const auto& row : rows) {
        std::string text;
        for (size_t c = 0; c < row.size(); ++c) {
            const std::string pad(widths[c] - widthOf(row[c]), ' ');
            text += c == 0 ? row[c] + pad : "  " + pad + row[c];  // the target left, numbers right
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out << text << '\n';
    }
    for (const TargetResult& r : results) {
        if (!r.error.empty()) out << printable(r.target) << ": " << printable(r.error) << '\n';
        if (!r.outcome) continue;
        for (const std::string& item : summaryItems(*r.outcome))
            out << printable(r.target) << ": " << printable(item) << '\n';
    }
}

void writeTargetsJson(std::ostream& out, const std::vector<TargetResult>& results)
{
    // Escaped by the JSON library, as the result's JSON is: any name stays valid JSON.
    const auto text = [](const std::string& value) {
        return nlohmann::json(platform::toUtf8(value)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    };
    out << "[\n";
    for (size_t i = 0; i < results.size(); ++i) {
        const TargetResult& r = results[i];
        out << "  {\"target\": " << text(r.target) << ", \"compared\": " << (r.compared ? "true" : "false")
            << ", \"lacking\": " << r.lacked << ", \"different\": " << r.different
            << ", \"redundant\": " << r.redundant;
        if (r.outcome)
            out << ", \"copied\": " << r.outcome->copied << ", \"failed\": " << r.outcome->failed.size()
                << ", \"skipped\": " << r.outcome->skipped.size();
        out << ", \"exit\": " << r.code << ", \"seconds\": " << r.seconds;
        if (!r.error.empty()) out << ", \"error\": " << text(r.error);
        out << "}" << (i + 1 < results.size() ? "," : "") << '\n';
    }
    out << "]\n";
}

int exitCodeOf(const std::vector<TargetResult>& results)
{
    int code = ExitSame;
    for (const TargetResult& r : results) {
        if (r.code == ExitError || r.code == ExitLimit) return ExitError;
        if (r.code != ExitSame) code = ExitDifferent;
    }
    return code;
}

int runTargetsCommand(const CompareArgs& args, const TargetsArgs& how, const SyncArgs* sync)
{
    if (!args.infoA.empty() || !args.infoB.empty()) {
        std::cerr << "dirmatch: "
                  << textIn("信息文件只代表一个文件夹, 不能与多个目标同用",
                            "an information file stands for one folder: it cannot be given with several targets")
                  << std::endl;
        return ExitError;
    }
    if (const std::string twice = targetGivenTwice(how.targets); !twice.empty()) {
        std::cerr << "dirmatch: " << twice << std::endl;
        return ExitError;
    }
    if (sync && !sync->yes && !sync->dryRun) {
        std::cerr << "dirmatch: "
                  << textIn("多个目标只在给出 --yes (或 --dry-run) 时同步",
                            "several targets are synchronised only with --yes (or shown with --dry-run)")
                  << std::endl;
        return ExitError;
    }
    if (sync && !sync->item.empty()) {
        std::cerr << "dirmatch: " << textIn("--item 只用于一个目标", "--item takes one target") << std::endl;
        return ExitError;
    }
    ComparisonRequest base = requestOf(args);
    // Nobody can answer one password prompt among many at once.
    base.remoteAccess.batch = true;
    const std::vector<TargetResult> results = runTargets(base, how, sync, std::cout);
    if (args.json)
        writeTargetsJson(std::cout, results);
    else
        printTargets(std::cout, results, sync && !sync->dryRun);
    return exitCodeOf(results);
}

}  // namespace dm::cli
