#include "engine/Workflow.h"

#include "common/Messages.h"

namespace dm {

std::unique_ptr<dirCompare> newComparison(const ComparisonRequest& request, RunControl* control,
                                          const RunQuestions& questions)
{
    auto comp = std::make_unique<dirCompare>(request, control);
    comp->skipUnreadableFolder = questions.skipUnreadableFolder;
    return comp;
}

std::unique_ptr<dirCompare> compare(const ComparisonRequest& request, RunControl* control,
                                    const RunQuestions& questions)
{
    auto comp = newComparison(request, control, questions);
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
    return {};
}

SyncOutcome synchronizeAndCompareAgain(std::unique_ptr<dirCompare>& comp, const SyncScope& scope,
                                       const std::set<std::string>& leftOut, RunControl* control,
                                       const std::string& logPath, const RunQuestions& questions)
{
    const SyncOutcome outcome = synchronize(*comp, scope, comp->request.exclude, control, logPath, leftOut);
    if (outcome.stopped) return outcome;
    if (scope.owner == &comp->results && scope.name.empty())
        comp = compare(comp->request, control, questions);
    else
        comp->refresh(*scope.owner, scope.name);
    return outcome;
}

}  // namespace dm
