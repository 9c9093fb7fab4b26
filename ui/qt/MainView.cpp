// What the user can do to the view of a result without comparing again: a
// filter box and a switch per mark above the tree, optional columns and
// expand/collapse in the View menu, more popup actions (copy a path, open the
// containing folder), keys, and a window that comes back as it was left.
#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QSplitter>
#include <QStringList>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/compare/ResultView.h"
#include "platform/Time.h"
#include "ui/qt/Artwork.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/Forms.h"
#include "ui/qt/Mainform.h"
#include "ui/qt/PairView.h"

namespace dm::ui {

namespace {

constexpr int kOptionalColumns = 5;  // size in A, size in B, time in A, time in B, why

QString sizeOf(const element_t* e)
{
    return e && !e->isFolder ? QString::number(qulonglong(e->size())) : QString();
}

// Padded, so that the column reads evenly and sorts by time: "2026-10-28  06:18:08.000".
QString timeOf(const element_t* e)
{
    if (!e) return {};
    const platform::SYSTEMTIME t =
        platform::FileTimeToSystemTime(platform::FileTimeToLocalFileTime(e->findData.ftLastWriteTime));
    return QStringLiteral("%1-%2-%3  %4:%5:%6.%7")
        .arg(t.wYear, 4, 10, QLatin1Char('0'))
        .arg(t.wMonth, 2, 10, QLatin1Char('0'))
        .arg(t.wDay, 2, 10, QLatin1Char('0'))
        .arg(t.wHour, 2, 10, QLatin1Char('0'))
        .arg(t.wMinute, 2, 10, QLatin1Char('0'))
        .arg(t.wSecond, 2, 10, QLatin1Char('0'))
        .arg(t.wMilliseconds, 3, 10, QLatin1Char('0'));
}

}  // namespace

QWidget* TfrmMain::buildFilterBar(QWidget* parent)
{
    auto* bar = new QWidget(parent);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    edtFilter = new QLineEdit(bar);
    edtFilter->setClearButtonEnabled(true);
    edtFilter->setPlaceholderText(tr("按名称筛选 (Ctrl+F)"));
    row->addWidget(edtFilter, 1);
    const auto marks = markCaptions();
    for (int i = 0; i < 6; ++i) {
        const auto& [mark, caption] = marks[size_t(i)];
        auto* b = new QToolButton(bar);
        b->setToolTip(caption);
        b->setCheckable(true);
        // On: the mark as the tree shows it; off: faded, so that the state reads at a glance.
        const QPixmap full = stateImage(mark);
        QPixmap faded(full.size());
        faded.fill(Qt::transparent);
        {
            QPainter painter(&faded);
            painter.setOpacity(0.25);
            painter.drawPixmap(0, 0, full);
        }
        QIcon icon;
        icon.addPixmap(full, QIcon::Normal, QIcon::On);
        icon.addPixmap(faded, QIcon::Normal, QIcon::Off);
        b->setIcon(icon);
        b->setAutoRaise(true);
        btnMarks[i] = b;
        row->addWidget(b);
        connect(b, &QToolButton::toggled, this, [this, mark = mark](bool on) {
            showFilter_.marks[mark] = on;
            refillTree();
        });
    }
    connect(edtFilter, &QLineEdit::textChanged, this, [this](const QString& text) {
        showFilter_.text = text.toStdString();
        fillTree();
        if (!text.isEmpty()) expandWholeTree();
    });
    return bar;
}

void TfrmMain::resetFilter()
{
    // Show-only-differences is where every comparison starts.
    showFilter_ = ShowFilter::onlyDifferences(dm_.OnlyDiff);
    const auto marks = markCaptions();
    const QSignalBlocker quiet(edtFilter);
    edtFilter->clear();
    for (int i = 0; i < 6; ++i) {
        const QSignalBlocker quietButton(btnMarks[i]);
        btnMarks[i]->setChecked(showFilter_.marks[marks[size_t(i)].first]);
    }
}

void TfrmMain::buildViewMenu()
{
    N3 = new QMenu(tr("视图"), this);
    menuBar()->insertMenu(N2->menuAction(), N3);
    const QString captions[kOptionalColumns] = {tr("A 中大小"), tr("B 中大小"), tr("A 中修改时间"), tr("B 中修改时间"),
                                                tr("不同之处")};
    for (int i = 0; i < kOptionalColumns; ++i) {
        actColumns[i] = N3->addAction(captions[i]);
        actColumns[i]->setCheckable(true);
        actColumns[i]->setChecked(dm_.ViewColumns & (1 << i));
        connect(actColumns[i], &QAction::toggled, this, [this] { showColumns(); });
    }
    N3->addSeparator();
    actExpandAll = N3->addAction(tr("全部展开"), this, &TfrmMain::expandWholeTree);
    actCollapseAll = N3->addAction(tr("全部折叠"), TreeViewResult, &QTreeWidget::collapseAll);

    PopupMenu1->addSeparator();
    PopupMenu1->setToolTipsVisible(true);  // why an action is disabled
    actComparePair = PopupMenu1->addAction(tr("比较文件内容..."), this, &TfrmMain::openPairView);
    actExternalCompare = PopupMenu1->addAction(tr("用外部工具比较"), this, &TfrmMain::openExternalCompare);
    actCopyPathA = PopupMenu1->addAction(tr("复制 A 的路径"), this, [this] { copyPath(true); });
    actCopyPathB = PopupMenu1->addAction(tr("复制 B 的路径"), this, [this] { copyPath(false); });
    actOpenFolder = PopupMenu1->addAction(tr("打开所在文件夹"), this, &TfrmMain::openContainingFolder);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(actExpandAll);
    PopupMenu1->addAction(actCollapseAll);

    auto* compareAgain = new QAction(this);
    compareAgain->setShortcut(QKeySequence::Refresh);
    connect(compareAgain, &QAction::triggered, this, [this] {
        if (!isBusy()) RunComparison();
    });
    auto* findKey = new QAction(this);
    findKey->setShortcut(QKeySequence::Find);
    connect(findKey, &QAction::triggered, this, [this] { edtFilter->setFocus(); });
    auto* detailsKey = new QAction(TreeViewResult);
    detailsKey->setShortcuts({Qt::Key_Return, Qt::Key_Enter});
    detailsKey->setShortcutContext(Qt::WidgetShortcut);
    // Enter on a file opens the pair, as a double click does; on a folder it
    // goes to the details.
    connect(detailsKey, &QAction::triggered, this, [this] {
        const result_t* item = resultOf(TreeViewResult->currentItem());
        if (item && !item->folderA && !item->folderB) return openPairView();
        ShowDetails(TreeViewResult->currentItem());
        sg->setFocus();
    });
    N3->addSeparator();
    for (const bool forward : {true, false}) {
        QAction* difference = N3->addAction(forward ? tr("下一个不同项") : tr("上一个不同项"));
        difference->setShortcut(forward ? QKeySequence(Qt::Key_F8) : QKeySequence(Qt::SHIFT | Qt::Key_F8));
        connect(difference, &QAction::triggered, this, [this, forward] {
            if (!isBusy()) goToDifference(forward);
        });
    }
    addAction(compareAgain);
    addAction(findKey);
    TreeViewResult->addAction(detailsKey);

    TreeViewResult->setColumnCount(1 + kOptionalColumns);
    TreeViewResult->setHeaderLabels(QStringList{tr("名称")} + QStringList(captions, captions + kOptionalColumns));
    const int widths[] = {300, 80, 80, 170, 170, 160};  // until the user's own come back
    for (int i = 0; i <= kOptionalColumns; ++i) TreeViewResult->setColumnWidth(i, widths[i]);
    showColumns();
}

void TfrmMain::showColumns()
{
    int any = 0;
    dm_.ViewColumns = 0;
    for (int i = 0; i < kOptionalColumns; ++i) {
        const bool on = actColumns[i]->isChecked();
        TreeViewResult->setColumnHidden(1 + i, !on);
        if (on) dm_.ViewColumns |= 1 << i;
        any |= on;
    }
    // Without optional columns the tree looks as it always has: no header.
    TreeViewResult->setHeaderHidden(!any);
}

void TfrmMain::fillColumns(QTreeWidgetItem* node, const result_t& r)
{
    const QString reason = qs(differenceReason(r));
    node->setToolTip(0, reason.isEmpty() ? node->text(0) : node->text(0) + QStringLiteral("  (") + reason + ')');
    node->setText(1, sizeOf(r.elemA));
    node->setText(2, sizeOf(r.elemB));
    node->setText(3, timeOf(r.elemA));
    node->setText(4, timeOf(r.elemB));
    node->setText(5, reason);
}

void TfrmMain::copyPath(bool sideA)
{
    const result_t* item = resultOf(TreeViewResult->currentItem());
    if (item) QGuiApplication::clipboard()->setText(qs(presenter.shownPath(*item, sideA)));
}

void TfrmMain::openPairView()
{
    const result_t* item = resultOf(TreeViewResult->currentItem());
    if (isBusy() || !item || item->folderA || item->folderB) return;
    pairView->copyAOverB = presenter.mayCopy() && (item->kind == OnlyInA || !item->identical)
                               ? std::function<void()>([this] { N10Click(2); })
                               : nullptr;
    std::string why;
    if (!pairView->showPair(*presenter.comparer, *item, why)) {
        if (!why.empty()) messageBox(this, qs(why));
        return;
    }
    execModal(*pairView);
}

void TfrmMain::openExternalCompare()
{
    const result_t* item = resultOf(TreeViewResult->currentItem());
    const std::vector<std::string> words = item ? presenter.externalCommand(*item) : std::vector<std::string>();
    if (words.empty()) return;
    QStringList arguments;
    for (size_t i = 1; i < words.size(); ++i) arguments << qs(words[i]);
    if (words.empty() || !QProcess::startDetached(qs(words.front()), arguments))
        messageBox(this, tr("无法启动外部比较工具: ") + qs(dm_.ExternalCompare));
}

void TfrmMain::openContainingFolder()
{
    const result_t* item = resultOf(TreeViewResult->currentItem());
    const std::string folder = item ? presenter.containingFolder(*item) : std::string();
    if (!folder.empty()) openWithShell(qs(folder));
}

void TfrmMain::restoreView()
{
    if (!dm_.WindowGeometry.empty()) centred_ = restoreGeometry(QByteArray::fromHex(dm_.WindowGeometry.c_str()));
    if (!dm_.SplitterState.empty()) Splitter1->restoreState(QByteArray::fromHex(dm_.SplitterState.c_str()));
    const QStringList widths = qs(dm_.ColumnWidths).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (int i = 0; i < widths.size() && i < TreeViewResult->columnCount(); ++i)
        if (const int w = widths[i].toInt(); w > 0) TreeViewResult->setColumnWidth(i, w);
}

void TfrmMain::saveView()
{
    dm_.WindowGeometry = saveGeometry().toHex().toStdString();
    dm_.SplitterState = Splitter1->saveState().toHex().toStdString();
    QStringList widths;
    for (int i = 0; i < TreeViewResult->columnCount(); ++i) widths << QString::number(TreeViewResult->columnWidth(i));
    dm_.ColumnWidths = widths.join(QLatin1Char(',')).toStdString();
}

}  // namespace dm::ui
