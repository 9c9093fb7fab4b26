#include "ui/presenter/MainPresenter.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "common/ErrorLog.h"
#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/compare/ResultView.h"
#include "engine/side/Backup.h"
#include "engine/side/Side.h"
#include "platform/ChildProcess.h"
#include "platform/ProgramPaths.h"
#include "ui/presenter/Report.h"

namespace dm {

std::string elapsedText(int64_t seconds)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", int(seconds / 3600 % 24), int(seconds / 60 % 60),
                  int(seconds % 60));
    return text;
}

MainPresenter::MainPresenter(TDM& dm) : dm_(dm) {}

ComparisonRequest MainPresenter::comparisonRequest() const
{
    ComparisonRequest request = dm_.Settings;
    request.folderA = dm_.StandardDir;
    request.folderB = dm_.LocalDir;
    request.include = dm_.DoCompareList;
    request.exclude = dm_.NotUpdateList;
    request.options = uint8_t(dm_.Options & 0xFF);
    request.versionCachePath = dm_.VersionCachePath;
    for (const TDM::PairLimit& pair : dm_.PairLimits)
        if (pair.folderA == request.folderA && pair.folderB == request.folderB)
            request.maxEntries = std::max(request.maxEntries, pair.limit);
    if (withoutLimit_) request.maxEntries = INT32_MAX;
    // Nobody can answer a password prompt behind the remote shell's pipe.
    request.remoteAccess.batch = true;
    return request;
}

PlanChoices MainPresenter::planChoices() const
{
    const std::string& folder = dm_.Settings.backupDir;
    return {!folder.empty(), folder.empty() ? kDefaultBackupFolder : folder, dm_.Settings.keepNewer};
}

std::string MainPresenter::choosePlan(const PlanChoices& choices, dirCompare& comp)
{
    const std::string folder = choices.keepReplaced ? choices.backupFolder : std::string();
    if (choices.keepReplaced && folder.empty())
        return textIn("请给出备份文件夹", "Give the folder that keeps replaced files");
    if (std::string why = whyNoBackupFolder(folder); !why.empty()) return why;
    dm_.Settings.backupDir = comp.request.backupDir = folder;
    dm_.Settings.keepNewer = comp.request.keepNewer = choices.keepNewer;
    return {};
}

void MainPresenter::jobStarting()
{
    run.reset();
    jobError_.clear();
    skipAll_ = false;
}

void MainPresenter::runJob(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception& e) {
        jobError_ = e.what();
    } catch (...) {
        jobError_ = "unknown error";
    }
}

std::string MainPresenter::jobEnded()
{
    if (!jobError_.empty()) writeLog(jobError_, dm_.LogPath);
    return std::exchange(jobError_, {});
}

bool MainPresenter::beginComparison(const RunQuestions& questions, std::string& state)
{
    comparer.reset();
    resultValid = false;
    if (dm_.StandardDir.empty() || dm_.LocalDir.empty()) {
        state = messageText(msg::DirectoryNotExist);
        return false;
    }
    try {
        working_ = newComparison(comparisonRequest(), &run, questions);
        raiseLimit_ = std::exchange(withoutLimit_, false);
    } catch (const std::exception&) {
        writeLog(messageText(msg::CannotStartComparing), dm_.LogPath);
        state.clear();
        return false;
    }
    entryLimit_ = working_->request.maxEntries;
    state = messageText(msg::StateComparing);
    return true;
}

void MainPresenter::runComparison()
{
    working_->run();
}

MainPresenter::Ended MainPresenter::comparisonEnded()
{
    if (working_) comparer = std::move(working_);
    resultValid = true;
    if (comparer->state == Finished && std::exchange(raiseLimit_, false)) rememberLimit();
    if (comparer->state == Finished) return Ended::Shown;
    if (comparer->state == TooManyFiles) return Ended::AtLimit;
    comparer->logError(comparer->errorText, dm_.LogPath);
    return Ended::Failed;
}

std::string MainPresenter::limitOffer() const
{
    if (!comparer) return {};
    const std::string others = std::to_string(dm_.Settings.maxEntries);
    return messageText(msg::TooManyEntries) + std::to_string(comparer->request.maxEntries) + "\n" +
           whyNoCopy(*comparer) + "\n\n" +
           textIn("重新完整比较, 并为这两个文件夹提高上限? (其他文件夹仍为 ",
                  "Compare again, whole, and raise the limit for these two folders? (Other folders keep ") +
           others + textIn(", 即 ", ", MaxEntries in ") + dm_.IniPath + textIn(" 中的 MaxEntries。)", ".)");
}

