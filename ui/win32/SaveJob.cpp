// "Save as job...": what the window compares, kept under a name for
// `dirmatch job run` and the Task Scheduler.
#include "common/Messages.h"
#include "config/Job.h"
#include "ui/presenter/MainPresenter.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/Texts.h"
#include "ui/win32/Window.h"

namespace dm::win32 {

namespace {

// The job's name, typed.
class JobName : public Modal {
public:
    std::string name;

private:
    enum { kName = 10 };

    void build() override
    {
        control(L"STATIC", tr("作业名称 (字母、数字、- _ .):"), 0, 12, 12, 296, 18, 0);
        control(L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, 12, 34, 296, 22, kName, WS_EX_CLIENTEDGE);
        control(L"BUTTON", tr("确定"), WS_TABSTOP | BS_DEFPUSHBUTTON, 152, 66, 75, 25, IDOK);
        control(L"BUTTON", tr("取消"), WS_TABSTOP, 233, 66, 75, 25, IDCANCEL);
    }

    bool command(int id, int) override
    {
        if (id != IDOK) return false;
        HWND box = GetDlgItem(hwnd_, kName);
        std::wstring text(size_t(GetWindowTextLengthW(box)) + 1, L'\0');
        text.resize(size_t(GetWindowTextW(box, text.data(), int(text.size()))));
        name = narrow(text);
        end(IDOK);
        return true;
    }
};

}  // namespace

void saveAsJob(HWND owner, const MainPresenter& presenter)
{
    const ComparisonRequest request = presenter.comparisonRequest();
    if (request.folderA.empty() || request.folderB.empty()) return messageBox(owner, tr("请先选择文件夹 A 和 B。"));
    JobName asked;
    if (asked.run(owner, tr("保存为作业"), 320, 100) != IDOK || asked.name.empty()) return;
    Job job;
    job.name = asked.name;
    job.request = request;
    job.sync = askYesNo(owner, tr("运行这个作业时也同步 (用 A 覆盖 B)?"), tr("保存为作业"));
    std::string error;
    if (!saveJob(job, error)) return messageBox(owner, shown(error));
    messageBox(owner, tr("作业已保存。运行: dirmatch job run ") + wide(job.name) +
                          tr("\n按时运行: dirmatch job schedule ") + wide(job.name) + L" --daily 02:00");
}

}  // namespace dm::win32
