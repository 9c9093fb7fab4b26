// The main window's making, its layout, and the comparison and
// synchronization it starts.
#include "ui/win32/MainWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/compare/ResultView.h"
#include "engine/sync/Sync.h"
#include "platform/ChildProcess.h"
#include "platform/Listing.h"
#include "platform/ProgramPaths.h"
#include "ui/presenter/Marks.h"
#include "ui/presenter/Report.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/Texts.h"
#include "ui/win32/Win32Ui.h"

namespace dm::win32 {

namespace {

constexpr int kWidth = 778;  // the client area of a window of 794 × 577
constexpr int kHeight = 519;
constexpr int kToolbarHeight = 40;
constexpr int kLegendWidth = 148;
constexpr int kDetailsHeight = 129;
constexpr int kDoingHeight = 18;
constexpr int kPanelRights[5] = {300, 300, 300, 500, -1};

const char* const kLegendCaptions[] = {"B 缺少的文件", "B 多余的文件", "不一致", "完全相同", "不比较", "未知错误"};

// One mark, drawn as the legend shows it: a rounded square of its colour
// with its sign in white.
void drawMark(HDC dc, int index, int size)
{
    RECT all = {0, 0, size, size};
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    const uint32_t rgb = markColour(index);
    const COLORREF colour = index == StateNone ? RGB(0xE8, 0xB9, 0x3C) : RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
    HBRUSH brush = CreateSolidBrush(colour);
    HPEN none = CreatePen(PS_NULL, 0, 0);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, none);
    const int m = size / 16;
    RoundRect(dc, m, m, size - m, size - m, size / 4, size / 4);
    HPEN white = CreatePen(PS_SOLID, std::max(1, size / 8), RGB(255, 255, 255));
    SelectObject(dc, white);
    const auto line = [&](int x1, int y1, int x2, int y2) {
        MoveToEx(dc, x1 * size / 16, y1 * size / 16, nullptr);
        LineTo(dc, x2 * size / 16, y2 * size / 16);
    };
    switch (index) {
        case StateLacking: line(4, 8, 12, 8); break;
        case StateRedundant:
            line(4, 8, 12, 8);
            line(8, 4, 8, 12);
            break;
        case StateError:
            line(8, 4, 8, 9);
            line(8, 11, 8, 13);
            break;
        case StateIdentical:
            line(4, 6, 12, 6);
            line(4, 10, 12, 10);
            break;
        case StateDifferent:
            line(4, 6, 12, 6);
            line(4, 10, 12, 10);
            line(10, 3, 6, 13);
            break;
        case StateNotCompared:
            line(5, 8, 7, 8);
            line(10, 8, 12, 8);
            break;
        default: break;
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(none);
    DeleteObject(white);
}

HIMAGELIST markImages(int size)
{
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, 7, 0);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    for (int index = 0; index <= StateNotCompared; ++index) {
        HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
        HGDIOBJ old = SelectObject(dc, bitmap);
        drawMark(dc, index, size);
        SelectObject(dc, old);
        ImageList_Add(list, bitmap, nullptr);
        DeleteObject(bitmap);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return list;
}

}  // namespace

MainWindow::MainWindow(TDM& dm) : presenter(dm), dm_(dm) {}

MainWindow::~MainWindow()
{
    if (job_.joinable()) {
        presenter.run.requestAbort();
        job_.join();
    }
    if (marks_) ImageList_Destroy(marks_);
    if (popup_) DestroyMenu(popup_);
}

bool MainWindow::create()
{
    return make(nullptr, tr("目录比较"), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, kWidth, kHeight);
}

void MainWindow::show(int show)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    RECT& at = placement.rcNormalPosition;
    int maximized = 0;
    if (std::sscanf(dm_.WindowGeometry.c_str(), "win %ld %ld %ld %ld %d", &at.left, &at.top, &at.right, &at.bottom,
                    &maximized) == 5 &&
        at.right - at.left >= px(200) && at.bottom - at.top >= px(150) && MonitorFromRect(&at, MONITOR_DEFAULTTONULL)) {
        placement.showCmd = SW_HIDE;
        SetWindowPlacement(hwnd_, &placement);
        if (maximized) show = SW_SHOWMAXIMIZED;
    }
    ShowWindow(hwnd_, show);
}

