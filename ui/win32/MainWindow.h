// The main window of the Win32 program: the toolbar, the result tree with
// its marks, the details grid, the legend, the progress line and the status
// bar. It draws what the presenter says and forwards what the user does.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/compare/ResultView.h"
#include "ui/presenter/MainPresenter.h"
#include "ui/win32/PathList.h"
#include "ui/win32/SyncProgress.h"
#include "ui/win32/Win32Ui.h"
#include "ui/win32/Window.h"

namespace dm {
class TDM;
}

namespace dm::win32 {

class MainWindow : public Window, public MainView {
public:
    explicit MainWindow(TDM& dm);
    ~MainWindow() override;

    bool create();
    // Shown where it was last closed (its size, place, and whether it
    // filled the screen), where that is still on a screen; else as `show` says.
    void show(int show);
    // The wizard, then the comparison it asks for.
    void start();
    // The keyboard to the Start button, as the window opens.
    void focusStart() { SetFocus(buttons_[0]); }

    MainPresenter presenter;
    // Posted at start where folders were given: wParam 1 compares them, 0
    // opens the wizard with folder A.
    static constexpr UINT kStartWithFolders = WM_APP + 2;
    static constexpr UINT kAskFromJob = WM_APP + 1;

private:
    enum Id {
        kStart = 100,
        kAbort,
        kSync,
        kReport,
        kExit,
        kTree,
        kDetails,
        kStatus,
        kProgress,
        kDoing,
        kMenuStart,
        kMenuExit,
        kMenuSaveJob,
        kMenuJobs,
        kMenuHelp,
        kMenuAbout,
        kPopupRefresh,
        kPopupSync,
        kPopupOpenA,
        kPopupOpenB,
        kPopupExternal,
        kPopupCopyA,
        kPopupCopyB,
        kPopupOpenFolder,
        kPopupExpandAll,
        kPopupCollapseAll,
        kPopupComparePair,
        kFilterText,
        kFilterMarks,  // one a mark, in the legend's order
    };

    void build() override;
    void layout() override;
    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool command(int id, int code) override;
    int defaultButton() const override { return 0; }
    bool shortcut(const MSG& msg) override;
    // The window's size and place, kept in the settings for the next start.
    void keepPlacement();
    // F8 and Shift+F8: the next or previous item that still differs.
    void goToDifference(bool forward);

    // Jobs (Jobs.cpp): long work on a thread of its own, the progress shown
    // every 100 ms, then `done` here.
    void startJob(std::function<void()> work, std::function<void()> done) override;
    void jobDone();
    void showProgress();
    void setIdle(bool idle);
    // What a run asks of the window, from its job's thread, which waits.
    SyncQuestions runQuestions() override;
    void askFromJob(const std::function<void()>& question);
    bool askSkip(const std::string& folder, const std::string& reason);

    // The window's part in the presenter's flows (MainWindow.cpp).
    bool askYesNo(const std::string& question) override;
    void tell(const std::string& text) override;
    void showNoResult(const std::string& state) override;
    void showResult(const std::string& elapsed) override;
    void showPart(const SyncScope& scope) override;
    void copyingBegins() override { copying_ = true; }
    void copyingEnded() override;
    void showSyncSummary(const SyncOutcome& outcome) override;
    void runComparison();
    void syncAll();
    void showReport();
    void showAbout();
    void showManual();
    void popup(int x, int y);
    void toClipboard(const std::string& text);
    // Enter or a double click on a file: the pair side by side.
    void openPairView();
    // Every folder of the tree opened (made as they open) or closed.
    void expandAll(bool open);
    void refreshSelected(bool copy);

    // The tree (MainTree.cpp): folders' children made when first opened.
    void fillTree();
    void clearTree();
    HTREEITEM addNode(HTREEITEM parent, result_t& item);
    void addChildren(HTREEITEM node, result_t& folder);
    void expanding(HTREEITEM node);
    void showDetails();
    result_t* selected() const;
    void showStatus();
    // The tree's place (open folders, the selection, the top row), by the
    // names from the top, and the same place found again in a new tree.
    struct Place {
        std::set<std::vector<std::string>> open;
        std::vector<std::string> selected;
        std::vector<std::string> top;
    };
    Place place() const;
    void goTo(const Place& place);
    std::vector<std::string> namesOf(HTREEITEM node) const;
    HTREEITEM nodeAt(const std::vector<std::string>& names);

    // The state of the window, written for a test where one asked for it.
    void tellTest() const;
    static constexpr UINT_PTR kTestTimer = 2;

    TDM& dm_;
    HWND buttons_[5] = {};
    HWND tree_ = nullptr;
    // Above the tree: a name to look for, and which marks are shown.
    HWND filterText_ = nullptr;
    HWND filterMarks_[6] = {};
    ShowFilter showFilter_;
    // The filter as every comparison starts with it; `filterChanged` shows the tree by it.
    void resetFilter();
    void filterChanged();
    // A folder dropped on the window: A first, then B, each through the wizard.
    void folderDropped(const std::string& folder);
    bool droppedA_ = false;
    bool resettingFilter_ = false;
    HWND details_ = nullptr;
    PathList detailCells_;
    bool detailsResized_ = false;
    HWND legend_[8] = {};
    HWND doing_ = nullptr;
    HWND progress_ = nullptr;
    HWND status_ = nullptr;
    HIMAGELIST marks_ = nullptr;
    HMENU popup_ = nullptr;
    std::string panels_[5];
    std::thread job_;
    std::function<void()> done_;
    bool busy_ = false;
    bool copying_ = false;
    std::unique_ptr<SyncProgress> syncProgress_;  // while a confirmed copy runs
    bool closeAfterJob_ = false;
};

}  // namespace dm::win32
