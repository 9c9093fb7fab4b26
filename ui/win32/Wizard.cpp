// The wizard: folder A, folder B, then the rules, a step at a time; Enter
// moves on from each step.

#include <vector>

#include "common/Messages.h"
#include "config/Dmodule.h"
#include "ui/presenter/WizardPresenter.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/Texts.h"
#include "ui/win32/Win32Ui.h"
#include "ui/win32/Window.h"

namespace dm::win32 {

namespace {

class Wizard : public Modal {
public:
    Wizard(TDM& dm, int firstStep) : dm_(dm), presenter_(dm), step_(firstStep) {}

private:
    enum {
        kBoxA = 10,
        kBrowseA,
        kNext,
        kBoxB,
        kBrowseB,
        kNext2,
        kSwap,
        kVersion,
        kTime,
        kSubFolders,
        kSize,
        kContent,
        kOnlyDiff,
        kFilters,
        kStart,
    };

    void build() override
    {
        const auto title = [&](const char* text) {
            HWND t = control(L"STATIC", tr(text), 0, 24, 16, 300, 16, 0);
            bold_ = bold_ ? bold_ : formFont(12, true, dpi_);
            SendMessageW(t, WM_SETFONT, reinterpret_cast<WPARAM>(bold_), TRUE);
            return t;
        };
        const auto folderBox = [&](int id, const StringList& history, const std::string& folder) {
            HWND box = control(L"COMBOBOX", L"", WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 24, 64, 369,
                               200, id);
            for (const std::string& used : history)
                SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(used).c_str()));
            SetWindowTextW(box, wide(folder).c_str());
            return box;
        };
        steps_[0] = {title("第一步，请选择标准文件夹 A"),
                     control(L"STATIC", tr("选择用于比较的第一个文件夹，作为比较的标准；"), 0, 40, 40, 385, 21, 0),
                     folderBox(kBoxA, dm_.HistoryA, dm_.StandardDir),
                     control(L"BUTTON", L"...", WS_TABSTOP, 400, 64, 25, 22, kBrowseA),
                     control(L"BUTTON", tr("下一步"), WS_TABSTOP, 272, 104, 75, 25, kNext),
                     control(L"BUTTON", tr("取消"), WS_TABSTOP, 352, 104, 75, 25, IDCANCEL)};
        steps_[1] = {title("第二步，请选择待比较文件夹 B"),
                     control(L"STATIC", tr("选择用于比较的第二个文件夹，与第一步选择的标准文件夹进行比较。"), 0, 40, 40,
                             385, 21, 0),
                     folderBox(kBoxB, dm_.HistoryB, dm_.LocalDir),
                     control(L"BUTTON", L"...", WS_TABSTOP, 400, 64, 25, 22, kBrowseB),
                     control(L"BUTTON", tr("下一步"), WS_TABSTOP, 272, 104, 75, 25, kNext2),
                     control(L"BUTTON", tr("交换 A 与 B"), WS_TABSTOP, 24, 104, 110, 25, kSwap),
                     control(L"BUTTON", tr("取消"), WS_TABSTOP, 352, 104, 75, 25, IDCANCEL)};
        const WizardPresenter::Choices c = presenter_.choices();
        const auto check = [&](const char* text, int x, int y, int w, int id, bool on) {
            HWND box = control(L"BUTTON", tr(text), WS_TABSTOP | BS_AUTOCHECKBOX, x, y, w, 17, id);
            SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
            return box;
        };
        steps_[2] = {title("第三步，请选择比较选项"),
                     check("版本比较", 40, 49, 121, kVersion, c.version),
                     check("修改时间比较", 168, 49, 121, kTime, c.time),
                     check("包含子文件夹", 40, 73, 121, kSubFolders, c.subFolders),
                     check("文件大小比较", 168, 73, 121, kSize, c.size),
                     check("比较文件内容", 292, 73, 146, kContent, c.content),
                     check("只显示不同", 24, 105, 121, kOnlyDiff, c.onlyDiff),
                     control(L"BUTTON", tr("高级"), WS_TABSTOP, 344, 48, 81, 25, kFilters),
                     control(L"BUTTON", tr("开始比较"), WS_TABSTOP, 272, 104, 75, 25, kStart),
                     control(L"BUTTON", tr("取消"), WS_TABSTOP, 352, 104, 75, 25, IDCANCEL)};
        show(step_);
    }

    void show(int step)
    {
        step_ = step;
        for (int s = 0; s < 3; ++s)
            for (HWND c : steps_[s]) ShowWindow(c, s == step ? SW_SHOW : SW_HIDE);
        // Typing goes on in the step that is shown.
        SetFocus(GetDlgItem(hwnd_, step == 0 ? kBoxA : step == 1 ? kBoxB : kStart));
    }

    int defaultButton() const override { return step_ == 0 ? kNext : step_ == 1 ? kNext2 : kStart; }

    std::string typed(int id) const
    {
        wchar_t text[4096] = {};
        GetDlgItemTextW(hwnd_, id, text, 4096);
        return narrow(text);
    }
    bool taken(const std::string& why)
    {
        if (!why.empty()) messageBox(hwnd_, shown(why));
        return why.empty();
    }
    bool checked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }

    void browse(int box, std::string& folder)
    {
        BROWSEINFOW info = {};
        info.hwndOwner = hwnd_;
        const std::wstring title = shown(messageText(msg::SelectDirectory));
        info.lpszTitle = title.c_str();
        info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
        if (!chosen) return;
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(chosen, path)) {
            SetDlgItemTextW(hwnd_, box, path);
            // A folder picked in the browser is kept at once, even if the wizard is then cancelled.
            folder = narrow(path);
        }
        CoTaskMemFree(chosen);
    }

    bool command(int id, int) override
    {
        switch (id) {
            case kNext:
                if (taken(presenter_.takeA(typed(kBoxA)))) show(1);
                return true;
            case kNext2:
                if (taken(presenter_.takeB(typed(kBoxB)))) show(2);
                return true;
            case kBrowseA: browse(kBoxA, dm_.StandardDir); return true;
            case kFilters: editFilters(hwnd_, dm_); return true;
            case kBrowseB: browse(kBoxB, dm_.LocalDir); return true;
            case kSwap: {
                const std::string a = typed(kBoxA);
                SetDlgItemTextW(hwnd_, kBoxA, wide(typed(kBoxB)).c_str());
                SetDlgItemTextW(hwnd_, kBoxB, wide(a).c_str());
                presenter_.swap();
                return true;
            }
            case kStart:
                presenter_.start({checked(kSize), checked(kTime), checked(kVersion), checked(kSubFolders),
                                  checked(kContent), checked(kOnlyDiff)});
                end(IDOK);
                return true;
            default: return false;
        }
    }

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_DESTROY && bold_) DeleteObject(bold_);
        return Modal::message(msg, wParam, lParam);
    }

    TDM& dm_;
    WizardPresenter presenter_;
    std::vector<HWND> steps_[3];
    int step_ = 0;
    HFONT bold_ = nullptr;
};

}  // namespace

bool runWizard(HWND owner, TDM& dm, int firstStep)
{
    Wizard wizard(dm, firstStep);
    return wizard.run(owner, tr("文件夹比较向导"), 441, 138) == IDOK;
}

}  // namespace dm::win32