void MainWindow::keepPlacement()
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(hwnd_, &placement);
    const RECT& at = placement.rcNormalPosition;
    char text[96];
    std::snprintf(text, sizeof text, "win %ld %ld %ld %ld %d", at.left, at.top, at.right, at.bottom,
                  placement.showCmd == SW_SHOWMAXIMIZED ? 1 : 0);
    dm_.WindowGeometry = text;
}

void MainWindow::build()
{
    HMENU bar = CreateMenu();
    HMENU system = CreatePopupMenu();
    AppendMenuW(system, MF_STRING, kMenuStart, withKey("开始", L'S').c_str());
    AppendMenuW(system, MF_STRING, kMenuSaveJob, withKey("保存为作业...", L'V').c_str());
    AppendMenuW(system, MF_STRING, kMenuJobs, withKey("作业...", L'J').c_str());
    AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(system, MF_STRING, kMenuExit, withKey("退出", L'X').c_str());
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, kMenuHelp, (withKey("帮助", L'H') + L"\tF1").c_str());
    AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(help, MF_STRING, kMenuAbout, withKey("关于", L'A').c_str());
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(system), withKey("系统", L'M').c_str());
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), withKey("帮助", L'H').c_str());
    SetMenu(hwnd_, bar);

    popup_ = CreatePopupMenu();
    AppendMenuW(popup_, MF_STRING, kPopupRefresh, withKey("刷新", L'R').c_str());
    AppendMenuW(popup_, MF_STRING, kPopupSync, withKey("更新所选项", L'U').c_str());
    AppendMenuW(popup_, MF_STRING, kPopupOpenA, withKey("打开文件夹 A 的文件", L'A').c_str());
    AppendMenuW(popup_, MF_STRING, kPopupOpenB, withKey("打开文件夹 B 的文件", L'B').c_str());
    AppendMenuW(popup_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup_, MF_STRING, kPopupComparePair, withKey("比较文件内容...", L'T').c_str());
    AppendMenuW(popup_, MF_STRING, kPopupExternal, withKey("用外部工具比较", L'E').c_str());
    AppendMenuW(popup_, MF_STRING, kPopupCopyA, withKey("复制 A 的路径", L'C').c_str());
    AppendMenuW(popup_, MF_STRING, kPopupCopyB, withKey("复制 B 的路径", L'O').c_str());
    AppendMenuW(popup_, MF_STRING, kPopupOpenFolder, withKey("打开所在文件夹", L'F').c_str());
    AppendMenuW(popup_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup_, MF_STRING, kPopupExpandAll, withKey("全部展开", L'X').c_str());
    AppendMenuW(popup_, MF_STRING, kPopupCollapseAll, withKey("全部折叠", L'L').c_str());

    const std::pair<const char*, wchar_t> captions[] = {
        {"开始", L'S'}, {"中止", L'A'}, {"同步", L'Y'}, {"报告", L'R'}, {"退出", L'X'}};
    for (int i = 0; i < 5; ++i)
        buttons_[i] = control(L"BUTTON", withKey(captions[i].first, captions[i].second), WS_TABSTOP | BS_PUSHBUTTON,
                              2 + i * 64 + (i == 4 ? 8 : 0), 2, 62, 36, kStart + i);

    marks_ = markImages(px(16));
    filterText_ = control(L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 10, 10, kFilterText, WS_EX_CLIENTEDGE);
    SendMessageW(filterText_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(tr("按名称筛选 (Ctrl+F)").c_str()));
    for (int i = 0; i < 6; ++i) {
        filterMarks_[i] = control(L"BUTTON", L"", WS_TABSTOP | BS_AUTOCHECKBOX | BS_PUSHLIKE | BS_ICON, 0, 0, 10, 10,
                                  kFilterMarks + i);
        SendMessageW(filterMarks_[i], BM_SETIMAGE, IMAGE_ICON,
                     reinterpret_cast<LPARAM>(ImageList_GetIcon(marks_, kLegendOrder[size_t(i)], ILD_NORMAL)));
    }
    resetFilter();
    DragAcceptFiles(hwnd_, TRUE);
    tree_ = control(WC_TREEVIEWW, L"", WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                    0, 0, 10, 10, kTree, WS_EX_CLIENTEDGE);
    TreeView_SetImageList(tree_, marks_, TVSIL_NORMAL);
    // The grid's first row of texts is its header, whose borders the user may drag.
    details_ =
        control(WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL, 0, 0, 10, 10, kDetails, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(details_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (int c = 0; c < 3; ++c) {
        const std::wstring title =
            c == 0 ? std::wstring() : shown(messageText(c == 1 ? msg::DetailFilesInA : msg::DetailFilesInB));
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = px(c == 0 ? 130 : 300);
        column.pszText = const_cast<wchar_t*>(title.c_str());
        ListView_InsertColumn(details_, c, &column);
    }
    detailCells_.attach(details_);
    for (int r = 0; r < 4; ++r) detailCells_.setText(r, 0, {});

    legend_[0] = control(L"STATIC", tr("A: 标准文件夹A"), 0, 0, 0, 10, 10, 0);
    legend_[1] = control(L"STATIC", tr("B: 比较文件夹B"), 0, 0, 0, 10, 10, 0);
    for (int i = 0; i < 6; ++i) legend_[2 + i] = control(L"STATIC", tr(kLegendCaptions[i]), 0, 0, 0, 10, 10, 0);

    doing_ = control(L"STATIC", L"", SS_CENTER | SS_PATHELLIPSIS, 0, 0, 10, 10, kDoing);
    progress_ = control(PROGRESS_CLASSW, L"", 0, 0, 0, 10, 10, kProgress);
    ShowWindow(progress_, SW_HIDE);
    status_ = control(STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, 0, 0, 0, 0, kStatus);
    setIdle(true);
    // A test reads the window's state now and then, modal windows included.
    if (const char* file = std::getenv("DIRMATCH_GUI_STATE"); file && *file) SetTimer(hwnd_, kTestTimer, 250, nullptr);
}

void MainWindow::layout()
{
    if (!status_) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    // The status bar places itself at the bottom; the rest is above it.
    SendMessageW(status_, WM_SIZE, 0, 0);
    RECT bar;
    GetWindowRect(status_, &bar);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&bar), 2);
    int rights[5];
    for (int i = 0; i < 5; ++i) rights[i] = kPanelRights[i] < 0 ? -1 : px(kPanelRights[i]);
    SendMessageW(status_, SB_SETPARTS, 5, reinterpret_cast<LPARAM>(rights));

    const int top = px(kToolbarHeight);
    const int bottom = bar.top - px(kDoingHeight);
    const int right = client.right - px(kLegendWidth);
    const int detailsTop = std::max(top + px(40), bottom - px(kDetailsHeight));
    const int filterHeight = px(26);
    const int marksLeft = right - 6 * px(26);
    MoveWindow(filterText_, 0, top + px(2), marksLeft - px(4), filterHeight - px(4), TRUE);
    for (int i = 0; i < 6; ++i) MoveWindow(filterMarks_[i], marksLeft + i * px(26), top + px(1), px(24), px(24), TRUE);
    MoveWindow(tree_, 0, top + filterHeight, right, detailsTop - top - filterHeight, TRUE);
    MoveWindow(details_, 0, detailsTop, right, bottom - detailsTop, TRUE);
    const int other = std::max(px(60), (right - px(130)) / 2 - px(3));
    if (!detailsResized_) {
        ListView_SetColumnWidth(details_, 0, px(130));
        ListView_SetColumnWidth(details_, 1, other);
        ListView_SetColumnWidth(details_, 2, other);
    }
    for (int i = 0; i < 8; ++i) {
        const int y = top + px(12) + i * px(24) + (i >= 2 ? px(8) : 0);
        const int indent = i >= 2 ? 32 : 10;  // the marks' captions stand right of their marks
        MoveWindow(legend_[i], right + px(indent), y, px(kLegendWidth - indent - 4), px(18), TRUE);
    }
    MoveWindow(doing_, 0, bottom, client.right - px(152), px(kDoingHeight), TRUE);
    MoveWindow(progress_, client.right - px(150), bottom + px(2), px(148), px(14), TRUE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

LRESULT MainWindow::message(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
        case WM_PAINT: {
            // The legend's marks beside their captions.
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd_, &paint);
            for (int i = 0; i < 6; ++i) {
                RECT at;
                GetWindowRect(legend_[2 + i], &at);
                MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&at), 2);
                ImageList_Draw(marks_, kLegendOrder[size_t(i)], dc, at.left - px(22), at.top, ILD_NORMAL);
            }
            EndPaint(hwnd_, &paint);
            return 0;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (detailCells_.notify(header)) return 0;
            // Widths the user chose stay as they are when the window is resized.
            if (header->code == HDN_ENDTRACKW && GetParent(header->hwndFrom) == details_) detailsResized_ = true;
            // A panel's text may be cut where the bar is narrow: a click shows it whole.
            if (header->hwndFrom == status_ && header->code == NM_CLICK) {
                const auto part = reinterpret_cast<const NMMOUSE*>(lParam)->dwItemSpec;
                if (part < 5 && !panels_[part].empty()) messageBox(hwnd_, shown(panels_[part]));
                return TRUE;
            }
            if (header->hwndFrom == tree_) {
                if (header->code == TVN_ITEMEXPANDINGW)
                    expanding(reinterpret_cast<const NMTREEVIEWW*>(lParam)->itemNew.hItem);
                if (header->code == TVN_SELCHANGEDW) showDetails();
                if (header->code == NM_DBLCLK && selected() && !selected()->folderA && !selected()->folderB) {
                    openPairView();
                    return TRUE;
                }
                if (header->code == NM_RCLICK) {
                    POINT at;
                    GetCursorPos(&at);
                    TVHITTESTINFO hit = {};
                    hit.pt = at;
                    ScreenToClient(tree_, &hit.pt);
                    if (HTREEITEM item = TreeView_HitTest(tree_, &hit)) TreeView_SelectItem(tree_, item);
                    popup(at.x, at.y);
                    return TRUE;
                }
            }
            break;
        }
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) == tree_ && GET_X_LPARAM(lParam) == -1) {
                // From the menu key: at the current row.
                RECT row = {};
                if (HTREEITEM item = TreeView_GetSelection(tree_)) TreeView_GetItemRect(tree_, item, &row, TRUE);
                POINT at = {row.left, row.bottom};
                ClientToScreen(tree_, &at);
                popup(at.x, at.y);
                return 0;
            }
            break;
        case WM_TIMER:
            if (wParam == kTestTimer)
                tellTest();
            else
                showProgress();
            return 0;
        case kStartWithFolders:
            if (wParam)
                runComparison();
            else
                start();
            return 0;
        case WM_APP: jobDone(); return 0;
        case WM_DROPFILES: {
            const auto drop = reinterpret_cast<HDROP>(wParam);
            std::wstring name(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
            name.resize(DragQueryFileW(drop, 0, name.data(), UINT(name.size())));
            DragFinish(drop);
            folderDropped(narrow(name));
            return 0;
        }
        case kAskFromJob: (*reinterpret_cast<const std::function<void()>*>(lParam))(); return 0;
        case WM_CLOSE:
            // The work would outlive the window it reports to: it is stopped
            // first, and the window closes when it has ended.
            if (busy_) {
                if (!closeAfterJob_ && win32::askYesNo(hwnd_, tr("中止并关闭?"), tr("中止"))) {
                    closeAfterJob_ = true;
                    presenter.run.requestAbort();
                }
                return 0;
            }
            keepPlacement();
            dm_.SaveSettings();
            DestroyWindow(hwnd_);
            hwnd_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default: break;
    }
    return Window::message(msg, wParam, lParam);
}

