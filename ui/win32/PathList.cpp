#include "ui/win32/PathList.h"

#include <algorithm>

namespace dm::win32 {

void PathList::attach(HWND list)
{
    list_ = list;
    ListView_SetExtendedListViewStyleEx(list_, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
}

void PathList::setText(int row, int column, std::wstring text)
{
    if (cells_.size() <= size_t(row)) cells_.resize(size_t(row) + 1);
    auto& cells = cells_[size_t(row)];
    if (cells.size() <= size_t(column)) cells.resize(size_t(column) + 1);
    cells[size_t(column)] = std::move(text);
    while (ListView_GetItemCount(list_) <= row) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = ListView_GetItemCount(list_);
        item.pszText = LPSTR_TEXTCALLBACKW;
        ListView_InsertItem(list_, &item);
    }
    if (column > 0) ListView_SetItemText(list_, row, column, LPSTR_TEXTCALLBACKW);
    ListView_RedrawItems(list_, row, row);
}

std::wstring PathList::cut(const std::wstring& text, int column) const
{
    // The room the list leaves for text in a cell: its width less the margins.
    const int room = ListView_GetColumnWidth(list_, column) - GetSystemMetrics(SM_CXEDGE) * 6;
    // A text that is no path is cut at its end, as the list cuts it.
    if (room <= 0 || text.find_first_of(L"\\/") == std::wstring::npos) return text;
    HDC dc = GetDC(list_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
    std::wstring fitted = text;
    if (size.cx > room) {
        // Cut in the middle where the text is a path, keeping its last part;
        // the system adds the dots and says where the text now ends.
        fitted.append(4, L'\0');
        RECT box = {0, 0, room, size.cy};
        DrawTextW(dc, fitted.data(), int(text.size()), &box,
                  DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS | DT_MODIFYSTRING | DT_CALCRECT);
        fitted.resize(std::wcslen(fitted.c_str()));
    }
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
    return fitted;
}

bool PathList::notify(const NMHDR* header)
{
    if (!list_ || header->hwndFrom != list_) return false;
    if (header->code == LVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header));
        LVITEMW& item = info->item;
        if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || size_t(item.iItem) >= cells_.size()) return true;
        const auto& cells = cells_[size_t(item.iItem)];
        const std::wstring text =
            size_t(item.iSubItem) < cells.size() ? cut(cells[size_t(item.iSubItem)], item.iSubItem) : L"";
        if (item.cchTextMax <= 0) return true;
        const size_t n = std::min(text.size(), size_t(item.cchTextMax) - 1);
        text.copy(item.pszText, n);
        item.pszText[n] = L'\0';
        return true;
    }
    if (header->code == LVN_GETINFOTIPW) {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(const_cast<NMHDR*>(header));
        if (tip->iItem < 0 || size_t(tip->iItem) >= cells_.size() || tip->cchTextMax <= 0) return true;
        std::wstring whole;
        for (const std::wstring& cell : cells_[size_t(tip->iItem)]) {
            if (cell.empty()) continue;
            if (!whole.empty()) whole += L"\n";
            whole += cell;
        }
        const size_t n = std::min(whole.size(), size_t(tip->cchTextMax) - 1);
        whole.copy(tip->pszText, n);
        tip->pszText[n] = L'\0';
        return true;
    }
    return false;
}

}  // namespace dm::win32
