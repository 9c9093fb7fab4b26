// What the main window shows, allows and does with a comparison, whatever
// draws it. The Qt window and the Win32 window ask it and only draw: which
// controls are enabled, what the status bar and the progress say, what a
// finished comparison or synchronization leads to. No toolkit in here.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "engine/compare/Comp.h"
#include "engine/side/RunControl.h"
#include "engine/sync/Sync.h"
#include "engine/workflow/Workflow.h"
#include "ui/presenter/SyncPlanRows.h"

namespace dm {

class TDM;

// "hh:mm:ss" of a span of seconds, hours modulo a day.
std::string elapsedText(int64_t seconds);

// The answers to "a folder cannot be read".
enum class SkipAnswer { Skip, SkipAll, Stop };

// A window's part in the presenter's flows, each called on the window's own
// thread: run work on a thread of its making, ask, and draw what the
// presenter holds.
class MainView {
public:
    virtual ~MainView() = default;
    // `work` on a thread of the window's making, then `done` on the window's thread.
    virtual void startJob(std::function<void()> work, std::function<void()> done) = 0;
    virtual bool askYesNo(const std::string& question) = 0;
    virtual void tell(const std::string& text) = 0;
    // What a run asks: whether to skip a folder that cannot be read, whether
    // to copy the plan (from the job's thread: the window asks on its own).
    virtual SyncQuestions runQuestions() = 0;
    // No result is shown: the tree is empty and the state says `state` (empty: as it was).
    virtual void showNoResult(const std::string& state) = 0;
    // A comparison ended after `elapsed` ("hh:mm:ss"): its state shown, and
    // its result, where one is valid, drawn whole with its counts and report.
    virtual void showResult(const std::string& elapsed) = 0;
    // The part of the result below `scope.owner` was made again.
    virtual void showPart(const SyncScope& scope) = 0;
    // A synchronization's copying begins, and ends whatever comes of it.
    virtual void copyingBegins() {}
    virtual void copyingEnded() {}
    virtual void showSyncSummary(const SyncOutcome& outcome) = 0;
};

class MainPresenter {
public:
    explicit MainPresenter(TDM& dm);
    MainPresenter(const MainPresenter&) = delete;
    MainPresenter& operator=(const MainPresenter&) = delete;

    // The comparison the settings ask for.
    ComparisonRequest comparisonRequest() const;

    // The job around any long work, on a thread the window makes: the run
    // control reset, then the work, from which no exception leaves (it would
    // end the program), then the text of one that ended it (logged; empty
    // where none did).
    void jobStarting();
    void runJob(const std::function<void()>& work);
    std::string jobEnded();

    // The flows of the main window, from a click to what their end leads
    // to: a comparison of the settings' folders (with the larger limit
    // offered at the entry limit); the refresh or synchronization of a row
    // (`selected` its result, `holder` the one whose children hold it; both
    // null for the top row, which stands for the whole comparison); a
    // synchronization of the whole result.
    void compare(MainView& view);
    void actOnRow(MainView& view, result_t* selected, result_t* holder, bool copy);
    void synchronizeAll(MainView& view);

    // The steps of those flows. The comparison, from its start to what its end leads to. `begin`:
    // false, with what the status bar says, where none can start; the old
    // result is gone either way. `run` is the job (on a thread of its own).
    bool beginComparison(const RunQuestions& questions, std::string& state);
    void runComparison();
    enum class Ended {
        Failed,   // nothing to show: the state says why (logged)
        AtLimit,  // the entry limit cut it: offer a larger one, else show it
        Shown,    // a result to show
    };
    Ended comparisonEnded();

    // At the entry limit: the question that offers to compare again without
    // a limit, and the answer yes. The comparison is made once more, whole
    // (not again at each larger limit); the setting stays as it is.
    std::string limitOffer() const;
    void compareWithoutLimit() { withoutLimit_ = true; }

