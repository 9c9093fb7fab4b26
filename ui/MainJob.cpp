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
#include "ui/Dialogs.h"
#include "ui/ElidedLabel.h"
#include "ui/Forms.h"
#include "ui/Mainform.h"

namespace dm::ui {

void TfrmMain::startJob(std::function<void()> work, std::function<void()> done)
{
    SetIdle(false);
    run.reset();
    jobError_.clear();
    skipAllUnreadable_ = false;
    // Nothing may leave the thread by an exception: it would end the program.
    QThread* thread = QThread::create([this, work = std::move(work)] {
        try {
            work();
        } catch (const std::exception& e) {
            jobError_ = e.what();
        } catch (...) {
            jobError_ = "unknown error";
        }
    });
    connect(thread, &QThread::finished, this, [this, thread, done = std::move(done)] {
        thread->deleteLater();
        pollTimer_->stop();
        if (!jobError_.empty()) {
            writeLog(jobError_, dm_.LogPath);
            messageBox(this, QString::fromLocal8Bit(jobError_.c_str()));
        }
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

bool TfrmMain::skipUnreadable(const std::string& folder, const std::string& reason)
{
    if (skipAllUnreadable_) return true;
    SkipAnswer answer = SkipAnswer::Stop;
    const auto ask = [&] { answer = askSkipFolder(this, qs(folder), qs(reason)); };
    // The job waits for the answer; the window asks.
    if (QThread::currentThread() == thread())
        ask();
    else
        QMetaObject::invokeMethod(this, ask, Qt::BlockingQueuedConnection);
    if (answer == SkipAnswer::SkipAll) skipAllUnreadable_ = true;
    return answer != SkipAnswer::Stop;
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
    btnAbort->setEnabled(!idle);
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
        w->setEnabled(idle);
    btnSynAll->setEnabled(idle && resultValid && mayCopy());
    btnSynAll->setToolTip(resultValid && comparer && !mayCopy() ? qs(whyNoCopy(*comparer)) : synHint_);
    btnShowR->setEnabled(idle && resultValid);
    N1->setEnabled(idle);
    N2->setEnabled(idle);
    N3->setEnabled(idle);
    PopupMenu1->setEnabled(idle);
}

void TfrmMain::btnAbortClick()
{
    run.requestAbort();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // The work would outlive the window it reports to: it is stopped first,
    // and the window closes when it has ended (within moments, whatever it waits on).
    if (busy_) {
        event->ignore();
        if (!closeAfterJob_ && askYesNo(this, tr("中止并关闭?"), tr("中止"))) {
            closeAfterJob_ = true;
            run.requestAbort();
        }
        return;
    }
    saveView();
    QMainWindow::closeEvent(event);
}

}  // namespace dm::ui
