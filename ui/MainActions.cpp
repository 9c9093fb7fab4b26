// The main window's actions around a result: synchronizing, exporting folder A,
// the about box and the manual.
#include <QToolButton>

#include "common/ErrorLog.h"
#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/InfoFile.h"
#include "engine/Sync.h"
#include "platform/ProgramPaths.h"
#include "platform/Text.h"
#include "ui/AboutBox.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"
#include "ui/LabelDoing.h"
#include "ui/Mainform.h"

namespace dm::ui {

void TfrmMain::btnSynAllClick()
{
    if (isBusy()) return;
    if (!resultValid || !comparer) {
        messageBox(this, qs(messageText(msg::NoResultToSync)));
        return;
    }
    if (!mayCopy()) {
        messageBox(this, qs(noCopyReason()));
        return;
    }
    if (!askYesNo(this, qs(messageText(msg::SyncConfirm)), qs(messageText(msg::SyncConfirmCaption)))) return;
    working_ = std::move(comparer);
    startJob(
        [this, notUpdate = dm_.NotUpdateList, logPath = dm_.LogPath] {
            synchronize(*working_, syncScope(working_->results, nullptr, nullptr), notUpdate, &run, logPath);
        },
        [this] {
            comparer = std::move(working_);
            RunComparison();
        });
}

void TfrmMain::btnExportClick()
{
    if (isBusy()) return;
    const std::string folder = !dm_.DispPath.empty() ? dm_.DispPath : platform::folderOf(platform::programFile());
    if (dm_.DispInfo.empty()) dm_.DispInfo = "info.dat";
    const QString file = chooseFile(this, qs(folder), qs(folder + dm_.DispInfo), QString(), true);
    if (file.isEmpty()) return;

    // The export's comparer and what its job found, kept until the job is done.
    struct Export {
        std::unique_ptr<dirCompare> comp;
        bool scanned = false;
        bool written = false;
        std::string error;
    };
    auto job = std::make_shared<Export>();
    const StringList include{std::string(1, platform::kSeparator)};
    job->comp = std::make_unique<dirCompare>(dm_.StandardDir, dm_.LocalDir, &run, include, StringList{}, kAllOptions,
                                             std::string(), dm_.DispInfo);
    startJob(
        [job, target = file.toStdString()] {
            job->scanned = job->comp->scanFolder(job->comp->rootA, job->error, {});
            if (job->scanned) job->written = exportInfoFile(*job->comp, target, job->error, job->comp->rootA);
        },
        [this, job, file] {
            dirCompare& comp = *job->comp;
            if (!job->scanned) {
                messageBox(this, qs(job->error));
                return;
            }
            if (comp.rootA.count >= comp.maxEntries)
                messageBox(this, qs(messageText(msg::TooManyEntries) + std::to_string(comp.maxEntries)));
            if (job->written) {
                messageBox(this, qs(messageText(msg::ExportDone1) + comp.pathA + messageText(msg::ExportDone2)) + file +
                                     qs(messageText(msg::ExportDone3)));
            } else {
                messageBox(this, qs(messageText(msg::ExportFailed)));
                messageBox(this, qs(job->error));
                writeLog(job->error, dm_.LogPath);
            }
        });
}

void TfrmMain::N5Click()
{
    TAboutBox box(this, qs(messageText(msg::ProductName)), qs(fileVersionText(platform::programFile())));
    execModal(box);
}

void TfrmMain::N16Click()
{
    try {
        openWithShell(qs(platform::folderOf(platform::programFile()) + "UserManual.htm"));
    } catch (const std::exception& e) {
        messageBox(this, QString::fromLocal8Bit(e.what()));
    }
}

}  // namespace dm::ui
