// The report of the last comparison: its headline, and the whole report below.
#include "common/Messages.h"
#include "config/Dmodule.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/Texts.h"
#include "ui/win32/Window.h"

namespace dm::win32 {

namespace {

class ReportDialog : public Modal {
public:
    explicit ReportDialog(const TDM& dm) : dm_(dm) {}

private:
    void build() override
    {
        std::wstring text;
        for (const std::string& line : dm_.ReportLines) text += shown(line) + L"\r\n";
        const std::wstring headline = dm_.ReportLines.empty() ? std::wstring() : shown(dm_.ReportLines.front());
        control(L"STATIC", headline, SS_CENTER, 64, 16, 441, 24, 0);
        HWND memo = control(L"EDIT", text, WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 8, 48,
                            521, 256, 0, WS_EX_CLIENTEDGE);
        SendMessageW(memo, EM_SETSEL, 0, 0);
        control(L"BUTTON", tr("确定"), WS_TABSTOP | BS_DEFPUSHBUTTON, 454, 312, 75, 25, IDOK);
    }
    bool command(int id, int) override
    {
        if (id != IDOK) return false;
        end(IDOK);
        return true;
    }

    const TDM& dm_;
};

}  // namespace

void showReportDialog(HWND owner, const TDM& dm)
{
    ReportDialog dialog(dm);
    dialog.run(owner, tr("结果"), 537, 344);
}

}  // namespace dm::win32
