#include "engine/sync/Sync.h"

#include <algorithm>
#include <functional>

#include "common/ErrorLog.h"
#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "engine/compare/ResultView.h"
#include "engine/side/Backup.h"
#include "platform/Listing.h"
#include "platform/SysError.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace dm {

namespace {

// Each copy candidate, and each item the walk leaves alone with its reason.
struct Visitor {
    std::function<void(const SyncStep&)> copy;
    std::function<void(const SyncStep&, const std::string&)> skip;
};

std::string targetOf(const dirCompare& comp, const result_t& e, const result_t* parent)
{
    if (e.kind == InBoth) return e.pathB();
    const std::string name(platform::lastComponent(e.pathA()));
    if (parent) return parent->pathB() + platform::kSeparator + name;
    return comp.pathB + name;  // pathB already ends with the separator
}

// The files below a folder of A and their bytes, as the comparison listed
// them, and what lies below it that is excluded from updates: those are left
// in A as they would be anywhere else.
void tally(const element_t& folder, const std::string& below, const StringList& notUpdateList, SyncStep& step)
{
    if (!folder.children) return;
    for (const auto& child : *folder.children) {
        const std::string path = below + child->name();
        if (!mayUpdate(child->path, notUpdateList)) {
            step.leaveOut.insert(path);
        } else if (child->isFolder) {
            tally(*child, path + platform::kSeparator, notUpdateList, step);
        } else {
            ++step.files;
            step.size += child->size();
        }
    }
}

// What a lacked or different item comes to: a file, or what a folder holds.
SyncStep stepOf(const dirCompare& comp, const result_t& e, const result_t* parent, const StringList& notUpdateList)
{
    SyncStep step{e.pathA(), targetOf(comp, e, parent), e.kind, e.folderA != 0, 0, 1};
    if (e.elemA && !e.folderA) step.size = e.elemA->size();
    if (e.kind == InBoth && e.elemA && e.elemB) step.newerInB = newerInB(*e.elemA, *e.elemB, comp.verdictRules());
    if (e.elemA && e.folderA) {
        step.files = 0;
        tally(*e.elemA, {}, notUpdateList, step);
        // B itself, where it lies inside the folder: never copied into itself.
        const std::string below = step.source + platform::kSeparator;
        for (const std::string& folder : comp.leftOutOfA)
            if (folder.starts_with(below))
                step.leaveOut.insert(folder.substr(below.size(), folder.size() - below.size() - 1));
    }
    return step;
}

bool isCandidate(const result_t& e)
{
    // What lies in a folder that could not be read is unknown: nothing is
    // copied from it or into it.
    if ((e.elemA && e.elemA->unreadable) || (e.elemB && e.elemB->unreadable)) return false;
    if (e.kind == OnlyInA) return true;
    return e.kind == InBoth && !e.folderA && !e.folderB && !e.identical;
}

void walk(const dirCompare& comp, const ResultList& list, const result_t* parent, const std::string& itemName,
          const StringList& notUpdateList, const Visitor& visit)
{
    for (size_t i = 0; i < list.size(); ++i) {
        const result_t& e = *list[i];
        if (!itemName.empty() && e.name != itemName) continue;
        if (e.kind == InBoth && e.folderA && e.folderB && e.children) {
            walk(comp, *e.children, &e, {}, notUpdateList, visit);
            continue;
        }
        if (facesLinkedFolder(e) && e.included && visit.skip)
            visit.skip({e.pathA(), e.pathB()}, linkedFolderNotCompared());
        if (e.included && visit.skip) {
            if (std::string unreadable = unreadableText(e); !unreadable.empty())
                visit.skip({e.pathA(), targetOf(comp, e, parent)}, unreadable);
        }
        if (!isCandidate(e)) continue;
        const SyncStep step = stepOf(comp, e, parent, notUpdateList);
        if (mayUpdate(e.pathA(), notUpdateList))
            visit.copy(step);
        else if (visit.skip)
            visit.skip(step, textIn("在不更新列表中", "excluded from updates"));
        if (!itemName.empty()) return;
    }
}

// The set this run keeps replaced files in, its own, made where it will lie
// with older sets removed there (on another machine, by its dirmatch), where
// any step replaces a file. Why it cannot be, or empty.
std::string prepareBackup(const dirCompare& comp, const std::vector<SyncStep>& steps, SyncOutcome& outcome)
{
    if (comp.request.backupDir.empty() || !whyNoBackupFolder(comp.request.backupDir).empty()) return {};
    if (std::none_of(steps.begin(), steps.end(), [](const SyncStep& step) { return step.kind == InBoth; })) return {};
    BackupSetMade made;
    std::string why;
    if (!comp.sideB().makeBackupSet(comp.pathB, comp.request.backupDir, comp.request.backupKeepDays, made, why))
        return why;
    outcome.backupSet = made.set;
    outcome.backupSetShown = comp.sideB().shown(made.set);
    outcome.expiredSetsRemoved = made.expired;
    outcome.backupNote = made.note;
    return {};
}

// Every step failed for one reason, and logged.
void failAll(const std::vector<SyncStep>& steps, const std::string& why, SyncOutcome& outcome,
             const std::string& logPath)
{
    for (const SyncStep& step : steps) {
        if (!logPath.empty()) writeLog(step.source + " -> " + step.target + " : " + why, logPath);
        outcome.failed.push_back({step.source, step.target, why});
    }
}

}  // namespace

