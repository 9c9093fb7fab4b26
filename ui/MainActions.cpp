// The main window's actions around a result: synchronizing, exporting folder A,
// the about box and the manual.
#include <QCoreApplication>
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
    if (!resultValid || !comparer) {
        messageBox(this, qs(messageText(msg::NoResultToSync)));
        return;
    }
    if (!mayCopy()) {
        messageBox(this, qs(noCopyReason()));
        return;
    }
    if (!askYesNo(this, qs(messageText(msg::SyncConfirm)), qs(messageText(msg::SyncConfirmCaption)))) return;
    synchronize(*comparer, syncScope(comparer->results, nullptr, nullptr), dm_.NotUpdateList, nullptr, dm_.LogPath);
    RunComparison();
}

void TfrmMain::btnExportClick()
{
    const std::string folder = !dm_.DispPath.empty() ? dm_.DispPath : platform::folderOf(platform::programFile());
    if (dm_.DispInfo.empty()) dm_.DispInfo = "info.dat";
    const QString file = chooseFile(this, qs(folder), qs(folder + dm_.DispInfo), QString(), true);
    if (file.isEmpty()) return;

    const StringList include{std::string(1, platform::kSeparator)};
    auto comp = std::make_unique<dirCompare>(dm_.StandardDir, dm_.LocalDir, labelDoing, include, StringList{},
                                             kAllOptions, std::string(), dm_.DispInfo);
    labelDoing->setTag(0);
    labelDoing->clear();
    btnAbort->setEnabled(true);

    std::string error;
    if (!comp->scanFolder(comp->rootA, error, {})) {
        messageBox(this, qs(error));
    } else {
        if (comp->rootA.count >= comp->maxEntries)
            messageBox(this, qs(messageText(msg::TooManyEntries) + std::to_string(comp->maxEntries)));
        if (exportInfoFile(*comp, file.toStdString(), error, comp->rootA)) {
            messageBox(this, qs(messageText(msg::ExportDone1) + comp->pathA + messageText(msg::ExportDone2)) + file +
                                 qs(messageText(msg::ExportDone3)));
        } else {
            messageBox(this, qs(messageText(msg::ExportFailed)));
            messageBox(this, qs(error));
            writeLog(error, dm_.LogPath);
        }
    }
    comp.reset();
    labelDoing->setTag(0);
    labelDoing->clear();
    btnAbort->setEnabled(false);
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