void MainPresenter::rememberLimit()
{
    // Room to grow: twice what the larger side holds now.
    const int64_t held = std::max(comparer->rootA.count, comparer->rootB.count);
    const auto limit = int32_t(std::min<int64_t>(INT32_MAX - 1, std::max<int64_t>(dm_.Settings.maxEntries, 2 * held)));
    auto& pairs = dm_.PairLimits;
    std::erase_if(pairs, [&](const TDM::PairLimit& pair) {
        return pair.folderA == comparer->request.folderA && pair.folderB == comparer->request.folderB;
    });
    pairs.insert(pairs.begin(), {comparer->request.folderA, comparer->request.folderB, limit});
    if (pairs.size() > TDM::kPairLimits) pairs.resize(TDM::kPairLimits);
}

std::string MainPresenter::whySyncRefused() const
{
    if (!resultValid || !comparer) return messageText(msg::NoResultToSync);
    return whyNoCopy(*comparer);
}

bool MainPresenter::mayCopy() const
{
    return comparer && whyNoCopy(*comparer).empty();
}

void MainPresenter::beginSync()
{
    working_ = std::move(comparer);
    // A job that ends by an exception has no outcome to show, not the last one.
    sync_.reset();
}

void MainPresenter::runSync(const SyncScope& scope, const SyncQuestions& questions)
{
    sync_ = synchronizeFolders(
        working_, working_->request, [scope](dirCompare&) { return scope; }, &run, dm_.LogPath, questions);
}

void MainPresenter::beginRefresh()
{
    working_ = std::move(comparer);
}

void MainPresenter::runRefresh(const SyncScope& scope)
{
    working_->refresh(*scope.owner, scope.name);
}

void MainPresenter::refreshEnded()
{
    comparer = std::move(working_);
}

MainPresenter::SyncEnded MainPresenter::syncEnded()
{
    if (!sync_) {
        comparer = std::move(working_);
        return SyncEnded::Unknown;
    }
    if (!sync_->outcome) {
        comparer = std::move(working_);
        return SyncEnded::NotCopied;
    }
    if (sync_->outcome->stopped) {
        // Partly copied, B is no longer what the tree shows; after a stop
        // nothing more is done, as on the command line.
        working_.reset();
        comparer.reset();
        resultValid = false;
        return SyncEnded::Stopped;
    }
    comparer = std::move(working_);
    return SyncEnded::Again;
}

bool MainPresenter::skipUnreadable(const std::function<SkipAnswer()>& ask)
{
    if (skipAll_) return true;
    const SkipAnswer answer = ask();
    if (answer == SkipAnswer::SkipAll) skipAll_ = true;
    return answer != SkipAnswer::Stop;
}

MainPresenter::Controls MainPresenter::controls(bool idle) const
{
    Controls c;
    c.start = idle;
    c.abort = !idle;
    c.sync = idle && resultValid && mayCopy();
    c.report = idle && resultValid;
    if (resultValid && comparer && !mayCopy()) c.syncTip = whyNoCopy(*comparer);
    return c;
}

std::string MainPresenter::stateText() const
{
    return comparer ? dm::stateText(comparer->state, comparer->errorText) : std::string();
}

std::string MainPresenter::countsText() const
{
    return comparer && resultValid ? dm::countsText(comparer->results) : std::string();
}

MainPresenter::Gauge MainPresenter::gauge(bool copying) const
{
    const int64_t toCopy = run.bytesToCopy;
    if (copying && toCopy > 0) return {1000, std::min<int64_t>(1000, run.bytesCopied * 1000 / toCopy)};
    if (const int64_t toCompare = run.bytesToCompare; !copying && toCompare > 0)
        return {1000, std::min<int64_t>(1000, run.bytesCompared * 1000 / toCompare)};
    const int64_t counted = run.entriesCounted;
    const int64_t compared = run.itemsCompared;
    if (compared > 0) return {std::max<int64_t>(1, counted), std::min(compared, counted)};
    return {std::max<int64_t>(1, 2 * int64_t(entryLimit_)), counted};
}

MainPresenter::Openers MainPresenter::openers(const result_t* item) const
{
    // What opens an item here needs a path on this machine: a side read from
    // a file or on another machine has none.
    const bool hereA = comparer && comparer->sideA().hasLocalPaths();
    const bool hereB = comparer && comparer->sideB().hasLocalPaths();
    const bool hasA = item && (item->kind == OnlyInA || item->kind == InBoth);
    const bool hasB = item && (item->kind == OnlyInB || item->kind == InBoth);
    const auto opener = [](bool has, bool here) {
        return Opener{has && here, has && !here ? textIn("这一边的项目不在本机上: 无法在这里打开",
                                                         "This side's items are not on this machine: they cannot be "
                                                         "opened here")
                                                : std::string()};
    };
    return {opener(hasA, hereA), opener(hasB, hereB), opener(hasA || hasB, hasA ? hereA : hereB)};
}

