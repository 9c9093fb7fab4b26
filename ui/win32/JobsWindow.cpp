// The saved jobs: each with its settings and the records of its runs,
// newest first; a job is run now, put on a schedule or removed through the
// command line, as its task runs it.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "common/Messages.h"
#include "config/Job.h"
#include "platform/ChildProcess.h"
#include "platform/FileRead.h"
#include "platform/Text.h"
#include "ui/presenter/JobsPresenter.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/Texts.h"
#include "ui/win32/Win32Ui.h"
#include "ui/win32/Window.h"

namespace dm::win32 {

namespace {

// When a job runs: the choice as `dirmatch job schedule` takes it.
class ScheduleDialog : public Modal {
public:
    explicit ScheduleDialog(std::string schedule) : schedule_(std::move(schedule)) {}
    std::vector<std::string> arguments;

private:
    enum { kDaily = 10, kTime, kHourly, kEvery, kMinutes, kOff };

    void build() override
    {
        unsigned hour = 2, minute = 0, every = 15;
        const bool daily = std::sscanf(schedule_.c_str(), "daily %2u:%2u", &hour, &minute) == 2;
        const bool often = std::sscanf(schedule_.c_str(), "every %u", &every) == 1;
        char time[8];
        std::snprintf(time, sizeof time, "%02u:%02u", hour, minute);
        const int chosen = daily ? kDaily : schedule_ == "hourly" ? kHourly : often ? kEvery : kOff;
        control(L"BUTTON", shown(textIn("每天, 时间:", "Every day at:")), WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON,
                12, 12, 150, 20, kDaily);
        control(L"EDIT", wide(time), WS_TABSTOP | ES_AUTOHSCROLL, 170, 10, 60, 22, kTime, WS_EX_CLIENTEDGE);
        control(L"BUTTON", shown(textIn("每小时", "Every hour")), BS_AUTORADIOBUTTON, 12, 40, 150, 20, kHourly);
        control(L"BUTTON", shown(textIn("每隔 (分钟):", "Every (minutes):")), BS_AUTORADIOBUTTON, 12, 68, 150, 20,
                kEvery);
        control(L"EDIT", std::to_wstring(every), WS_TABSTOP | ES_NUMBER, 170, 66, 60, 22, kMinutes, WS_EX_CLIENTEDGE);
        control(L"BUTTON", shown(textIn("不按时运行", "Not on a schedule")), BS_AUTORADIOBUTTON, 12, 96, 200, 20, kOff);
        CheckRadioButton(hwnd_, kDaily, kOff, chosen);
        control(L"BUTTON", tr("确定"), WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 92, 128, 75, 25, IDOK);
        control(L"BUTTON", tr("取消"), WS_TABSTOP, 173, 128, 75, 25, IDCANCEL);
    }

    std::string text(int id) const
    {
        HWND box = GetDlgItem(hwnd_, id);
        std::wstring value(size_t(GetWindowTextLengthW(box)) + 1, L'\0');
        value.resize(size_t(GetWindowTextW(box, value.data(), int(value.size()))));
        return narrow(value);
    }

    bool command(int id, int) override
    {
        if (id != IDOK) return false;
        if (IsDlgButtonChecked(hwnd_, kDaily)) arguments = {"--daily", text(kTime)};
        if (IsDlgButtonChecked(hwnd_, kHourly)) arguments = {"--hourly"};
        if (IsDlgButtonChecked(hwnd_, kEvery)) arguments = {"--every", text(kMinutes)};
        if (IsDlgButtonChecked(hwnd_, kOff)) arguments = {"--off"};
        end(IDOK);
        return true;
    }

    std::string schedule_;
};

class JobsWindow : public Modal {
public:
    ~JobsWindow() override
    {
        if (running_.joinable()) running_.join();
    }

private:
    enum { kJobs = 10, kLine, kRuns, kRecord, kRun, kSchedule, kRemove };
    static constexpr UINT kRunEnded = WM_APP + 7;

    void build() override
    {
        jobs_ = control(L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, 8, 8, 200, 470, kJobs, WS_EX_CLIENTEDGE);
        line_ = control(L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_PATHELLIPSIS, 216, 8, 676, 18, kLine);
        runs_ =
            control(L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, 216, 30, 220, 448, kRuns, WS_EX_CLIENTEDGE);
        record_ = control(L"EDIT", L"", WS_TABSTOP | ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_HSCROLL, 444, 30, 448,
                          448, kRecord, WS_EX_CLIENTEDGE);
        buttons_[0] =
            control(L"BUTTON", withKey(shown(textIn("立即运行", "Run now")), L'R'), WS_TABSTOP, 8, 486, 100, 25, kRun);
        buttons_[1] = control(L"BUTTON", withKey(shown(textIn("定时...", "Schedule...")), L'S'), WS_TABSTOP, 114, 486,
                              100, 25, kSchedule);
        buttons_[2] =
            control(L"BUTTON", withKey(shown(textIn("删除", "Remove")), L'M'), WS_TABSTOP, 220, 486, 100, 25, kRemove);
        control(L"BUTTON", tr("关闭"), WS_TABSTOP | BS_DEFPUSHBUTTON, 817, 486, 75, 25, IDCANCEL);
        reload({});
    }

