// The plan of a synchronization, each step ticked; the user may untick
// steps, and confirms or cancels.
#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "ui/presenter/MainPresenter.h"
#include "ui/presenter/SyncPlanRows.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/PathList.h"
#include "ui/win32/Texts.h"
#include "ui/win32/Win32Ui.h"
#include "ui/win32/Window.h"

namespace dm::win32 {

namespace {

class SyncPlan : public Modal {
public:
    SyncPlan(dirCompare& comp, const std::vector<SyncStep>& plan, MainPresenter& presenter)
        : comp_(comp), plan_(plan), presenter_(presenter)
    {
    }

    std::set<std::string> leftOut() const
    {
        std::set<std::string> out;
        for (size_t i = 0; i < plan_.size(); ++i)
            if (!ListView_GetCheckState(list_, int(i))) out.insert(plan_[i].source);
        return out;
    }

private:
    enum { kList = 10, kTotals, kKeepReplaced, kBackupFolder, kKeepNewer };

    void build() override
    {
        control(L"STATIC", shown(messageText(msg::SyncConfirm)), 0, 12, 8, 736, 20, 0);
        list_ = control(WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 12, 32, 736, 320, kList,
                        WS_EX_CLIENTEDGE);
        ListView_SetExtendedListViewStyle(list_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        const std::pair<std::string, int> columns[] = {{textIn("原因", "Why"), 160},
                                                       {textIn("从 A", "From A"), 245},
                                                       {textIn("到 B", "To B"), 245},
                                                       {textIn("大小", "Size"), 80}};
        for (int c = 0; c < 4; ++c) {
            const std::wstring title = shown(columns[c].first);
            LVCOLUMNW column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(title.c_str());
            column.cx = px(columns[c].second);
            ListView_InsertColumn(list_, c, &column);
        }
        const PlanChoices choices = presenter_.planChoices();
        control(L"BUTTON", shown(textIn("被替换的文件保存到:", "Keep replaced files in:")),
                WS_TABSTOP | BS_AUTOCHECKBOX, 12, 360, 170, 20, kKeepReplaced);
        control(L"EDIT", shown(choices.backupFolder), WS_TABSTOP | ES_AUTOHSCROLL, 186, 358, 300, 22, kBackupFolder,
                WS_EX_CLIENTEDGE);
        control(L"BUTTON", shown(textIn("保留 B 中较新的文件", "Leave files newer in B")), WS_TABSTOP | BS_AUTOCHECKBOX,
                500, 360, 248, 20, kKeepNewer);
        CheckDlgButton(hwnd_, kKeepReplaced, choices.keepReplaced ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(hwnd_, kKeepNewer, choices.keepNewer ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(hwnd_, kBackupFolder), choices.keepReplaced);
        const std::vector<PlanRow> rows = planRows(plan_, comp_.sideA().shown({}), comp_.sideB().shown({}));
        cells_.attach(list_);
        for (int i = 0; i < int(rows.size()); ++i) {
            const PlanRow& row = rows[size_t(i)];
            const std::string texts[] = {row.why, row.from, row.to, row.size};
            for (int c = 0; c < 4; ++c) cells_.setText(i, c, shown(texts[c]));
            ListView_SetCheckState(list_, i, tickedFirst(plan_[size_t(i)], choices.keepNewer));
        }
        if (!rows.empty()) ListView_SetItemState(list_, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        totals_ = control(L"STATIC", L"", 0, 12, 394, 500, 20, kTotals);
        start_ =
            control(L"BUTTON", shown(textIn("开始", "Start")), WS_TABSTOP | BS_DEFPUSHBUTTON, 592, 390, 75, 25, IDOK);
        control(L"BUTTON", shown(textIn("取消", "Cancel")), WS_TABSTOP, 673, 390, 75, 25, IDCANCEL);
        ready_ = true;
        showTotals();
    }

    void showTotals()
    {
        std::vector<bool> ticked;
        for (size_t i = 0; i < plan_.size(); ++i) ticked.push_back(ListView_GetCheckState(list_, int(i)) != 0);
        const PlanTotals totals = planTotals(plan_, ticked);
        SetWindowTextW(totals_, shown(totals.text).c_str());
        EnableWindow(start_, totals.mayStart);
    }

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_NOTIFY && cells_.notify(reinterpret_cast<const NMHDR*>(lParam))) return 0;
        if (msg == WM_NOTIFY && ready_) {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
            if (change->hdr.hwndFrom == list_ && change->hdr.code == LVN_ITEMCHANGED && (change->uChanged & LVIF_STATE))
                showTotals();
        }
        return Modal::message(msg, wParam, lParam);
    }

    bool checked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }

    bool command(int id, int) override
    {
        if (id == kKeepReplaced) {
            EnableWindow(GetDlgItem(hwnd_, kBackupFolder), checked(kKeepReplaced));
            return true;
        }
        if (id == kKeepNewer) {
            for (size_t i = 0; i < plan_.size(); ++i)
                if (plan_[i].newerInB)
                    ListView_SetCheckState(list_, int(i), tickedFirst(plan_[i], checked(kKeepNewer)));
            return true;
        }
        if (id != IDOK) return false;
        if (!IsWindowEnabled(start_)) return true;
        HWND edit = GetDlgItem(hwnd_, kBackupFolder);
        std::wstring folder(size_t(GetWindowTextLengthW(edit)) + 1, L'\0');
        folder.resize(size_t(GetWindowTextW(edit, folder.data(), int(folder.size()))));
        const std::string why =
            presenter_.choosePlan({checked(kKeepReplaced), narrow(folder), checked(kKeepNewer)}, comp_);
        if (why.empty())
            end(IDOK);
        else
            messageBox(hwnd_, shown(why));
        return true;
    }

    dirCompare& comp_;
    const std::vector<SyncStep>& plan_;
    MainPresenter& presenter_;
    HWND list_ = nullptr;
    PathList cells_;
    HWND totals_ = nullptr;
    HWND start_ = nullptr;
    bool ready_ = false;
};

}  // namespace

bool confirmPlan(HWND owner, dirCompare& comp, const std::vector<SyncStep>& plan, std::set<std::string>& leftOut,
                 MainPresenter& presenter)
{
    SyncPlan dialog(comp, plan, presenter);
    if (dialog.run(owner, shown(messageText(msg::SyncConfirmCaption)), 760, 424) != IDOK) return false;
    leftOut = dialog.leftOut();
    return true;
}

}  // namespace dm::win32
