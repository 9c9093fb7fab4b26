// Long work of the Win32 main window runs on a thread of its own, as in the
// Qt window: a timer shows the progress, Abort answers, and nothing else
// may start or touch the result until the work is done.

#include "ui/win32/Dialogs.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Texts.h"

namespace dm::win32 {

void MainWindow::startJob(std::function<void()> work, std::function<void()> done)
{
    setIdle(false);
    presenter.jobStarting();
    done_ = std::move(done);
    SetTimer(hwnd_, 1, 100, nullptr);
    job_ = std::thread([this, work = std::move(work)] {
        presenter.runJob(work);
        PostMessageW(hwnd_, WM_APP, 0, 0);
    });
}

void MainWindow::jobDone()
{
    job_.join();
    KillTimer(hwnd_, 1);
    if (const std::string error = presenter.jobEnded(); !error.empty()) messageBox(hwnd_, shown(error));
    busy_ = false;
    if (closeAfterJob_) {
        // Stopped to close the window: nothing follows.
        setIdle(true);
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        return;
    }
    // What follows may start the next job (a comparison after a copy).
    const std::function<void()> done = std::move(done_);
    done();
    if (!busy_) setIdle(true);
}

void MainWindow::showProgress()
{
    SetWindowTextW(doing_, wide(presenter.run.shownText()).c_str());
    const MainPresenter::Gauge gauge = presenter.gauge(copying_);
    SendMessageW(progress_, PBM_SETRANGE32, 0, LPARAM(std::min<int64_t>(gauge.maximum, INT32_MAX)));
    SendMessageW(progress_, PBM_SETPOS, WPARAM(std::min<int64_t>(gauge.value, INT32_MAX)), 0);
    if (syncProgress_) syncProgress_->update();
}

void MainWindow::setIdle(bool idle)
{
    busy_ = !idle;
    const MainPresenter::Controls allowed = presenter.controls(idle);
    EnableWindow(buttons_[0], allowed.start);
    EnableWindow(buttons_[1], allowed.abort);
    EnableWindow(buttons_[2], allowed.sync);
    EnableWindow(buttons_[3], allowed.report);
    EnableWindow(buttons_[4], allowed.start);
    EnableWindow(tree_, allowed.start);
    EnableMenuItem(GetMenu(hwnd_), 0, MF_BYPOSITION | (allowed.start ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(GetMenu(hwnd_), 1, MF_BYPOSITION | (allowed.start ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(hwnd_);
    SetWindowTextW(doing_, L"");
    SendMessageW(progress_, PBM_SETPOS, 0, 0);
    ShowWindow(progress_, idle ? SW_HIDE : SW_SHOW);
    tellTest();
}

SyncQuestions MainWindow::runQuestions()
{
    SyncQuestions questions;
    questions.skipUnreadableFolder = [this](const std::string& folder, const std::string& reason) {
        return askSkip(folder, reason);
    };
    questions.confirm = [this](dirCompare& comp, const SyncScope& scope, const std::vector<SyncStep>& plan,
                               std::set<std::string>& leftOut) {
        bool yes = false;
        askFromJob([&] {
            yes = !MainPresenter::showsPlan(scope) || confirmPlan(hwnd_, comp, plan, leftOut, presenter);
            if (!yes) return;
            syncProgress_ = std::make_unique<SyncProgress>(presenter.run);
            syncProgress_->open(hwnd_);
        });
        return yes;
    };
    return questions;
}

void MainWindow::askFromJob(const std::function<void()>& question)
{
    SendMessageW(hwnd_, kAskFromJob, 0, reinterpret_cast<LPARAM>(&question));
}

bool MainWindow::askSkip(const std::string& folder, const std::string& reason)
{
    return presenter.skipUnreadable([&] {
        SkipAnswer answer = SkipAnswer::Stop;
        askFromJob([&] { answer = askSkipFolder(hwnd_, folder, reason); });
        return answer;
    });
}

}  // namespace dm::win32
