// Renders every window of the program, offscreen, after a small sample
// comparison, into PNG files:  dirmatch-screenshots OUTPUT-FOLDER [--lang en]
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>
#include <cerrno>

#include "common/Messages.h"
#include "common/Version.h"
#include "config/Dmodule.h"
#include "config/Job.h"
#include "engine/sync/Sync.h"
#include "platform/ProgramPaths.h"
#include "platform/TestSeams.h"
#include "ui/qt/AboutBox.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/JobsWindow.h"
#include "ui/qt/Mainform.h"
#include "ui/qt/PairView.h"
#include "ui/qt/Resultform.h"
#include "ui/qt/ScheduleDialog.h"
#include "ui/qt/Setcomdlg.h"
#include "ui/qt/SyncPreview.h"
#include "ui/qt/SyncProgress.h"
#include "ui/qt/SyncSummary.h"
#include "ui/qt/Translations.h"
#include "ui/qt/Wizardform.h"

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
}

void save(QWidget& widget, const QString& path)
{
    widget.show();
    QApplication::processEvents();
    widget.grab().save(path);
}

// Saves the next modal box the program shows, then closes it as Escape
// would (No, Stop).
void saveNextModal(const QString& path)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, path] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        box->grab().save(path);
        box->reject();
    });
    timer->start();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QString out = args.size() > 1 ? args[1] : QStringLiteral("screenshots");
    const dm::ui::Translations translations(args.contains(QStringLiteral("en")));
    QDir().mkpath(out);

    // A sample pair of folders.
    const QString root = QDir::tempPath() + QStringLiteral("/dirmatch-sample");
    QDir(root).removeRecursively();
    writeFile(root + "/A/readme.txt", "hello");
    writeFile(root + "/B/readme.txt", "hello");
    QByteArray program(2000, '\0');
    program.replace(0, 2, "MZ");
    writeFile(root + "/A/app/main.exe", program);
    program[300] = 'm';
    writeFile(root + "/B/app/main.exe", program.left(1500));
    writeFile(root + "/A/app/config.ini", "[x]");
    writeFile(root + "/A/docs/manual.htm", "<html/>");
    writeFile(root + "/B/app/old.log", "old");
    writeFile(root + "/B/notes.bak", "bak");
    writeFile(root + "/A/app/settings.txt",
              "[window]\nwidth = 800\nheight = 600\ntitle = 目录同步\n\n[sync]\nverify = true\nlog = dirmatch.log\n");
    writeFile(root + "/B/app/settings.txt",
              "[window]\nwidth = 640\nheight = 600\ntitle = 目录\n\n[sync]\nlog = dirmatch.log\nretries = 3\n");
    // A text in Latin-1 against its UTF-8 copy, and a long file whose last line is long.
    writeFile(root + "/A/app/lisezmoi.txt", "Caf\xe9 cr\xe8me\nd\xe9j\xe0 vu\nna\xefve\n");
    writeFile(root + "/B/app/lisezmoi.txt", "Caf\xc3\xa9 cr\xc3\xa8me\nd\xc3\xa9j\xc3\xa0 vu\nnaive\n");
    QByteArray lines;
    for (int i = 1; i <= 150000; ++i) lines += QByteArray::number(i) + '\n';
    const QByteArray wide = QByteArray(180, 'w') + " END";
    writeFile(root + "/A/app/lines.txt", lines + wide + '\n');
    writeFile(root + "/B/app/lines.txt", lines + wide + "!\n");
    dm::platform::testSeams().programFile = (root + "/prog/dirmatch-gui").toStdString();
    QDir().mkpath(root + "/prog");

    dm::TDM dataModule;
    dm::DM = &dataModule;
    dataModule.StandardDir = (root + "/A").toStdString();
    dataModule.LocalDir = (root + "/B").toStdString();
    dataModule.NotUpdateList = {".bak"};
    dataModule.OnlyDiff = false;
    dataModule.HistoryA = {dataModule.StandardDir, "/srv/release/2026-11", "/srv/release/2026-10"};
    dataModule.HistoryB = {dataModule.LocalDir, "/opt/app"};

    dm::ui::TfrmMain main(dataModule);
    dm::ui::TdlgSetCom filters(dataModule, &main);
    dm::ui::TfrmWizard wizard(dataModule, filters, &main);
    dm::ui::TfrmResult report(dataModule, &main);
    main.setForms(&wizard, &report);
    main.show();
    dm::ui::uiHooks().execModal = [](QDialog&) { return int(QDialog::Accepted); };
    main.RunComparison();
    main.waitUntilIdle();
    main.expandWholeTree();
    main.TreeViewResult->setCurrentItem(main.TreeViewResult->topLevelItem(0)->child(0));
    save(main, out + "/main.png");
    for (QAction* column : main.actColumns) column->setChecked(true);
    main.edtFilter->setText(QStringLiteral("main"));
    main.expandWholeTree();
    main.resize(1100, main.height());
    save(main, out + "/main-columns-filter.png");
    main.edtFilter->clear();
    for (QAction* column : main.actColumns) column->setChecked(false);
    main.resize(794, main.height());

    save(wizard, out + "/wizard-1.png");
    // The folder box with its history open: the list drawn where it opens.
    wizard.edtDirA->showPopup();
    QApplication::processEvents();
    {
        QWidget* list = wizard.edtDirA->view()->window();
        const QPoint at = list->mapToGlobal(QPoint(0, 0)) - wizard.mapToGlobal(QPoint(0, 0));
        QPixmap shot(wizard.width(), std::max(wizard.height(), at.y() + list->height()));
        shot.fill(Qt::white);
        QPainter painter(&shot);
        painter.drawPixmap(0, 0, wizard.grab());
        painter.drawPixmap(at, list->grab());
        painter.end();
        shot.save(out + "/wizard-history.png");
    }
    wizard.edtDirA->hidePopup();
    wizard.btnNextClick();
    save(wizard, out + "/wizard-2.png");
    wizard.btnStep2Click();
    save(wizard, out + "/wizard-3.png");
    save(filters, out + "/filters.png");
    save(report, out + "/report.png");
    report.btnDetailClick();
    save(report, out + "/report-details.png");
    // The synchronization's three dialogs: the plan, its progress, its outcome.
    main.syncPreview->setChoices({true, dm::kDefaultBackupFolder, false});
    main.syncPreview->setPlan(dm::syncPlan(*main.presenter.comparer,
                                           dm::syncScope(main.presenter.comparer->results, nullptr, nullptr),
                                           dataModule.NotUpdateList));
    save(*main.syncPreview, out + "/sync-preview.png");
    main.presenter.run.reset();
    main.presenter.run.setText(dm::textIn("正在复制: ", "Copying: ") + dataModule.LocalDir + "/app/main.exe");
    main.presenter.run.filesToCopy = 3;
    main.presenter.run.filesCopied = 1;
    main.presenter.run.bytesToCopy = 2000 + 3 + 7;
    main.presenter.run.bytesCopied = 1200;
    main.syncProgress->update();
    save(*main.syncProgress, out + "/sync-progress.png");
    dm::SyncOutcome outcome;
    outcome.copied = 2;
    outcome.failed.push_back(
        {dataModule.StandardDir + "/app/main.exe", dataModule.LocalDir + "/app/main.exe", "Operation not permitted"});
    main.syncSummary->setOutcome(outcome);
    save(*main.syncSummary, out + "/sync-summary.png");

    // A pair side by side: text, then binary.
    const auto pairOf = [&](const char* name) -> const dm::result_t& {
        for (const auto& folder : *main.presenter.comparer->results.children)
            if (folder->name == "app")
                for (const auto& item : *folder->children)
                    if (item->name == name) return *item;
        return main.presenter.comparer->results;
    };
    main.pairView->copyAOverB = [] {};
    std::string why;
    main.pairView->showPair(*main.presenter.comparer, pairOf("settings.txt"), why);
    main.pairView->goToDifference(true);
    save(*main.pairView, out + "/pair-text.png");
    main.pairView->showPair(*main.presenter.comparer, pairOf("lisezmoi.txt"), why);
    main.pairView->goToDifference(true);
    save(*main.pairView, out + "/pair-latin1.png");
    main.pairView->showPair(*main.presenter.comparer, pairOf("lines.txt"), why);
    main.pairView->goToDifference(true);
    save(*main.pairView, out + "/pair-long.png");
    main.pairView->showPair(*main.presenter.comparer, pairOf("main.exe"), why);
    save(*main.pairView, out + "/pair-binary.png");
    main.pairView->hide();

    // At the entry limit, the offer to compare once more without one.
    dataModule.Settings.maxEntries = 5;
    dm::ui::uiHooks().execModal = [](QDialog&) { return int(QDialog::Rejected); };
    saveNextModal(out + "/limit-offer.png");
    main.RunComparison();
    main.waitUntilIdle();
    dataModule.Settings.maxEntries = dm::MaxScanCount;
    // A folder that cannot be read: the question, then the tree of a run that skipped it.
    dm::platform::testSeams().failListing = [locked = (root + "/A/app/").toStdString()](const std::string& folder) {
        return folder == locked ? EACCES : 0;
    };
    saveNextModal(out + "/unreadable-question.png");
    main.RunComparison();
    main.waitUntilIdle();
    dm::ui::uiHooks().askSkipFolder = [](const QString&, const QString&) { return dm::ui::SkipAnswer::Skip; };
    main.RunComparison();
    main.waitUntilIdle();
    main.expandWholeTree();
    main.TreeViewResult->setCurrentItem(main.TreeViewResult->topLevelItem(0)->child(0));
    for (QAction* column : main.actColumns) column->setChecked(true);
    main.resize(1100, main.height());
    save(main, out + "/main-unreadable.png");
    dm::platform::testSeams().failListing = nullptr;

    // The jobs window, with a job and the record of a run.
    qputenv("XDG_CONFIG_HOME", (root + "/config").toUtf8());
    qputenv("XDG_STATE_HOME", (root + "/state").toUtf8());
    dm::Job job;
    job.name = "nightly";
    job.request.folderA = dataModule.StandardDir;
    job.request.folderB = dataModule.LocalDir;
    job.sync = true;
    job.schedule = "daily 02:30";
    std::string saveError;
    dm::saveJob(job, saveError);
    writeFile(QString::fromStdString(dm::jobRunsFolder("nightly")) + "20261207-023000-01.txt",
              QByteArray::fromStdString(
                  dm::textIn("作业: nightly\n开始: 2026-12-07 02:30:00\n状态: 比较完成\n缺:0 | 异:0 | 多:1\n"
                             "已复制 3, 失败 0, 跳过 0\n结束: 2026-12-07 02:30:01\n退出码: 1\n",
                             "job: nightly\nstarted: 2026-12-07 02:30:00\nstate: Comparison finished\nL:0 | D:0 | M:1\n"
                             "copied 3, failed 0, skipped 0\nended: 2026-12-07 02:30:01\nexit: 1\n")));
    dm::ui::TdlgJobs jobs(&main);
    jobs.reload();
    save(jobs, out + "/jobs.png");
    jobs.hide();
    dm::ui::TdlgSchedule when(&main, job.schedule);
    save(when, out + "/schedule.png");

    // The folder picker, in the program's language.
    saveNextModal(out + "/choose-folder.png");
    dm::ui::chooseFolder(&main, QStringLiteral("A"), root);

    // The about box as the program shows it: its own version.
    dm::ui::TAboutBox about(&main, QStringLiteral("目录同步比较工具"),
                            QString::fromStdString(dm::programVersionText(dm::platform::programFile())));
    about.lbProductName->setText(QString::fromStdString(dm::messageText(180)));
    save(about, out + "/about.png");
    dm::DM = nullptr;
    QDir(root).removeRecursively();
    return 0;
}