std::string bIsNewerText()
{
    return textIn("B 中的文件较新", "B is newer");
}

bool mayUpdate(const std::string& pathA, const StringList& notUpdateList)
{
    for (const std::string& entry : notUpdateList) {
        if (!entry.empty() && pathA.find(entry) != std::string::npos) return false;
    }
    return true;
}

SyncOutcome synchronize(const dirCompare& comp, const ResultList& list, const result_t* parent,
                        const std::string& itemName, const StringList& notUpdateList, RunControl* progress,
                        const std::string& logPath, const std::set<std::string>& leftOut,
                        const CompareAgain& compareAgain)
{
    SyncOutcome outcome;
    if (comp.state == TooManyFiles) return outcome;
    // The walk decides what is copied; side B writes it, whatever it is.
    std::vector<SyncStep> steps;
    const auto skip = [&](const SyncStep& step, const std::string& reason) {
        outcome.skipped.push_back({step.source, step.target, reason});
    };
    walk(comp, list, parent, itemName, notUpdateList,
         Visitor{[&](const SyncStep& step) {
                     if (step.newerInB && comp.request.keepNewer) return skip(step, bIsNewerText());
                     if (leftOut.count(step.source)) return skip(step, textIn("未选中", "not chosen"));
                     steps.push_back(step);
                 },
                 skip});
    if (const std::string why = prepareBackup(comp, steps, outcome); !why.empty()) {
        failAll(steps, why, outcome, logPath);
        return outcome;
    }
    if (progress) {
        for (const SyncStep& step : steps) {
            progress->filesToCopy += int64_t(step.files);
            progress->bytesToCopy += int64_t(step.size);
        }
    }
    copySteps(comp, steps, outcome, progress, logPath, compareAgain);
    return outcome;
}

void copySteps(const dirCompare& comp, const std::vector<SyncStep>& steps, SyncOutcome& outcome, RunControl* progress,
               const std::string& logPath, const CompareAgain& compareAgain)
{
    const Side& from = comp.sideA();
    const Side& to = comp.sideB();
    std::string why;
    if (!from.holdsContent())
        why = textIn("信息文件中没有可复制的内容", "an information file has nothing to copy from");
    else if (!to.holdsContent())
        why = textIn("无法写入此边", "this side cannot be written");
    else if (!from.hasLocalPaths() && !to.hasLocalPaths())
        why = textIn("两边都在其他机器上, 无法复制", "both folders are on other machines: nothing is copied");
    else
        why = whyNoBackupFolder(comp.request.backupDir);  // nothing replaced that cannot be kept as asked
    if (!why.empty()) {
        failAll(steps, why, outcome, logPath);
    } else if (from.hasLocalPaths() && to.hasLocalPaths()) {
        copyHere(comp, steps, outcome, progress, logPath);
    } else {
        copyWithRsync(comp, steps, outcome, progress, logPath, compareAgain);
    }
}

std::vector<SyncStep> syncPlan(const dirCompare& comp, const ResultList& list, const result_t* parent,
                               const std::string& itemName, const StringList& notUpdateList)
{
    std::vector<SyncStep> steps;
    if (comp.state == TooManyFiles) return steps;
    walk(comp, list, parent, itemName, notUpdateList,
         Visitor{[&](const SyncStep& step) { steps.push_back(step); }, nullptr});
    return steps;
}