bool MainWindow::shortcut(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (msg.wParam) {
        case VK_F1: showManual(); return true;
        case VK_F5:
            if (!busy_) runComparison();
            return true;
        case VK_F8: goToDifference(!shift); return true;
        case VK_RETURN:
            if (GetFocus() != tree_) return false;
            openPairView();
            return true;
        case 'F':
            if (GetKeyState(VK_CONTROL) >= 0) return false;
            SetFocus(filterText_);
            return true;
        case VK_F10:
            if (!shift) return false;
            [[fallthrough]];
        case VK_APPS:
            // The popup of the row that has the keyboard.
            if (GetFocus() != tree_) return false;
            SendMessageW(hwnd_, WM_CONTEXTMENU, WPARAM(tree_), MAKELPARAM(-1, -1));
            return true;
        default: return false;
    }
}

void MainWindow::resetFilter()
{
    // Show-only-differences is where every comparison starts.
    showFilter_ = ShowFilter::onlyDifferences(dm_.OnlyDiff);
    resettingFilter_ = true;  // the text's change is no user's
    SetWindowTextW(filterText_, L"");
    resettingFilter_ = false;
    for (int i = 0; i < 6; ++i)
        Button_SetCheck(filterMarks_[i], showFilter_.marks[kLegendOrder[size_t(i)]] ? BST_CHECKED : BST_UNCHECKED);
}

