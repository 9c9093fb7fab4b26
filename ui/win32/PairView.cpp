// A pair of files side by side: their lines with what differs coloured, or
// for binary content the rows of bytes where they first differ; F8 and
// Shift+F8 go from one difference to the next.
#include <algorithm>

#include "engine/compare/PairDiff.h"
#include "platform/FileRead.h"
#include "platform/SysError.h"
#include "ui/presenter/PairSummary.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/Texts.h"
#include "ui/win32/Win32Ui.h"
#include "ui/win32/Window.h"

namespace dm::win32 {

namespace {

constexpr COLORREF kChanged = RGB(0xFF, 0xE8, 0xC0);
constexpr COLORREF kRemoved = RGB(0xFF, 0xD6, 0xD6);
constexpr COLORREF kAdded = RGB(0xD6, 0xF0, 0xD6);
constexpr uint64_t kHexBytes = 512;

class PairView : public Modal {
public:
    PairView(std::string pathA, std::string pathB) : pathA_(std::move(pathA)), pathB_(std::move(pathB)) {}

private:
    enum { kSummary = 10, kLines, kPrevious, kNext };

    void build() override
    {
        summary_ = control(L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 8, 8, 884, 18, kSummary);
        lines_ = control(WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                         8, 30, 884, 490, kLines, WS_EX_CLIENTEDGE);
        ListView_SetExtendedListViewStyle(lines_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        const std::wstring titles[] = {L"", shown(pathA_), L"", shown(pathB_)};
        for (int c = 0; c < 4; ++c) {
            LVCOLUMNW column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(titles[c].c_str());
            column.cx = px(c % 2 == 0 ? 48 : 380);
            ListView_InsertColumn(lines_, c, &column);
        }
        control(L"BUTTON", withKey("上一个不同项", L'P') + L" (Shift+F8)", WS_TABSTOP, 8, 528, 200, 25, kPrevious);
        control(L"BUTTON", withKey("下一个不同项", L'N') + L" (F8)", WS_TABSTOP, 216, 528, 200, 25, kNext);
        control(L"BUTTON", tr("关闭"), WS_TABSTOP | BS_DEFPUSHBUTTON, 817, 528, 75, 25, IDCANCEL);
        read();
    }

    void read()
    {
        HCURSOR old = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
        PairContent content = readPair(pathA_, pathB_);
        SetCursor(old);
        if (content.error) {
            SetWindowTextW(summary_,
                           shown(std::string(1, content.side) + ": " + platform::systemMessage(content.error)).c_str());
            return;
        }
        if (content.binary) return showBytes(content.first);
        SetWindowTextW(summary_, shown(textSummary(content, !pathA_.empty(), !pathB_.empty())).c_str());
        if (content.a) textA_ = std::move(content.a->lines);
        if (content.b) textB_ = std::move(content.b->lines);
        diff_ = std::move(content.diff);
        ListView_SetItemCountEx(lines_, int(diff_.rows.size()), 0);
        if (!diff_.blocks.empty()) select(0);
    }

    // Bytes: rows of 16 of each file from a little before the first difference.
    void showBytes(const ByteDifference& first)
    {
        SetWindowTextW(summary_, shown(bytesSummary(first, !pathA_.empty(), !pathB_.empty())).c_str());
        if (first.error) return;
        const uint64_t at = first.offset.value_or(0) / 16 * 16;
        const uint64_t from = at >= 64 ? at - 64 : 0;
        const auto rowsOf = [from](const std::string& path) {
            std::vector<std::string> rows;
            std::string bytes;
            if (!path.empty()) platform::readFileRange(path, from, kHexBytes, bytes);
            const std::string text = hexRows(bytes, from);
            for (size_t begin = 0, end; begin < text.size(); begin = end + 1) {
                end = std::min(text.find('\n', begin), text.size());
                rows.push_back(text.substr(begin, end - begin));
            }
            return rows;
        };
        textA_ = rowsOf(pathA_);
        textB_ = rowsOf(pathB_);
        diff_ = {};
        for (size_t i = 0; i < std::max(textA_.size(), textB_.size()); ++i) {
            const bool differs = first.offset && from + 16 * i == at;
            diff_.rows.push_back({differs ? RowKind::Changed : RowKind::Same, i < textA_.size() ? int32_t(i) : -1,
                                  i < textB_.size() ? int32_t(i) : -1});
            if (differs) diff_.blocks.push_back(i);
        }
        ListView_SetItemCountEx(lines_, int(diff_.rows.size()), 0);
        if (!diff_.blocks.empty()) select(0);
    }

    void select(size_t block)
    {
        block_ = block;
        const int row = int(diff_.blocks[block]);
        ListView_SetItemState(lines_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(lines_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        // A few rows of what comes after are in sight too.
        ListView_EnsureVisible(lines_, std::min(row + 8, int(diff_.rows.size()) - 1), FALSE);
        ListView_EnsureVisible(lines_, row, FALSE);
    }

    void goToDifference(bool forward)
    {
        if (diff_.blocks.empty()) return;
        if (forward && block_ + 1 < diff_.blocks.size()) select(block_ + 1);
        if (!forward && block_ > 0) select(block_ - 1);
    }

    bool shortcut(const MSG& msg) override
    {
        if (msg.message != WM_KEYDOWN || msg.wParam != VK_F8) return false;
        goToDifference(GetKeyState(VK_SHIFT) >= 0);
        return true;
    }

    bool command(int id, int) override
    {
        if (id != kPrevious && id != kNext) return false;
        goToDifference(id == kNext);
        return true;
    }

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg != WM_NOTIFY) return Modal::message(msg, wParam, lParam);
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom != lines_) return Modal::message(msg, wParam, lParam);
        if (header->code == LVN_GETDISPINFOW) {
            LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
            if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || size_t(item.iItem) >= diff_.rows.size()) return 0;
            const DiffRow& row = diff_.rows[size_t(item.iItem)];
            const bool sideA = item.iSubItem < 2;
            const int32_t line = sideA ? row.lineA : row.lineB;
            const std::vector<std::string>& text = sideA ? textA_ : textB_;
            std::wstring cell;
            if (line >= 0 && size_t(line) < text.size())
                cell = item.iSubItem % 2 == 0 ? std::to_wstring(line + 1) : shown(text[size_t(line)]);
            const size_t n = std::min(cell.size(), size_t(std::max(0, item.cchTextMax - 1)));
            cell.copy(item.pszText, n);
            if (item.cchTextMax > 0) item.pszText[n] = L'\0';
            return 0;
        }
        if (header->code == NM_CUSTOMDRAW) {
            auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
            if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
            if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYSUBITEMDRAW;
            if (draw->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
                const size_t index = draw->nmcd.dwItemSpec;
                const RowKind kind = index < diff_.rows.size() ? diff_.rows[index].kind : RowKind::Same;
                const bool sideA = draw->iSubItem < 2;
                COLORREF colour = GetSysColor(COLOR_WINDOW);
                if (kind == RowKind::Changed) colour = kChanged;
                if (kind == RowKind::Removed && sideA) colour = kRemoved;
                if (kind == RowKind::Added && !sideA) colour = kAdded;
                draw->clrTextBk = colour;
                return CDRF_NEWFONT;
            }
        }
        return Modal::message(msg, wParam, lParam);
    }

    std::string pathA_;
    std::string pathB_;
    HWND summary_ = nullptr;
    HWND lines_ = nullptr;
    std::vector<std::string> textA_;
    std::vector<std::string> textB_;
    TextDiff diff_;
    size_t block_ = 0;
};

}  // namespace

void showPairView(HWND owner, const std::string& title, const std::string& pathA, const std::string& pathB)
{
    PairView view(pathA, pathB);
    view.run(owner, shown(title), 900, 561);
}

}  // namespace dm::win32
