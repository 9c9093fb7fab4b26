#include "ui/win32/SyncProgress.h"

#include "common/Messages.h"
#include "ui/presenter/SyncPlanRows.h"
#include "ui/win32/Texts.h"

namespace dm::win32 {

void SyncProgress::open(HWND owner)
{
    if (!make(owner, shown(textIn("同步", "Synchronize")), WS_POPUP | WS_CAPTION | WS_SYSMENU, 560, 130)) return;
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetFocus(cancel_);
}

void SyncProgress::build()
{
    item_ = control(L"STATIC", L"", SS_LEFT | SS_PATHELLIPSIS | SS_NOPREFIX, 12, 12, 536, 18, 0);
    files_ = control(L"STATIC", L"", SS_LEFT, 12, 36, 536, 18, 0);
    bar_ = control(PROGRESS_CLASSW, L"", 0, 12, 60, 536, 18, 0);
    SendMessageW(bar_, PBM_SETRANGE32, 0, 1000);
    cancel_ =
        control(L"BUTTON", shown(textIn("取消", "Cancel")), WS_TABSTOP | BS_DEFPUSHBUTTON, 473, 92, 75, 25, kCancel);
}

void SyncProgress::update()
{
    if (!hwnd_) return;
    SetWindowTextW(item_, shown(copying_.text()).c_str());
    SetWindowTextW(files_, shown(copiedText(copying_)).c_str());
    const int64_t total = copying_.bytesToCopy;
    const int64_t done = std::min<int64_t>(copying_.bytesCopied, total);
    SendMessageW(bar_, PBM_SETPOS, WPARAM(total > 0 ? done * 1000 / total : 0), 0);
}

void SyncProgress::cancel()
{
    copying_.requestAbort();
    EnableWindow(cancel_, FALSE);
}

bool SyncProgress::command(int id, int)
{
    if (id != kCancel && id != IDCANCEL) return false;
    cancel();
    return true;
}

LRESULT SyncProgress::message(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Closed by its frame: the copy is cancelled, the window stays until it has stopped.
    if (msg == WM_CLOSE) {
        cancel();
        return 0;
    }
    return Window::message(msg, wParam, lParam);
}

}  // namespace dm::win32
