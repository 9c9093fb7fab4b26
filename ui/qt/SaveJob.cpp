// "Save as job...": what the window compares, kept under a name for
// `dirmatch job run` and the system's scheduler; "Jobs...": what was kept.
#include "common/Messages.h"
#include "config/Dmodule.h"
#include "config/Job.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/Forms.h"
#include "ui/qt/JobsWindow.h"
#include "ui/qt/Mainform.h"

namespace dm::ui {

void TfrmMain::saveAsJob()
{
    if (isBusy()) return;
    if (dm_.StandardDir.empty() || dm_.LocalDir.empty()) {
        messageBox(this, tr("请先选择文件夹 A 和 B。"));
        return;
    }
    const QString name = askText(this, tr("保存为作业"), tr("作业名称 (字母、数字、- _ .):"));
    if (name.isEmpty()) return;
    Job job;
    job.name = name.toStdString();
    job.request = presenter.comparisonRequest();
    job.sync = ui::askYesNo(this, tr("运行这个作业时也同步 (用 A 覆盖 B)?"), tr("保存为作业"));
    std::string error;
    if (!saveJob(job, error)) {
        messageBox(this, qs(error));
        return;
    }
    messageBox(this, tr("作业已保存。运行: dirmatch job run ") + name + tr("\n按时运行: dirmatch job schedule ") +
                         name + QStringLiteral(" --daily 02:00"));
}

void TfrmMain::showJobs()
{
    if (!jobsWindow) jobsWindow = new TdlgJobs(this);
    jobsWindow->reload();
    execModal(*jobsWindow);
}

}  // namespace dm::ui
