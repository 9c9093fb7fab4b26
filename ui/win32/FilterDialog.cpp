// The filter lists: what a comparison takes in (left) and what it and a
// synchronization leave out (right), kept in the data module only on OK, and
// saved to or loaded from a filter file.
#include "config/Dmodule.h"
#include "config/FilterFile.h"
#include "platform/ProgramPaths.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/Texts.h"
#include "ui/win32/Window.h"

namespace dm::win32 {

namespace {

class TdlgSetCom : public Modal {
public:
    explicit TdlgSetCom(TDM& dm) : dm_(dm) {}

private:
    enum { kDoCompare = 10, kNotCompare, kSave, kOpen };
    void build() override
    {
        const DWORD memo =
            WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN;
        control(L"STATIC", tr("需要比较的项"), 0, 16, 16, 185, 14, 0);
        control(L"STATIC", tr("不要比较的项"), 0, 208, 16, 185, 14, 0);
        control(L"EDIT", L"", memo, 16, 32, 185, 169, kDoCompare, WS_EX_CLIENTEDGE);
        control(L"EDIT", L"", memo, 208, 32, 185, 169, kNotCompare, WS_EX_CLIENTEDGE);
        control(L"EDIT",
                tr("文件名包含左栏中任一字符串，并且不包含右栏中任一字符串的文件") + L"\r\n" +
                    tr("，会进行比较，否则将不进行比较。在同步时也不更新该项。"),
                ES_MULTILINE | ES_READONLY, 16, 208, 377, 49, 0, WS_EX_CLIENTEDGE);
        control(L"BUTTON", tr("保存"), WS_TABSTOP, 16, 264, 49, 25, kSave);
        control(L"BUTTON", tr("打开"), WS_TABSTOP, 72, 264, 49, 25, kOpen);
        control(L"BUTTON", tr("确定"), WS_TABSTOP | BS_DEFPUSHBUTTON, 240, 264, 73, 25, IDOK);
        control(L"BUTTON", tr("取消"), WS_TABSTOP, 320, 264, 73, 25, IDCANCEL);
        // Each showing starts from the lists as they are.
        show(dm_.DoCompareList, dm_.NotUpdateList);
    }
    // Enter makes a new line in a list; OK is pressed as a button.
    int defaultButton() const override { return 0; }

    void show(const StringList& doCompare, const StringList& notUpdate)
    {
        SetDlgItemTextW(hwnd_, kDoCompare, wide(memoText(doCompare, "\r\n")).c_str());
        SetDlgItemTextW(hwnd_, kNotCompare, wide(memoText(notUpdate, "\r\n")).c_str());
    }
    StringList lines(int memo) const
    {
        HWND edit = GetDlgItem(hwnd_, memo);
        std::wstring text(size_t(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(size_t(GetWindowTextW(edit, text.data(), int(text.size()))));
        return memoLines(narrow(text));
    }

    // A filter file chosen in the folder last used; "" when cancelled.
    std::string chooseFile(bool save)
    {
        wchar_t path[MAX_PATH] = {};
        const std::wstring folder = wide(dm_.FilterFolder);
        OPENFILENAMEW dialog = {};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = hwnd_;
        dialog.lpstrFile = path;
        dialog.nMaxFile = MAX_PATH;
        dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
        dialog.lpstrDefExt = L"dat";
        dialog.Flags = OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : 0);
        if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) return {};
        const std::string chosen = narrow(path);
        dm_.FilterFolder = platform::folderOf(chosen);
        return chosen;
    }

    bool command(int id, int) override
    {
        switch (id) {
            case IDOK:
                setFilters(dm_, lines(kDoCompare), lines(kNotCompare));
                end(IDOK);
                return true;
            case kOpen: {
                const std::string file = chooseFile(false);
                if (file.empty()) return true;
                StringList doCompare;
                StringList notUpdate;
                loadFilterFile(file, doCompare, notUpdate);
                show(doCompare, notUpdate);
                return true;
            }
            case kSave: {
                const std::string file = chooseFile(true);
                std::string error;
                if (!file.empty() && !saveFilterFile(file, lines(kDoCompare), lines(kNotCompare), error))
                    messageBox(hwnd_, shown(error));
                return true;
            }
            default: return false;
        }
    }

    TDM& dm_;
};

}  // namespace

void editFilters(HWND owner, TDM& dm)
{
    TdlgSetCom dialog(dm);
    dialog.run(owner, tr("设置比较项"), 403, 295);
}

}  // namespace dm::win32
