#include "ui/qt/JobsWindow.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "config/Job.h"
#include "platform/FileRead.h"
#include "platform/Text.h"
#include "ui/presenter/JobsPresenter.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/Forms.h"
#include "ui/qt/ScheduleDialog.h"

namespace dm::ui {

namespace {

QString t(const char* zh, const char* en)
{
    return QString::fromStdString(textIn(zh, en));
}

}  // namespace

TdlgJobs::TdlgJobs(QWidget* parent) : QDialog(parent)
{
    resize(900, 520);
    auto* layout = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout;
    lstJobs = new QListWidget(this);
    lstRuns = new QListWidget(this);
    memoRecord = new QPlainTextEdit(this);
    memoRecord->setReadOnly(true);
    memoRecord->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lstJobs->setMaximumWidth(200);
    lstRuns->setMaximumWidth(200);
    lists->addWidget(lstJobs);
    lists->addWidget(lstRuns);
    lists->addWidget(memoRecord, 1);
    lbJob = new QLabel(this);
    lbJob->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lbJob);
    layout->addLayout(lists, 1);
    auto* buttons = new QHBoxLayout;
    btnRun = new QPushButton(this);
    btnSchedule = new QPushButton(this);
    btnRemove = new QPushButton(this);
    btnClose = new QPushButton(this);
    buttons->addWidget(btnRun);
    buttons->addWidget(btnSchedule);
    buttons->addWidget(btnRemove);
    buttons->addStretch();
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);

    connect(lstJobs, &QListWidget::currentRowChanged, this, [this] { showJob(); });
    connect(lstRuns, &QListWidget::currentRowChanged, this, [this] { showRun(); });
    connect(btnRun, &QPushButton::clicked, this, &TdlgJobs::runSelected);
    connect(btnSchedule, &QPushButton::clicked, this, &TdlgJobs::scheduleSelected);
    connect(btnRemove, &QPushButton::clicked, this, [this] {
        if (!lstJobs->currentItem() || running_) return;
        const QString name = lstJobs->currentItem()->text();
        if (!askYesNo(this, t("删除作业 ", "Remove the job ") + name + QStringLiteral("?"), windowTitle())) return;
        // The command line takes its timer and its records with it.
        runCommandLine({QStringLiteral("remove"), name});
    });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TdlgJobs::reload()
{
    setWindowTitle(t("作业", "Jobs"));
    btnRun->setText(t("立即运行", "Run now"));
    btnSchedule->setText(t("定时...", "Schedule..."));
    btnRemove->setText(t("删除", "Remove"));
    btnClose->setText(t("关闭", "Close"));
    lstJobs->clear();
    for (const std::string& name : jobNames()) lstJobs->addItem(qs(name));
    if (lstJobs->count() > 0) lstJobs->setCurrentRow(0);
    showJob();
}

void TdlgJobs::showJob()
{
    lstRuns->clear();
    memoRecord->clear();
    const bool any = lstJobs->currentItem() != nullptr;
    for (QPushButton* b : {btnRun, btnSchedule, btnRemove}) b->setEnabled(any && !running_);
    if (!any) {
        lbJob->setText(t("没有保存的作业 (主菜单: 保存为作业...)", "No saved jobs (Main menu: Save as job...)"));
        return;
    }
    Job job;
    std::string error;
    if (!loadJob(lstJobs->currentItem()->text().toStdString(), job, error)) {
        lbJob->setText(qs(error));
        return;
    }
    lbJob->setText(qs(jobLine(job)));
    for (const std::string& record : jobRunRecords(job.name)) {
        auto* item = new QListWidgetItem(qs(std::string(platform::lastComponent(record))), lstRuns);
        item->setData(Qt::UserRole, qs(record));
    }
    if (lstRuns->count() > 0) lstRuns->setCurrentRow(0);  // the last run's result
}

void TdlgJobs::showRun()
{
    const QListWidgetItem* item = lstRuns->currentItem();
    if (!item) return memoRecord->clear();
    std::string text;
    platform::readFileRange(item->data(Qt::UserRole).toString().toStdString(), 0, 4u << 20, text);
    memoRecord->setPlainText(qs(text));
}

void TdlgJobs::runSelected()
{
    if (!lstJobs->currentItem() || running_) return;
    memoRecord->setPlainText(t("正在运行...", "Running..."));
    runCommandLine({QStringLiteral("run"), lstJobs->currentItem()->text()});
}

void TdlgJobs::scheduleSelected()
{
    if (!lstJobs->currentItem() || running_) return;
    const QString name = lstJobs->currentItem()->text();
    Job job;
    std::string error;
    loadJob(name.toStdString(), job, error);  // a job that cannot be read is offered a new schedule
    TdlgSchedule when(this, job.schedule);
    if (execModal(when) != QDialog::Accepted) return;
    runCommandLine(QStringList{QStringLiteral("schedule"), name} + when.arguments());
}

void TdlgJobs::runCommandLine(const QStringList& arguments)
{
    const QString name = lstJobs->currentItem()->text();
    running_ = new QProcess(this);
    for (QPushButton* b : {btnRun, btnSchedule, btnRemove}) b->setEnabled(false);
    const bool scheduling = arguments.front() == QStringLiteral("schedule");
    connect(running_, &QProcess::finished, this, [this, name, scheduling](int code) {
        // What the command line said when it refused (a schedule it cannot read, say).
        const QString said = QString::fromLocal8Bit(running_->readAllStandardError()).trimmed();
        // A schedule set with a note (no service manager to take it now, a
        // program that is not installed) is shown with the note.
        const QString told = QString::fromLocal8Bit(running_->readAllStandardOutput()).trimmed();
        running_->deleteLater();
        running_ = nullptr;
        reload();
        const auto found = lstJobs->findItems(name, Qt::MatchExactly);
        if (!found.isEmpty()) lstJobs->setCurrentItem(found.front());
        if (code == 2 && !said.isEmpty()) messageBox(this, said);
        // Written but not yet running (no service manager) ends with 2 and says so on its output.
        if (scheduling && said.isEmpty() && told.contains(QLatin1Char('\n'))) messageBox(this, told);
    });
    connect(running_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        messageBox(this, t("无法启动 dirmatch: ", "dirmatch cannot be started: ") + running_->errorString());
        running_->deleteLater();
        running_ = nullptr;
        showJob();
    });
    // Its texts (messages, the run's record) in the window's language.
    std::vector<std::string> words;
    for (const QString& argument : arguments) words.push_back(argument.toStdString());
    const std::vector<std::string> command = jobCommand(words);
    QStringList rest;
    for (size_t i = 1; i < command.size(); ++i) rest << qs(command[i]);
    running_->start(qs(command.front()), rest);
}

}  // namespace dm::ui
