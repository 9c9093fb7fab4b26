// The main window's actions around a result: synchronizing, exporting folder A,
// the about box and the manual.
#include <QToolButton>
#include <utility>

#include "common/ErrorLog.h"
#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "common/Version.h"
#include "config/Dmodule.h"
#include "engine/side/InfoFile.h"
#include "engine/sync/Sync.h"
#include "engine/workflow/Workflow.h"
#include "platform/ProgramPaths.h"
#include "platform/Text.h"
#include "ui/qt/AboutBox.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/ElidedLabel.h"
#include "ui/qt/Forms.h"
#include "ui/qt/Mainform.h"
#include "ui/qt/SyncPreview.h"
#include "ui/qt/SyncProgress.h"
#include "ui/qt/SyncSummary.h"

namespace dm::ui {

void TfrmMain::btnSynAllClick()
{
    if (isBusy()) return;
    lbText->setText(tr("正在同步，请耐心等待..."));
    presenter.synchronizeAll(*this);
}

bool TfrmMain::confirmPlan(dirCompare& comp, const SyncScope& scope, const std::vector<SyncStep>& plan,
                           std::set<std::string>& leftOut)
{
    if (MainPresenter::showsPlan(scope)) {
        syncPreview->setChoices(presenter.planChoices());
        syncPreview->setPlan(plan, comp.sideA().shown({}), comp.sideB().shown({}));
        for (;;) {
            if (execModal(*syncPreview) != QDialog::Accepted) return false;
            const std::string why = presenter.choosePlan(syncPreview->choices(), comp);
            if (why.empty()) break;
            messageBox(syncPreview, qs(why));
        }
        leftOut = syncPreview->leftOut();
    }
    syncProgress->btnCancel->setEnabled(true);
    syncProgress->update();
    syncProgress->show();
    return true;
}

void TfrmMain::copyingEnded()
{
    syncProgress->hide();
}

void TfrmMain::showSyncSummary(const SyncOutcome& outcome)
{
    syncSummary->setOutcome(outcome);
    execModal(*syncSummary);
}

void TfrmMain::btnExportClick()
{
    if (isBusy()) return;
    // Only the machine that holds a folder can describe it.
    if (!sideFor(dm_.StandardDir)->hasLocalPaths()) {
        messageBox(this, qs(textIn("文件夹 A 在另一台机器上: 请在那台机器上运行 dirmatch export",
                                   "Folder A is on another machine: run dirmatch export there")));
        return;
    }
    const std::string folder = !dm_.DispPath.empty() ? dm_.DispPath : platform::folderOf(platform::programFile());
    if (dm_.DispInfo.empty()) dm_.DispInfo = "info.dat";
    const QString file = chooseFile(this, qs(folder), qs(folder + dm_.DispInfo), QString(), true);
    if (file.isEmpty()) return;

    // What the export's job found, kept until the job is done.
    auto run = std::make_shared<ExportRun>();
    ComparisonRequest request = presenter.comparisonRequest();
    request.include = everyPath();
    request.exclude.clear();
    request.options = kAllOptions;
    startJob(
        [run, request, target = file.toStdString(), this] { *run = exportFolder(request, target, &presenter.run); },
        [this, run, request, file] {
            if (!run->listed) {
                messageBox(this, qs(run->error));
                return;
            }
            if (run->atLimit)
                messageBox(this, qs(messageText(msg::TooManyEntries) + std::to_string(request.maxEntries)));
            if (run->written) {
                messageBox(this, qs(messageText(msg::ExportDone1) + run->folder + messageText(msg::ExportDone2)) +
                                     file + qs(messageText(msg::ExportDone3)));
            } else {
                messageBox(this, qs(messageText(msg::ExportFailed)));
                messageBox(this, qs(run->error));
                writeLog(run->error, dm_.LogPath);
            }
        });
}

void TfrmMain::N5Click()
{
    TAboutBox box(this, qs(messageText(msg::ProductName)), qs(programVersionText(platform::programFile())));
    execModal(box);
}

void TfrmMain::N16Click()
{
    try {
        openWithShell(qs(platform::dataFolder(platform::programFile()) + "UserManual.htm"));
    } catch (const std::exception& e) {
        messageBox(this, QString::fromLocal8Bit(e.what()));
    }
}

}  // namespace dm::ui