std::string MainPresenter::shownPath(const result_t& item, bool sideA) const
{
    if (!comparer) return {};
    return sideA ? comparer->sideA().shown(item.pathA()) : comparer->sideB().shown(item.pathB());
}

std::string MainPresenter::containingFolder(const result_t& item) const
{
    const Openers here = openers(&item);
    if (here.a.enabled) return platform::folderOf(item.pathA());
    return here.b.enabled ? platform::folderOf(item.pathB()) : std::string();
}

std::vector<std::string> MainPresenter::externalCommand(const result_t& item) const
{
    if (item.kind != InBoth || item.folderA || item.folderB || dm_.ExternalCompare.empty()) return {};
    std::vector<std::string> words = platform::commandWords(dm_.ExternalCompare);
    for (std::string& word : words) {
        // Each mark once, left to right: a path that holds "%A" is not read again.
        for (size_t at = 0; (at = word.find('%', at)) != std::string::npos;) {
            const char side = at + 1 < word.size() ? word[at + 1] : 0;
            if (side != 'A' && side != 'B') {
                ++at;
                continue;
            }
            const std::string& path = side == 'A' ? item.pathA() : item.pathB();
            word.replace(at, 2, path);
            at += path.size();
        }
    }
    return words;
}

MainPresenter::Popup MainPresenter::popup(bool selected, const result_t* item, bool externalTool) const
{
    Popup popup;
    popup.openers = openers(item);
    popup.refresh = selected && comparer;
    popup.sync = popup.refresh && mayCopy();
    if (!item || !comparer) return popup;
    const bool files = !item->folderA && !item->folderB;
    popup.comparePair = files;
    // The tool is handed two paths of this machine.
    popup.externalCompare = externalTool && files && item->kind == InBoth && comparer->sideA().hasLocalPaths() &&
                            comparer->sideB().hasLocalPaths();
    return popup;
}

namespace {

std::string elapsedSince(std::chrono::steady_clock::time_point started)
{
    return elapsedText(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count());
}

}  // namespace

void MainPresenter::compare(MainView& view)
{
    std::string state;
    const bool begun = beginComparison(view.runQuestions(), state);
    view.showNoResult(state);
    if (!begun) return;
    const auto started = std::chrono::steady_clock::now();
    view.startJob([this] { runComparison(); }, [this, &view, started] { comparisonShown(view, started); });
}

void MainPresenter::comparisonShown(MainView& view, std::chrono::steady_clock::time_point started)
{
    const Ended ended = comparisonEnded();
    if (ended == Ended::AtLimit && view.askYesNo(limitOffer())) {
        compareWithoutLimit();
        return compare(view);
    }
    // A failed comparison shows only its state, which says why; then it goes.
    const bool failed = ended == Ended::Failed;
    if (failed)
        resultValid = false;
    else
        fillReport(dm_, *comparer);
    view.showResult(elapsedSince(started));
    if (failed) comparer.reset();
}

void MainPresenter::actOnRow(MainView& view, result_t* selected, result_t* holder, bool copy)
{
    if (!resultValid || !comparer || (copy && !mayCopy())) return;
    const SyncScope scope = syncScope(comparer->results, selected, holder);
    if (copy) return synchronize(view, scope);
    if (scope.owner == &comparer->results && scope.name.empty()) return compare(view);
    beginRefresh();
    view.startJob([this, scope] { runRefresh(scope); },
                  [this, &view, scope] {
                      refreshEnded();
                      view.showPart(scope);
                  });
}

void MainPresenter::synchronizeAll(MainView& view)
{
    if (const std::string why = whySyncRefused(); !why.empty()) return view.tell(why);
    synchronize(view, syncScope(comparer->results, nullptr, nullptr));
}

void MainPresenter::synchronize(MainView& view, const SyncScope& scope)
{
    const bool whole = scope.owner == &comparer->results && scope.name.empty();
    beginSync();
    view.copyingBegins();
    const auto started = std::chrono::steady_clock::now();
    view.startJob([this, scope, questions = view.runQuestions()] { runSync(scope, questions); },
                  [this, &view, scope, whole, started] {
                      view.copyingEnded();
                      switch (syncEnded()) {
                          case SyncEnded::NotCopied: return;
                          case SyncEnded::Unknown:
                              // What B holds now is not known.
                              if (whole) compare(view);
                              return;
                          case SyncEnded::Stopped: view.showNoResult(messageText(msg::UserAbort)); break;
                          case SyncEnded::Again:
                              if (whole) {
                                  // The whole comparison was made anew: its tree replaces the old one.
                                  view.showNoResult({});
                                  comparisonShown(view, started);
                              } else {
                                  view.showPart(scope);
                              }
                              break;
                      }
                      view.showSyncSummary(*syncOutcome());
                  });
}

}  // namespace dm