void MainWindow::filterChanged()
{
    if (!presenter.resultValid) return;
    const Place was = place();
    clearTree();
    fillTree();
    // What a name is looked for in is shown whole: every folder that holds it, open.
    if (!showFilter_.text.empty()) expandAll(true);
    goTo(was);
}

void MainWindow::folderDropped(const std::string& folder)
{
    if (busy_ || !platform::folderExists(folder)) return;
    (droppedA_ ? dm_.LocalDir : dm_.StandardDir) = folder;
    const int step = droppedA_ ? 2 : 1;
    droppedA_ = !droppedA_;
    if (runWizard(hwnd_, dm_, step)) runComparison();
}

bool MainWindow::command(int id, int code)
{
    if (id >= kFilterMarks && id < kFilterMarks + 6) {
        const int i = id - kFilterMarks;
        showFilter_.marks[kLegendOrder[size_t(i)]] = Button_GetCheck(filterMarks_[i]) == BST_CHECKED;
        filterChanged();
        return true;
    }
    switch (id) {
        case kStart:
        case kMenuStart: start(); return true;
        case kAbort: presenter.run.requestAbort(); return true;
        case kSync: syncAll(); return true;
        case kReport: showReport(); return true;
        case kExit:
        case kMenuExit: PostMessageW(hwnd_, WM_CLOSE, 0, 0); return true;
        case kMenuHelp: showManual(); return true;
        case kMenuSaveJob:
            if (!busy_) saveAsJob(hwnd_, presenter);
            return true;
        case kMenuJobs:
            if (!busy_) showJobs(hwnd_);
            return true;
        case kMenuAbout: showAbout(); return true;
        case kPopupRefresh: refreshSelected(false); return true;
        case kPopupSync: refreshSelected(true); return true;
        case kPopupOpenA:
        case kPopupOpenB: {
            const result_t* item = selected();
            if (!item) return true;
            const std::string& path = id == kPopupOpenA ? item->pathA() : item->pathB();
            ShellExecuteW(hwnd_, L"open", wide(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
            return true;
        }
        case kPopupExternal: {
            const result_t* item = selected();
            const std::vector<std::string> command =
                item ? presenter.externalCommand(*item) : std::vector<std::string>();
            if (!command.empty() && !platform::startDetached(command))
                messageBox(hwnd_, tr("无法启动外部比较工具: ") + shown(dm_.ExternalCompare));
            return true;
        }
        case kPopupComparePair: openPairView(); return true;
        case kPopupCopyA:
        case kPopupCopyB:
            if (const result_t* item = selected()) toClipboard(presenter.shownPath(*item, id == kPopupCopyA));
            return true;
        case kPopupOpenFolder:
            if (const result_t* item = selected(); item && !presenter.containingFolder(*item).empty())
                ShellExecuteW(hwnd_, L"open", wide(presenter.containingFolder(*item)).c_str(), nullptr, nullptr,
                              SW_SHOWNORMAL);
            return true;
        case kFilterText: {
            if (code != EN_CHANGE || resettingFilter_) return false;
            std::wstring text(size_t(GetWindowTextLengthW(filterText_)) + 1, L'\0');
            text.resize(size_t(GetWindowTextW(filterText_, text.data(), int(text.size()))));
            showFilter_.text = narrow(text);
            filterChanged();
            return true;
        }
        case kPopupExpandAll:
        case kPopupCollapseAll: expandAll(id == kPopupExpandAll); return true;
        default: return false;
    }
}

void MainWindow::start()
{
    if (busy_) return;
    if (runWizard(hwnd_, dm_)) runComparison();
}

void MainWindow::runComparison()
{
    if (!busy_) presenter.compare(*this);
}

bool MainWindow::askYesNo(const std::string& question)
{
    return win32::askYesNo(hwnd_, shown(question), shown(messageText(msg::ProductName)));
}

void MainWindow::tell(const std::string& text)
{
    messageBox(hwnd_, shown(text));
}

void MainWindow::showNoResult(const std::string& state)
{
    clearTree();
    if (!state.empty()) panels_[0] = state;
    panels_[3].clear();
    setIdle(true);
    showStatus();
}

void MainWindow::showResult(const std::string& elapsed)
{
    panels_[0] = presenter.stateText();
    panels_[4] = elapsed;
    if (!presenter.resultValid) return showStatus();
    resetFilter();
    fillTree();
    panels_[3] = presenter.countsText();
    showStatus();
    setIdle(true);
    SetFocus(tree_);
    showReport();
}

void MainWindow::showPart(const SyncScope&)
{
    // The tree is made again whole, then opened where it was: simpler than
    // finding the nodes of the part redone, and as fast for the trees people look at.
    const Place was = place();
    clearTree();
    fillTree();
    goTo(was);
    panels_[0] = presenter.stateText();
    panels_[3] = presenter.countsText();
    showStatus();
}

void MainWindow::copyingEnded()
{
    copying_ = false;
    syncProgress_.reset();
}

void MainWindow::showSyncSummary(const SyncOutcome& outcome)
{
    showSummary(hwnd_, outcome);
}

void MainWindow::syncAll()
{
    if (!busy_) presenter.synchronizeAll(*this);
}

void MainWindow::refreshSelected(bool copy)
{
    HTREEITEM node = TreeView_GetSelection(tree_);
    if (busy_ || !node) return;
    HTREEITEM parentNode = TreeView_GetParent(tree_, node);
    result_t* holder = nullptr;
    if (parentNode) {
        TVITEMW parent = {};
        parent.mask = TVIF_PARAM;
        parent.hItem = parentNode;
        TreeView_GetItem(tree_, &parent);
        holder = reinterpret_cast<result_t*>(parent.lParam);
    }
    presenter.actOnRow(*this, parentNode ? selected() : nullptr, holder, copy);
}

void MainWindow::showReport()
{
    if (presenter.resultValid) showReportDialog(hwnd_, dm_);
}

void MainWindow::showAbout()
{
    showAboutBox(hwnd_);
}

void MainWindow::showManual()
{
    const std::wstring manual = wide(platform::dataFolder(platform::programFile()) + "UserManual.htm");
    ShellExecuteW(hwnd_, L"open", manual.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void MainWindow::popup(int x, int y)
{
    if (busy_ || !presenter.resultValid) return;
    const MainPresenter::Popup menu =
        presenter.popup(TreeView_GetSelection(tree_) != nullptr, selected(), !dm_.ExternalCompare.empty());
    const auto enable = [this](int id, bool on) { EnableMenuItem(popup_, UINT(id), on ? MF_ENABLED : MF_GRAYED); };
    enable(kPopupRefresh, menu.refresh);
    enable(kPopupSync, menu.sync);
    enable(kPopupOpenA, menu.openers.a.enabled);
    enable(kPopupOpenB, menu.openers.b.enabled);
    enable(kPopupComparePair, menu.comparePair);
    enable(kPopupExternal, menu.externalCompare);
    // A path is copied whichever machine holds it.
    const result_t* item = selected();
    enable(kPopupCopyA, item && item->kind != OnlyInB);
    enable(kPopupCopyB, item && item->kind != OnlyInA);
    enable(kPopupOpenFolder, menu.openers.folder.enabled);
    TrackPopupMenu(popup_, TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0, hwnd_, nullptr);
}

void MainWindow::openPairView()
{
    const result_t* item = selected();
    if (busy_ || !item || item->folderA || item->folderB || !presenter.comparer) return;
    // Only files of this machine are read here.
    const MainPresenter::Openers here = presenter.openers(item);
    const bool hasA = item->kind != OnlyInB;
    const bool hasB = item->kind != OnlyInA;
    if ((hasA && !here.a.enabled) || (hasB && !here.b.enabled))
        return messageBox(hwnd_, shown(hasA && !here.a.enabled ? here.a.tip : here.b.tip));
    showPairView(hwnd_, textIn("比较文件内容", "Compare file contents") + ": " + item->name,
                 hasA ? item->pathA() : std::string(), hasB ? item->pathB() : std::string());
}

void MainWindow::toClipboard(const std::string& text)
{
    const std::wstring units = shown(text);
    if (!OpenClipboard(hwnd_)) return;
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (units.size() + 1) * sizeof(wchar_t))) {
        std::memcpy(GlobalLock(memory), units.c_str(), (units.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

}  // namespace dm::win32
