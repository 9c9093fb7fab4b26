// The dialogs of the Win32 program, each in a file of its own.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "engine/sync/Sync.h"
#include "ui/presenter/MainPresenter.h"
#include "ui/win32/Win32Ui.h"

namespace dm {
class TDM;
class dirCompare;
}  // namespace dm

namespace dm::win32 {

// Messages.cpp: a message, a yes-or-no question, a synchronization's summary.
void messageBox(HWND owner, const std::wstring& text, const std::wstring& caption = {});
bool askYesNo(HWND owner, const std::wstring& text, const std::wstring& caption);
void showSummary(HWND owner, const SyncOutcome& outcome);

// SkipQuestion.cpp: a folder that cannot be read: Skip, Skip all or Stop.
SkipAnswer askSkipFolder(HWND owner, const std::string& folder, const std::string& reason);

// Wizard.cpp: the two folders and the rules; true when the comparison is to start.
// `firstStep`: 0 (folder A), 1 (folder B) or 2 (the rules).
bool runWizard(HWND owner, TDM& dm, int firstStep = 0);

// SyncPlan.cpp: the plan, each step ticked; true to copy, with the steps
// the user left out (by their source).
// The plan window also settles what becomes of replaced and newer files.
bool confirmPlan(HWND owner, dirCompare& comp, const std::vector<SyncStep>& plan, std::set<std::string>& leftOut,
                 MainPresenter& presenter);

// AboutBox.cpp: the product, its version, its web site and support mail.
void showAboutBox(HWND owner);

// FilterDialog.cpp: the compare and exclude lists, changed on OK.
void editFilters(HWND owner, TDM& dm);

// PairView.cpp: a pair of files side by side (a path empty: that side has none).
void showPairView(HWND owner, const std::string& title, const std::string& pathA, const std::string& pathB);

// SaveJob.cpp: what the window compares, saved as a job under a name asked for.
void saveAsJob(HWND owner, const MainPresenter& presenter);

// JobsWindow.cpp: the saved jobs, their runs, and running or scheduling one.
void showJobs(HWND owner);

// ReportDialog.cpp: the report of the last comparison.
void showReportDialog(HWND owner, const TDM& dm);

}  // namespace dm::win32
