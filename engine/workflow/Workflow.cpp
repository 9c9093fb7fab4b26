#include "engine/workflow/Workflow.h"

#include "common/Messages.h"
#include "engine/scan/FileVersions.h"
#include "engine/scan/Scan.h"
#include "engine/side/Backup.h"
#include "platform/Listing.h"
#include "platform/Text.h"

namespace dm {

std::unique_ptr<dirCompare> newComparison(const ComparisonRequest& request, RunControl* control,
                                          const RunQuestions& questions, const element_t* listedA)
{
    auto comp = std::make_unique<dirCompare>(request, control);
    comp->skipUnreadableFolder = questions.skipUnreadableFolder;
    if (listedA) comp->useListedA(*listedA);
    return comp;
}

std::unique_ptr<dirCompare> compare(const ComparisonRequest& request, RunControl* control,
                                    const RunQuestions& questions, const element_t* listedA)
{
    auto comp = newComparison(request, control, questions, listedA);
    comp->run();
    return comp;
}

namespace {

// The folder itself where it exists, else the nearest folder above it that does.
std::string nearestExisting(std::string path)
{
    while (!path.empty() && !platform::folderIdentity(path)) {
        const size_t cut = path.find_last_of("/\\", path.size() > 1 ? path.size() - 2 : 0);
        if (cut == std::string::npos) return {};
        path.resize(cut == 0 ? 1 : cut);
    }
    return path;
}

// Whether a folder, existing or not, is `outer` or lies below it.
bool isAtOrBelow(const std::string& folder, const std::string& outer)
{
    const std::string found = nearestExisting(folder);
    if (found.empty()) return false;
    const auto foundId = platform::folderIdentity(found);
    const auto outerId = platform::folderIdentity(outer);
    return (foundId && outerId && foundId->device == outerId->device && foundId->inode == outerId->inode) ||
           platform::pathInside(found, outer).has_value();
}

// Why the backup folder the request names cannot hold this run's sets.
std::string whyBackupFolderRefused(const dirCompare& comp)
{
    const std::string& folder = comp.request.backupDir;
    if (std::string why = whyNoBackupFolder(folder); !why.empty() || folder.empty()) return why;
    const bool absolute = folder[0] == '/' || folder[0] == '\\' || (folder.size() > 1 && folder[1] == ':');
    if (!absolute) {
        // Its first component, where A holds an item of that name, would take A's copies.
        const std::string first = folder.substr(0, folder.find_first_of("/\\"));
        if (comp.results.children) {
            for (const auto& item : *comp.results.children) {
                if (item->kind != OnlyInB && platform::upperCase(item->name) == platform::upperCase(first))
                    return textIn("备份文件夹与 A 中的项目同名: ", "the backup folder has the name of an item of A: ") +
                           first;
            }
        }
        return {};
    }
    if (!comp.sideB().hasLocalPaths()) return {};
    if (comp.sideA().hasLocalPaths() && isAtOrBelow(folder, comp.pathA))
        return textIn("备份文件夹在 A 之内, 而 A 从不被写入: ",
                      "the backup folder lies in folder A, which is never written: ") +
               folder;
    if (isAtOrBelow(folder, comp.pathB))
        return textIn("B 之内的备份文件夹请写成相对于 B 的路径: ",
                      "a backup folder inside B is given relative to B: ") +
               folder;
    const auto there = platform::folderIdentity(nearestExisting(folder));
    const auto b = platform::folderIdentity(comp.pathB);
    if (there && b && there->device != b->device)
        return textIn("不能在另一个文件系统上保存被替换的文件: ",
                      "cannot keep replaced files on another file system: ") +
               folder;
    return {};
}

}  // namespace

std::string whyNoCopy(const dirCompare& comp)
{
    if (comp.state == TooManyFiles)
        // B was listed only in part: items it holds would look lacking.
        return textIn("比较在条目上限处中断, B 未完整列出, 因此不能同步。",
                      "The comparison stopped at the entry limit and B was not listed whole, so nothing can be "
                      "synchronized.");
    if (comp.state != Finished) return messageText(msg::NoResultToSync);
    if (!comp.sideA().holdsContent())
        return textIn("A 是信息文件, 没有可复制的内容", "Side A is an information file: it has nothing to copy from");
    return whyBackupFolderRefused(comp);
}

SyncRun synchronizeFolders(std::unique_ptr<dirCompare>& comp, const ComparisonRequest& request, const ScopeOf& scopeOf,
                           RunControl* control, const std::string& logPath, const SyncQuestions& questions,
                           const element_t* listedA)
{
    SyncRun run;
    if (!comp) {
        comp = compare(request, control, questions, listedA);
        if (questions.compared) questions.compared(*comp);
    }
    if (comp->state != Finished && comp->state != TooManyFiles) return run;
    if (run.why = whyNoCopy(*comp); !run.why.empty()) {
        run.end = SyncRun::End::Refused;
        return run;
    }
    const SyncScope scope = scopeOf ? scopeOf(*comp) : syncScope(comp->results, nullptr, nullptr);
    if (!scope.owner) {
        run.end = SyncRun::End::NoSuchItem;
        return run;
    }
    comp->readVersionsOfDifferentFiles();
    const std::vector<SyncStep> plan = syncPlan(*comp, scope, comp->request.exclude);
    std::set<std::string> leftOut;
    if (!questions.confirm || !questions.confirm(*comp, scope, plan, leftOut)) {
        run.end = SyncRun::End::Declined;
        return run;
    }
    run.end = SyncRun::End::Copied;
    // The comparison after the copy, made once: a copier that reads B back
    // to see what landed makes it, else it is made here. A is what was
    // copied from: its listing serves it.
    const bool whole = scope.owner == &comp->results && scope.name.empty();
    std::unique_ptr<dirCompare> after;
    const auto compareAgain = [&](RunControl* runControl) -> dirCompare& {
        if (!whole) {
            comp->refresh(*scope.owner, scope.name);
            return *comp;
        }
        after = compare(comp->request, runControl, questions, listedA ? listedA : &comp->rootA);
        return *after;
    };
    bool comparedAgain = false;
    run.outcome = synchronize(*comp, scope, comp->request.exclude, control, logPath, leftOut,
                              [&](RunControl* runControl) -> dirCompare& {
                                  comparedAgain = true;
                                  return compareAgain(runControl);
                              });
    if (run.outcome->stopped) return run;
    if (!comparedAgain) compareAgain(control);
    if (after) comp = std::move(after);
    return run;
}

DescribedTree describedTree(const dirCompare& comp, const element_t& root)
{
    const bool sideB = &root == &comp.rootB;
    const std::string& path = sideB ? comp.pathB : comp.pathA;
    return {&root, comp.pathB, comp.pathA, (sideB ? comp.sideB() : comp.sideA()).media(path, false).timeStep};
}

ExportRun exportFolder(const ComparisonRequest& request, const std::string& file, RunControl* control,
                       const InfoSink& sink)
{
    ExportRun run;
    FoundSide a;
    if (!findSide(request.folderA, {}, request.remoteAccess, a, run.error) || a.path.empty()) return run;
    run.folder = a.path;
    // B's path, where it lies in A's paths, is written as A's; B itself is then no item of A.
    FoundSide b;
    std::string ignored;
    if (!request.folderB.empty()) findSide(request.folderB, {}, request.remoteAccess, b, ignored);
    ListingScope scope = listingScopeOf(request, effectiveOptions(request.options));
    if (a.folderHere && b.folderHere && a.path != b.path) {
        if (const auto inside = platform::pathInside(b.path, a.path))
            scope.leftOut.push_back(a.path + *inside + platform::kSeparator);
    }
    element_t root;
    root.path = a.path;
    root.isFolder = 1;
    FileVersions versions(request.versionCachePath, control);
    run.listed = scanSide(*a.side, root, scope, control, &versions, {}, run.error);
    versions.save();
    if (!run.listed) return run;
    run.atLimit = root.count >= request.maxEntries;
    const DescribedTree tree{&root, b.path, a.path, a.side->media(a.path, false).timeStep};
    run.written = sink ? writeInfo(tree, sink, run.error) : exportInfoFile(tree, file, run.error);
    return run;
}

}  // namespace dm
