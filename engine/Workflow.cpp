#include "engine/Workflow.h"

#include "common/Messages.h"
#include "engine/Backup.h"

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
    return whyNoBackupFolder(comp.request.backupDir);
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
    run.outcome = synchronize(*comp, scope, comp->request.exclude, control, logPath, leftOut);
    if (run.outcome->stopped) return run;
    // A is what was copied from: its listing serves the comparison after.
    if (scope.owner == &comp->results && scope.name.empty())
        comp = compare(comp->request, control, questions, listedA ? listedA : &comp->rootA);
    else
        comp->refresh(*scope.owner, scope.name);
    return run;
}

}  // namespace dm
