// The result tree of the Win32 main window: a folder's children are made
// when it is first opened, so that a tree of any size shows at once.

#include <cstdio>

#include "config/Dmodule.h"
#include "engine/compare/ResultView.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Texts.h"

namespace dm::win32 {

namespace {

int shownChildren(const result_t& folder, bool onlyDiff)
{
    int shown = 0;
    if (folder.children)
        for (const auto& child : *folder.children) shown += isShown(*child, onlyDiff) ? 1 : 0;
    return shown;
}

}  // namespace

void MainWindow::clearTree()
{
    TreeView_DeleteAllItems(tree_);
    showDetails();
}

void MainWindow::fillTree()
{
    if (!presenter.resultValid || !presenter.comparer) return;
    result_t& results = presenter.comparer->results;
    const std::wstring text = wide(presenter.comparer->pathB);
    TVINSERTSTRUCTW insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.lParam = reinterpret_cast<LPARAM>(&results);
    insert.item.iImage = insert.item.iSelectedImage = StateNone;
    HTREEITEM header = TreeView_InsertItem(tree_, &insert);
    SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
    addChildren(header, results);
    SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
    TreeView_Expand(tree_, header, TVE_EXPAND);
    TreeView_SelectItem(tree_, header);
    tellTest();
}

HTREEITEM MainWindow::addNode(HTREEITEM parent, result_t& item)
{
    const bool folder = showsChildren(item);
    const std::wstring text = wide(folder ? folderNodeText(item.name, shownChildren(item, dm_.OnlyDiff)) : item.name);
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.lParam = reinterpret_cast<LPARAM>(&item);
    insert.item.iImage = insert.item.iSelectedImage = stateIndexOf(item);
    // Its children are made when it is opened.
    insert.item.cChildren = folder && shownChildren(item, dm_.OnlyDiff) > 0 ? 1 : 0;
    return TreeView_InsertItem(tree_, &insert);
}

void MainWindow::addChildren(HTREEITEM node, result_t& folder)
{
    if (!folder.children) return;
    for (const auto& child : *folder.children)
        if (isShown(*child, dm_.OnlyDiff)) addNode(node, *child);
}

void MainWindow::expanding(HTREEITEM node)
{
    if (TreeView_GetChild(tree_, node)) return;  // made already
    TVITEMW item = {};
    item.mask = TVIF_PARAM;
    item.hItem = node;
    TreeView_GetItem(tree_, &item);
    if (auto* folder = reinterpret_cast<result_t*>(item.lParam)) addChildren(node, *folder);
}

result_t* MainWindow::selected() const
{
    HTREEITEM node = TreeView_GetSelection(tree_);
    if (!node || !presenter.comparer || !TreeView_GetParent(tree_, node)) return nullptr;
    TVITEMW item = {};
    item.mask = TVIF_PARAM;
    item.hItem = node;
    TreeView_GetItem(tree_, &item);
    return reinterpret_cast<result_t*>(item.lParam);
}

void MainWindow::showDetails()
{
    StringList texts;
    const result_t* item = selected();
    if (item && presenter.comparer) presenter.comparer->details(*item, texts);
    for (int i = 0; i < 15; ++i) {
        const std::wstring text = size_t(i) < texts.size() ? wide(texts[size_t(i)]) : std::wstring();
        ListView_SetItemText(details_, i % 5, i / 5, const_cast<wchar_t*>(text.c_str()));
    }
}

void MainWindow::showStatus()
{
    for (int i = 0; i < 5; ++i) {
        const std::wstring text = wide(panels_[i]);
        SendMessageW(status_, SB_SETTEXTW, WPARAM(i), reinterpret_cast<LPARAM>(text.c_str()));
    }
    tellTest();
}

void MainWindow::tellTest() const
{
    // A test of the real window under wine reads what it shows here: no
    // accessibility interface reaches into it there.
    const char* file = std::getenv("DIRMATCH_GUI_STATE");
    if (!file || !*file) return;
    std::FILE* out = std::fopen(file, "wb");
    if (!out) return;
    std::fprintf(out, "busy: %d\n", busy_ ? 1 : 0);
    // The window a modal question or dialog put before this one, by its title.
    HWND modal = GetLastActivePopup(hwnd_);
    wchar_t title[256] = {};
    if (modal && modal != hwnd_ && IsWindowVisible(modal)) GetWindowTextW(modal, title, 256);
    std::fprintf(out, "modal: %s\n", narrow(title).c_str());
    for (int i = 0; i < 5; ++i) std::fprintf(out, "panel%d: %s\n", i, panels_[i].c_str());
    for (int i = 0; i < 5; ++i) {
        RECT at;
        GetWindowRect(buttons_[i], &at);
        std::fprintf(out, "button%d: %ld %ld %d\n", i, (at.left + at.right) / 2, (at.top + at.bottom) / 2,
                     IsWindowEnabled(buttons_[i]) ? 1 : 0);
    }
    std::fclose(out);
}

}  // namespace dm::win32