SyncScope syncScope(result_t& root, result_t* selected, result_t* holder)
{
    if (!selected) return {&root, {}};
    if (showsChildren(*selected)) return {selected, {}};
    return {holder ? holder : &root, selected->name};
}

SyncScope syncScope(result_t& root, const std::string& relativePath)
{
    // Split from the end, where the platform knows whole characters from bytes.
    std::vector<std::string> parts;
    for (std::string_view rest = relativePath; !rest.empty();) {
        const std::string_view last = platform::lastComponent(rest);
        if (!last.empty()) parts.insert(parts.begin(), std::string(last));
        rest.remove_suffix(std::min(rest.size(), last.size() + 1));
    }
    if (parts.empty()) return {&root, {}};
    result_t* holder = nullptr;
    result_t* node = &root;
    for (const std::string& part : parts) {
        if (!node->children) return {};
        result_t* exact = nullptr;
        result_t* caseless = nullptr;
        int caselessCount = 0;
        const std::string upper = platform::upperCase(part);
        for (const auto& c : *node->children) {
            if (c->name == part) exact = c.get();
            if (platform::upperCase(c->name) == upper) {
                caseless = c.get();
                ++caselessCount;
            }
        }
        result_t* next = exact ? exact : caselessCount == 1 ? caseless : nullptr;
        if (!next) return {};
        holder = node == &root ? nullptr : node;
        node = next;
    }
    return syncScope(root, node, holder);
}

namespace {

const result_t* listParent(const dirCompare& comp, const SyncScope& scope)
{
    return scope.owner == &comp.results ? nullptr : scope.owner;
}

const ResultList kNothing;

const ResultList& listOf(const SyncScope& scope)
{
    return scope.owner && scope.owner->children ? *scope.owner->children : kNothing;
}

}  // namespace

SyncOutcome synchronize(const dirCompare& comp, const SyncScope& scope, const StringList& notUpdateList,
                        RunControl* progress, const std::string& logPath, const std::set<std::string>& leftOut,
                        const CompareAgain& compareAgain)
{
    return synchronize(comp, listOf(scope), listParent(comp, scope), scope.name, notUpdateList, progress, logPath,
                       leftOut, compareAgain);
}

std::vector<SyncStep> syncPlan(const dirCompare& comp, const SyncScope& scope, const StringList& notUpdateList)
{
    return syncPlan(comp, listOf(scope), listParent(comp, scope), scope.name, notUpdateList);
}

std::string summaryText(const SyncOutcome& outcome)
{
    const auto n = [](size_t count) { return std::to_string(count); };
    std::string text = textIn("已复制 ", "copied ") + n(size_t(outcome.copied)) + textIn(", 失败 ", ", failed ") +
                       n(outcome.failed.size()) + textIn(", 跳过 ", ", skipped ") + n(outcome.skipped.size());
    // A stop can leave a folder partly there: what did arrive is said.
    if (outcome.stopped && outcome.filesCopied > 0)
        text += textIn("; 已中止, 已到达 ", "; stopped, ") + n(size_t(outcome.filesCopied)) +
                textIn(" 个文件", " files arrived");
    return text;
}

std::vector<std::string> summaryItems(const SyncOutcome& outcome)
{
    std::vector<std::string> lines;
    for (const SyncItem& item : outcome.failed)
        lines.push_back(textIn("失败: ", "failed: ") + item.target + ": " + item.reason);
    for (const SyncItem& item : outcome.skipped)
        lines.push_back(textIn("跳过: ", "skipped: ") + item.target + ": " + item.reason);
    if (outcome.modesNotKept)
        lines.push_back(textIn("B 的文件系统不保存权限位 (内容和时间已复制): ",
                               "B's file system keeps no permission bits (content and times were copied): ") +
                        platform::systemMessage(outcome.modesNotKept));
    if (outcome.kept > 0)
        lines.push_back(textIn("被替换的文件 (", "replaced files (") + std::to_string(outcome.kept) +
                        textIn(" 个) 保存在: ", ") kept in: ") + outcome.backupSetShown);
    if (outcome.expiredSetsRemoved > 0)
        lines.push_back(textIn("已删除过期的备份: ", "expired backup sets removed: ") +
                        std::to_string(outcome.expiredSetsRemoved));
    if (!outcome.backupNote.empty())
        lines.push_back(textIn("过期的备份未能删除: ", "an expired backup set could not be removed: ") +
                        outcome.backupNote);
    return lines;
}

}  // namespace dm
