// The saved jobs: each with its settings and the records of its runs, newest
// first; a job can be run now (as its timer would run it) or removed.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProcess;
class QPushButton;

namespace dm::ui {

class TdlgJobs : public QDialog {
public:
    explicit TdlgJobs(QWidget* parent = nullptr);

    // Lists the jobs again (and words the window in the current language).
    void reload();
    // Runs the selected job with the command line, as its timer would.
    void runSelected();
    // Asks when the selected job should run and hands it to the command
    // line's scheduler.
    void scheduleSelected();

    QListWidget* lstJobs;
    QListWidget* lstRuns;
    QPlainTextEdit* memoRecord;
    QLabel* lbJob;
    QPushButton* btnRun;
    QPushButton* btnSchedule;
    QPushButton* btnRemove;
    QPushButton* btnClose;

private:
    void showJob();
    void showRun();
    // Runs the command line with these arguments for the selected job, then shows it again.
    void runCommandLine(const QStringList& arguments);
    QProcess* running_ = nullptr;
};

}  // namespace dm::ui
