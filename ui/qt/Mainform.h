// The main window: the toolbar that starts, aborts and follows up a
// comparison, the result tree with the details grid, the legend, the progress
// line and the status bar. It owns the application's one comparer.
#pragma once

#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "engine/compare/Comp.h"
#include "engine/compare/ResultView.h"
#include "engine/sync/Sync.h"
#include "engine/workflow/Workflow.h"
#include "ui/presenter/MainPresenter.h"

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QMenu;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTimer;
class QTableWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace dm {
class TDM;
}

namespace dm::ui {

// "hh:mm:ss" of the time between two moments, hours modulo a day.

class ElidedLabel;
class TAboutBox;
class TdlgSyncPreview;
class TdlgSyncProgress;
class TdlgSyncSummary;
class TdlgPairView;
class TdlgJobs;
class TdlgSetCom;
class TfrmResult;
class TfrmWizard;

class TfrmMain : public QMainWindow, public MainView {
    Q_OBJECT
public:
    explicit TfrmMain(TDM& dm, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The forms it shows, created after it (the start-up order).
    void setForms(TfrmWizard* wizard, TfrmResult* report);

    // The comparison run and the window state around it.
    void bbtnStartClick();
    void RunComparison();
    // Idle, or busy with a job: the one place that enables and disables what
    // could start other work or touch the result.
    void SetIdle(bool idle);
    bool isBusy() const;
    // Processes events until the job under way (if any) has ended.
    void waitUntilIdle();
    void ShowState();
    QString CountsText() const;
    void btnAbortClick();
    void btnShowRClick();
    void StatusBar1Click(int x);

    // The result tree and the details grid.
    QTreeWidgetItem* AddHeaderNode();
    int AddResultNodes(const ResultList& list, QTreeWidgetItem* under);
    QIcon ShellIconIndex(const std::string& path);
    void ShowDetails(QTreeWidgetItem* node);
    void SetGridWidths();
    void SortTree();
    // Makes the children of a folder node that has not been opened yet.
    void fillPending(QTreeWidgetItem* node);
    // Every node made and opened (View menu, a name filter).
    void expandWholeTree();
    void N10Click(int tag);
    void N11Click(int tag);
    // What a mouse press on the tree does: a right press selects the node under
    // the pointer (or nothing), then the popup items follow the selection.
    void TreeMouseDown(Qt::MouseButton button, const QPoint& position);

    // Synchronization, export, menus.
    void btnSynAllClick();
    void btnExportClick();
    void N5Click();
    // A folder dropped on the window: the first is A, the next B; the wizard
    // then opens on the step after it.
    void folderDropped(const QString& folder);
    void N16Click();
    // The comparison as the settings have it, saved as a job that the command
    // line (and the system's scheduler) can run (SaveJob.cpp).
    void saveAsJob();
    QAction* actSaveJob;
    // The saved jobs and their runs (JobsWindow.cpp).
    void showJobs();
    QAction* actJobs;
    TdlgJobs* jobsWindow = nullptr;

    // The result node a tree node shows, found again by its names from the
    // top, so that a node left from before a refresh finds nothing rather
    // than a released one; null while a job holds the comparer.
    result_t* resultOf(QTreeWidgetItem* node) const;

    // What is shown and allowed, and the comparison behind it.
    MainPresenter presenter;
    bool popupActive = false;

    QToolButton* bbtnStart;
    QToolButton* btnAbort;
    QToolButton* btnSynAll;
    QToolButton* btnShowR;
    QToolButton* btnExit;
    QPushButton* btnExport;
    QTreeWidget* TreeViewResult;
    QSplitter* Splitter1;
    QTableWidget* sg;
    QLabel* lbText;
    QWidget* Panel2;
    ElidedLabel* labelDoing;
    QProgressBar* progressBar;
    TdlgSyncPreview* syncPreview;
    TdlgSyncProgress* syncProgress;
    TdlgSyncSummary* syncSummary;
    TdlgPairView* pairView;
    QAction* actComparePair;
    QAction* actExternalCompare;
    QStatusBar* StatusBar1;
    ElidedLabel* panels[5];
    QMenu* N1;
    QMenu* N2;
    QMenu* N3;  // View
    QAction* actColumns[5];
    QAction* actExpandAll;
    QAction* actCollapseAll;
    QAction* actCopyPathA;
    QAction* actCopyPathB;
    QAction* actOpenFolder;
    QLineEdit* edtFilter;
    QToolButton* btnMarks[6];
    QAction* N13;
    QAction* N4;
    QAction* N16;
    QAction* N5;
    QMenu* PopupMenu1;
    QAction* N9;
    QAction* N10;
    QAction* N11;
    QAction* N12;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolbar();
    void buildClientArea();
    void buildStatusBar();
    void buildMenus();
    QWidget* buildLegend();
    // The six marks in the legend's order, each with its caption.
    static std::vector<std::pair<int, QString>> markCaptions();
    void fillTree();
    // The node's icon: the icon of its kind of item (iconKey) with the state
    // image drawn to its left.
    void setNodeImage(QTreeWidgetItem* node, const QString& key, int stateIndex);
    static QString iconKey(const std::string& path, bool folder);
    QIcon iconOfKey(const QString& key);
    void rebuildChildren(QTreeWidgetItem* node, result_t& item);
    // The window's part in the presenter's flows.
    void startJob(std::function<void()> work, std::function<void()> done) override;
    bool askYesNo(const std::string& question) override;
    void tell(const std::string& text) override;
    void showNoResult(const std::string& state) override;
    void showResult(const std::string& elapsed) override;
    void showPart(const SyncScope& scope) override;
    void copyingEnded() override;
    void showSyncSummary(const SyncOutcome& outcome) override;
    // No result shown (the presenter says whether one is held).
    void clearShownResult();
    // The popup's actions that open an item here, as the item and its sides allow.
    void enableOpenActions(const result_t* item);
    // Selects the next (or previous) item that differs, lacks, is redundant
    // or failed, below folded folders too (F8, Shift+F8).
    void goToDifference(bool forward);
    // The tree made again for the filters, keeping what was open and selected.
    void refillTree();
    // What a run asks of the window, from its job's thread.
    SyncQuestions runQuestions() override;
    // Runs `question` on the window's thread, the job's thread waiting.
    void askFromJob(const std::function<void()>& question);
    // When a folder cannot be read: the user's answer, or "skip" without
    // asking once the user chose to skip all.
    bool skipUnreadable(const std::string& folder, const std::string& reason);
    void refreshDone(QTreeWidgetItem* ownerNode, const SyncScope& scope);
    // The plan of a whole tree or folder, shown for the user to confirm and
    // trim; one item is copied at once. Then the copy's progress is shown.
    bool confirmPlan(dirCompare& comp, const SyncScope& scope, const std::vector<SyncStep>& plan,
                     std::set<std::string>& leftOut);
    void showProgress();
    // The view of the result (MainView.cpp).
    QWidget* buildFilterBar(QWidget* parent);
    void resetFilter();
    void buildViewMenu();
    void showColumns();
    void fillColumns(QTreeWidgetItem* node, const result_t& r);
    void copyPath(bool sideA);
    // The selected file pair side by side (Enter, a double click, the popup).
    void openPairView();
    // The selected file pair in the user's own compare tool (the setting).
    void openExternalCompare();
    void openContainingFolder();
    void restoreView();
    void saveView();

    TDM& dm_;
    TfrmWizard* wizard_ = nullptr;
    TfrmResult* report_ = nullptr;
    QHash<QString, QIcon> iconCache_;
    QHash<QString, QIcon> composedCache_;
    QString synHint_;
    QTimer* pollTimer_;
    bool busy_ = false;
    bool closeAfterJob_ = false;  // the user chose to abort the job and close
    bool centred_ = false;
    bool droppedA_ = false;
    ShowFilter showFilter_;
};

}  // namespace dm::ui