    std::string selectedJob() const
    {
        const LRESULT at = SendMessageW(jobs_, LB_GETCURSEL, 0, 0);
        return at == LB_ERR || size_t(at) >= names_.size() ? std::string() : names_[size_t(at)];
    }

    void reload(const std::string& select)
    {
        names_ = jobNames();
        SendMessageW(jobs_, LB_RESETCONTENT, 0, 0);
        for (const std::string& name : names_) SendMessageW(jobs_, LB_ADDSTRING, 0, LPARAM(wide(name).c_str()));
        size_t at = 0;
        for (size_t i = 0; i < names_.size(); ++i)
            if (names_[i] == select) at = i;
        if (!names_.empty()) SendMessageW(jobs_, LB_SETCURSEL, at, 0);
        showJob();
    }

    void showJob()
    {
        SendMessageW(runs_, LB_RESETCONTENT, 0, 0);
        records_.clear();
        SetWindowTextW(record_, L"");
        const std::string name = selectedJob();
        for (HWND b : buttons_) EnableWindow(b, !name.empty() && !busy_);
        if (name.empty()) {
            SetWindowTextW(
                line_,
                shown(textIn("没有保存的作业 (dirmatch job save)", "No saved jobs (dirmatch job save)")).c_str());
            return;
        }
        Job job;
        std::string error;
        SetWindowTextW(line_, shown(loadJob(name, job, error) ? jobLine(job) : error).c_str());
        // Named by the time each run ended: the newest first.
        records_ = jobRunRecords(name);
        std::reverse(records_.begin(), records_.end());
        for (const std::string& record : records_)
            SendMessageW(runs_, LB_ADDSTRING, 0, LPARAM(wide(std::string(platform::lastComponent(record))).c_str()));
        if (!records_.empty()) {
            SendMessageW(runs_, LB_SETCURSEL, 0, 0);
            showRun();
        }
    }

    void showRun()
    {
        const LRESULT at = SendMessageW(runs_, LB_GETCURSEL, 0, 0);
        std::string text;
        if (at != LB_ERR && size_t(at) < records_.size())
            platform::readFileRange(records_[size_t(at)], 0, 4u << 20, text);
        // The edit control breaks lines at CR LF only.
        std::string lines;
        for (const char c : text) lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
        SetWindowTextW(record_, wide(lines).c_str());
    }

    // The command line for the selected job: at once (schedule, remove), or
    // on a thread of its own (a run), the window told when it ends.
    void runCommandLine(const std::vector<std::string>& arguments, bool background)
    {
        const std::string name = selectedJob();
        if (name.empty() || busy_) return;
        if (!background) {
            std::string said;
            const int code = platform::runToEnd(jobCommand(arguments), said);
            reload(name);
            if (code != 0)
                messageBox(hwnd_, wide(code < 0 ? textIn("无法启动 dirmatch", "dirmatch cannot be started") : said));
            return;
        }
        busy_ = true;
        showJob();
        SetWindowTextW(record_, shown(textIn("正在运行...", "Running...")).c_str());
        running_ = std::thread([this, arguments, name] {
            std::string said;
            runCode_ = platform::runToEnd(jobCommand(arguments), said);
            PostMessageW(hwnd_, kRunEnded, 0, 0);
        });
        runName_ = name;
    }

    bool command(int id, int code) override
    {
        switch (id) {
            case kJobs:
                if (code == LBN_SELCHANGE) showJob();
                return code == LBN_SELCHANGE;
            case kRuns:
                if (code == LBN_SELCHANGE) showRun();
                return code == LBN_SELCHANGE;
            case kRun: runCommandLine({"run", selectedJob()}, true); return true;
            case kSchedule: {
                Job job;
                std::string error;
                loadJob(selectedJob(), job, error);  // a job that cannot be read is offered a new schedule
                ScheduleDialog when(job.schedule);
                if (when.run(hwnd_, shown(textIn("按时运行", "Schedule")), 260, 162) != IDOK) return true;
                std::vector<std::string> arguments{"schedule", selectedJob()};
                arguments.insert(arguments.end(), when.arguments.begin(), when.arguments.end());
                runCommandLine(arguments, false);
                return true;
            }
            case kRemove:
                if (askYesNo(hwnd_, shown(textIn("删除作业 ", "Remove the job ") + selectedJob() + "?"),
                             shown(textIn("作业", "Jobs"))))
                    runCommandLine({"remove", selectedJob()}, false);
                return true;
            default: return false;
        }
    }

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == kRunEnded) {
            running_.join();
            busy_ = false;
            reload(runName_);
            if (runCode_ < 0) messageBox(hwnd_, shown(textIn("无法启动 dirmatch", "dirmatch cannot be started")));
            return 0;
        }
        // No closing while a run the window waits for goes on.
        if (busy_ && (msg == WM_CLOSE || (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL))) return 0;
        return Modal::message(msg, wParam, lParam);
    }

    HWND jobs_ = nullptr;
    HWND line_ = nullptr;
    HWND runs_ = nullptr;
    HWND record_ = nullptr;
    HWND buttons_[3] = {};
    std::vector<std::string> names_;
    std::vector<std::string> records_;
    std::thread running_;
    std::atomic<int> runCode_{0};
    std::string runName_;
    bool busy_ = false;
};

}  // namespace

void showJobs(HWND owner)
{
    JobsWindow jobs;
    jobs.run(owner, shown(textIn("作业", "Jobs")), 900, 519);
}

}  // namespace dm::win32