    // Synchronizing a scope of the result: why it may not (empty: it may),
    // the job, and what its end leads to.
    std::string whySyncRefused() const;
    // Whether the result may be copied from (never after a comparison cut short by the limit).
    bool mayCopy() const;
    // Whether the scope's plan is shown to be confirmed first: a whole tree
    // or folder is copied only after its plan was seen, one item at once.
    static bool showsPlan(const SyncScope& scope) { return scope.name.empty(); }
    // What the plan window shows as settled, from the settings.
    PlanChoices planChoices() const;
    // The user's choices for the synchronization about to run, and the
    // next: why they cannot be taken (a backup folder outside B), or empty.
    std::string choosePlan(const PlanChoices& choices, dirCompare& comp);
    void beginSync();
    void runSync(const SyncScope& scope, const SyncQuestions& questions);
    enum class SyncEnded {
        NotCopied,  // the plan was not confirmed (or the result may not be copied from): nothing changed
        Unknown,    // ended by an exception: what B holds is not known; compare again
        Stopped,    // stopped part way: B no longer matches the tree, which goes
        Again,      // compared again: the whole result (or the scope's part) is new
    };
    SyncEnded syncEnded();
    // What the last synchronization did, for its summary; null where it copied nothing.
    const SyncOutcome* syncOutcome() const { return sync_ && sync_->outcome ? &*sync_->outcome : nullptr; }

    // A folder or item of the result compared again: the job and its end.
    void beginRefresh();
    void runRefresh(const SyncScope& scope);
    void refreshEnded();

    // A folder cannot be read, asked from a job's thread: `ask` puts the
    // question, unless the user chose to skip all of them for this job.
    bool skipUnreadable(const std::function<SkipAnswer()>& ask);

    // Which controls may be used: while a job runs, only Abort.
    struct Controls {
        bool start = true;  // start, exit, export, the tree, the menus
        bool abort = false;
        bool sync = false;
        bool report = false;
        std::string syncTip;  // why Sync cannot be used, where a result is shown
    };
    Controls controls(bool idle) const;
    // The status bar's state and counts panels.
    std::string stateText() const;
    std::string countsText() const;
    // The progress bar: entries counted against the limit while scanning,
    // items compared against them after (the content rule's bytes, where it
    // reads), a copy's bytes; the last two in thousandths.
    struct Gauge {
        int64_t maximum = 1;
        int64_t value = 0;
    };
    Gauge gauge(bool copying) const;
    // What opens the item's side A, side B, or its folder here: enabled
    // where the item has that side and its path is on this machine; the tip
    // says why not where only the machine is missing.
    struct Opener {
        bool enabled = false;
        std::string tip;
    };
    struct Openers {
        Opener a, b, folder;
    };
    Openers openers(const result_t* item) const;
    // The tree's popup menu: which of its actions may be used, where a row is
    // `selected`, showing `item` (null for the top row, which stands for the
    // whole comparison: refreshed and synchronized, never opened).
    // `externalTool`: whether one is set.
    struct Popup {
        bool refresh = false;
        bool sync = false;
        Openers openers;
        bool comparePair = false;  // two files (or one) whose content can be shown side by side
        bool externalCompare = false;
    };
    Popup popup(bool selected, const result_t* item, bool externalTool) const;
    // The path of the item's side as a person names it ("HOST:" before
    // another machine's), for the clipboard.
    std::string shownPath(const result_t& item, bool sideA) const;
    // The folder holding the item here (A's where A is here), or empty.
    std::string containingFolder(const result_t& item) const;
    // The external tool's command for a file pair, %A and %B replaced by
    // their paths; empty where none is set or the item is no such pair.
    std::vector<std::string> externalCommand(const result_t& item) const;

    // The progress, counters and abort request of the job under way.
    RunControl run;
    // The result shown, if any; null while a job holds it.
    std::unique_ptr<dirCompare> comparer;
    bool resultValid = false;

private:
    void comparisonShown(MainView& view, std::chrono::steady_clock::time_point started);
    void synchronize(MainView& view, const SyncScope& scope);

    TDM& dm_;
    std::unique_ptr<dirCompare> working_;  // the comparer while a job holds it
    int32_t entryLimit_ = MaxScanCount;
    bool withoutLimit_ = false;  // for the next comparison only
    bool raiseLimit_ = false;    // the comparison under way was asked for from the limit's offer
    // The limit of the folders just compared whole, raised for them from now on.
    void rememberLimit();
    std::atomic<bool> skipAll_{false};
    std::optional<SyncRun> sync_;  // none where the job ended by an exception
    std::string jobError_;
};

}  // namespace dm
