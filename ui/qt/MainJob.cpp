// Long engine work (comparisons, refreshes, copies, the export) runs as a job
// on a thread of its own. While it runs the window stays live: a timer shows
// the run control's progress every 100 ms, the abort button answers, and
// every action that could start other work or touch the result is refused.
// The comparer belongs to the job for that time (working_), never to both.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "common/ErrorLog.h"
#include "config/Dmodule.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/ElidedLabel.h"
#include "ui/qt/Forms.h"
#include "ui/qt/Mainform.h"

namespace dm::ui {

void TfrmMain::startJob(std::function<void()> work, std::function<void()> done)
{
    SetIdle(false);
    presenter.jobStarting();
    QThread* thread = QThread::create([this, work = std::move(work)] { presenter.runJob(work); });
    connect(thread, &QThread::finished, this, [this, thread, done = std::move(done)] {
        thread->deleteLater();
        pollTimer_->stop();
        if (const std::string error = presenter.jobEnded(); !error.empty())
            messageBox(this, QString::fromLocal8Bit(error.c_str()));
        busy_ = false;
        // Stopped to close the window: nothing follows.
        if (closeAfterJob_) {
            closeAfterJob_ = false;
            SetIdle(true);
            close();
            return;
        }
        // What follows may start the next job (a comparison after a copy).
        done();
        if (!busy_) SetIdle(true);
    });
    pollTimer_->start(100);
    thread->start();
}

void TfrmMain::askFromJob(const std::function<void()>& question)
{
    if (QThread::currentThread() == thread())
        question();
    else
        QMetaObject::invokeMethod(this, question, Qt::BlockingQueuedConnection);
}

bool TfrmMain::skipUnreadable(const std::string& folder, const std::string& reason)
{
    return presenter.skipUnreadable([&] {
        SkipAnswer answer = SkipAnswer::Stop;
        askFromJob([&] { answer = askSkipFolder(this, qs(folder), qs(reason)); });
        return answer;
    });
}

bool TfrmMain::isBusy() const
{
    return busy_;
}

void TfrmMain::waitUntilIdle()
{
    while (busy_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TfrmMain::SetIdle(bool idle)
{
    busy_ = !idle;
    const MainPresenter::Controls allowed = presenter.controls(idle);
    btnAbort->setEnabled(allowed.abort);
    labelDoing->showText(QString());
    progressBar->setValue(0);
    progressBar->setVisible(!idle);
    lbText->setVisible(!idle);
    if (!idle) lbText->raise();
    // A copy says so while it runs; every other job is a comparison's.
    if (idle) lbText->setText(tr("正在比较，请耐心等待..."));
    // While busy nothing may start other work or reach the result tree.
    for (QWidget* w :
         {static_cast<QWidget*>(bbtnStart), static_cast<QWidget*>(btnExit), static_cast<QWidget*>(btnExport),
          static_cast<QWidget*>(StatusBar1), static_cast<QWidget*>(TreeViewResult), edtFilter->parentWidget()})
        w->setEnabled(allowed.start);
    btnSynAll->setEnabled(allowed.sync);
    btnSynAll->setToolTip(!allowed.syncTip.empty() ? qs(allowed.syncTip) : synHint_);
    btnShowR->setEnabled(allowed.report);
    for (QWidget* menu : std::initializer_list<QWidget*>{N1, N2, N3, PopupMenu1}) menu->setEnabled(allowed.start);
}

void TfrmMain::btnAbortClick()
{
    presenter.run.requestAbort();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // The work would outlive the window it reports to: it is stopped first,
    // and the window closes when it has ended (within moments, whatever it waits on).
    if (busy_) {
        event->ignore();
        if (!closeAfterJob_ && ui::askYesNo(this, tr("中止并关闭?"), tr("中止"))) {
            closeAfterJob_ = true;
            presenter.run.requestAbort();
        }
        return;
    }
    saveView();
    QMainWindow::closeEvent(event);
}

}  // namespace dm::ui
