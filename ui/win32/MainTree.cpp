// The result tree of the Win32 main window: a folder's children are made
// when it is first opened, so that a tree of any size shows at once.

#include <cstdio>

#include "config/Dmodule.h"
#include "engine/compare/ResultView.h"
#include "ui/presenter/Marks.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Texts.h"

namespace dm::win32 {

namespace {

int shownChildren(const result_t& folder, const ShowFilter& filter)
{
    int shown = 0;
    if (folder.children)
        for (const auto& child : *folder.children) shown += isShownBy(*child, filter) ? 1 : 0;
    return shown;
}

result_t* resultOf(HWND tree, HTREEITEM node)
{
    TVITEMW item = {};
    item.mask = TVIF_PARAM;
    item.hItem = node;
    TreeView_GetItem(tree, &item);
    return reinterpret_cast<result_t*>(item.lParam);
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
    const std::wstring text = wide(folder ? folderNodeText(item.name, shownChildren(item, showFilter_)) : item.name);
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.lParam = reinterpret_cast<LPARAM>(&item);
    insert.item.iImage = insert.item.iSelectedImage = stateIndexOf(item);
    // Its children are made when it is opened.
    insert.item.cChildren = folder && shownChildren(item, showFilter_) > 0 ? 1 : 0;
    return TreeView_InsertItem(tree_, &insert);
}

void MainWindow::addChildren(HTREEITEM node, result_t& folder)
{
    if (!folder.children) return;
    for (const auto& child : *folder.children)
        if (isShownBy(*child, showFilter_)) addNode(node, *child);
}

void MainWindow::expanding(HTREEITEM node)
{
    if (TreeView_GetChild(tree_, node)) return;  // made already
    if (result_t* folder = resultOf(tree_, node)) addChildren(node, *folder);
}

void MainWindow::goToDifference(bool forward)
{
    // Rows in the order the tree shows them, those in folded folders
    // included (made as the search passes them); a folder is passed for
    // what differs inside it.
    HTREEITEM const current = TreeView_GetSelection(tree_);
    const auto isDifference = [this](HTREEITEM node) {
        expanding(node);
        const result_t* item = resultOf(tree_, node);
        return TreeView_GetParent(tree_, node) && !TreeView_GetChild(tree_, node) && item &&
               isDifferenceMark(stateIndexOf(*item));
    };
    const auto following = [this](HTREEITEM node) {
        expanding(node);
        if (HTREEITEM child = TreeView_GetChild(tree_, node)) return child;
        for (; node; node = TreeView_GetParent(tree_, node))
            if (HTREEITEM next = TreeView_GetNextSibling(tree_, node)) return next;
        return HTREEITEM(nullptr);
    };
    HTREEITEM found = nullptr;
    bool passed = !current;
    for (HTREEITEM node = TreeView_GetRoot(tree_); node; node = following(node)) {
        if (node == current) {
            if (!forward) break;
            passed = true;
        } else if ((passed || !forward) && isDifference(node)) {
            found = node;
            if (forward) break;
        }
    }
    if (!found) return;
    TreeView_EnsureVisible(tree_, found);
    TreeView_SelectItem(tree_, found);
}

void MainWindow::expandAll(bool open)
{
    SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
    std::vector<HTREEITEM> nodes{TreeView_GetRoot(tree_)};
    while (!nodes.empty()) {
        HTREEITEM node = nodes.back();
        nodes.pop_back();
        if (!node) continue;
        // Closing needs no rows made: only those made can be open.
        if (open) expanding(node);
        for (HTREEITEM child = TreeView_GetChild(tree_, node); child; child = TreeView_GetNextSibling(tree_, child))
            nodes.push_back(child);
        if (TreeView_GetChild(tree_, node) && TreeView_GetParent(tree_, node))
            TreeView_Expand(tree_, node, open ? TVE_EXPAND : TVE_COLLAPSE);
    }
    SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
}

std::vector<std::string> MainWindow::namesOf(HTREEITEM node) const
{
    std::vector<std::string> names;
    for (; node && TreeView_GetParent(tree_, node); node = TreeView_GetParent(tree_, node))
        if (const result_t* item = resultOf(tree_, node)) names.insert(names.begin(), item->name);
    return names;
}

HTREEITEM MainWindow::nodeAt(const std::vector<std::string>& names)
{
    HTREEITEM node = TreeView_GetRoot(tree_);
    for (const std::string& name : names) {
        if (!node) break;
        expanding(node);
        HTREEITEM child = TreeView_GetChild(tree_, node);
        while (child && resultOf(tree_, child)->name != name) child = TreeView_GetNextSibling(tree_, child);
        if (!child) break;  // gone: the nearest folder that is still there
        node = child;
    }
    return node;
}

MainWindow::Place MainWindow::place() const
{
    Place place;
    // Only rows made can be open; the walk goes no deeper than they reach.
    std::vector<HTREEITEM> open;
    for (HTREEITEM node = TreeView_GetRoot(tree_); node; node = TreeView_GetNextSibling(tree_, node))
        open.push_back(node);
    while (!open.empty()) {
        HTREEITEM node = open.back();
        open.pop_back();
        if (!(TreeView_GetItemState(tree_, node, TVIS_EXPANDED) & TVIS_EXPANDED)) continue;
        place.open.insert(namesOf(node));
        for (HTREEITEM child = TreeView_GetChild(tree_, node); child; child = TreeView_GetNextSibling(tree_, child))
            open.push_back(child);
    }
    if (HTREEITEM selection = TreeView_GetSelection(tree_)) place.selected = namesOf(selection);
    if (HTREEITEM top = TreeView_GetFirstVisible(tree_)) place.top = namesOf(top);
    return place;
}

void MainWindow::goTo(const Place& place)
{
    SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
    for (const std::vector<std::string>& names : place.open) {
        HTREEITEM node = nodeAt(names);
        if (node && namesOf(node) == names) TreeView_Expand(tree_, node, TVE_EXPAND);
    }
    if (HTREEITEM node = nodeAt(place.selected)) TreeView_SelectItem(tree_, node);
    if (HTREEITEM node = nodeAt(place.top)) TreeView_SelectSetFirstVisible(tree_, node);
    SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
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
    // Texts column by column, five each; the first of each is the header's.
    for (int i = 0; i < 15; ++i) {
        if (i % 5 == 0) continue;
        detailCells_.setText(i % 5 - 1, i / 5, size_t(i) < texts.size() ? wide(texts[size_t(i)]) : std::wstring());
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
    // The row that has the keyboard: its name and mark, where the tree has it.
    const result_t* row = GetFocus() == tree_ ? selected() : nullptr;
    std::fprintf(out, "selected: %s\n", row ? (row->name + " " + std::to_string(stateIndexOf(*row))).c_str() : "");
    for (int i = 0; i < 5; ++i) {
        RECT at;
        GetWindowRect(buttons_[i], &at);
        std::fprintf(out, "button%d: %ld %ld %d\n", i, (at.left + at.right) / 2, (at.top + at.bottom) / 2,
                     IsWindowEnabled(buttons_[i]) ? 1 : 0);
    }
    std::fclose(out);
}

}  // namespace dm::win32
