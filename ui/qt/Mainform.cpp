// The main window's construction and the comparison run.
#include "ui/qt/Mainform.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QDropEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/ErrorLog.h"
#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/compare/ResultView.h"
#include "ui/qt/Artwork.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/ElidedLabel.h"
#include "ui/qt/Forms.h"
#include "ui/qt/PairView.h"
#include "ui/qt/Resultform.h"
#include "ui/qt/SyncPreview.h"
#include "ui/qt/SyncProgress.h"
#include "ui/qt/SyncSummary.h"
#include "ui/qt/Wizardform.h"

namespace dm::ui {

namespace {

constexpr int kPanelWidths[5] = {300, 0, 0, 200, 50};

QString text(uint32_t message)
{
    return qs(messageText(message));
}

QToolButton* glyphButton(QToolBar* bar, const QString& caption, const QString& hint, Glyph glyph)
{
    auto* b = new QToolButton(bar);
    b->setText(caption);
    b->setToolTip(hint);
    b->setIcon(toolbarGlyph(glyph));
    b->setIconSize(QSize(16, 16));
    b->setFont(formFont(12));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setFixedWidth(75);
    b->setMinimumHeight(36);
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
}

}  // namespace

// The time of day the run took, as the status bar has always shown it: a run
// of a day or more wraps.
TfrmMain::TfrmMain(TDM& dm, QWidget* parent) : QMainWindow(parent), presenter(dm), dm_(dm)
{
    setWindowTitle(tr("目录比较"));
    setFont(formFont(14));
    resize(794, 577);
    buildToolbar();
    buildClientArea();
    buildStatusBar();
    buildMenus();
    buildViewMenu();
    resetFilter();
    restoreView();
    syncPreview = new TdlgSyncPreview(this);
    syncProgress = new TdlgSyncProgress(presenter.run, this);
    syncSummary = new TdlgSyncSummary(this);
    pairView = new TdlgPairView(this);
    setAcceptDrops(true);
    pollTimer_ = new QTimer(this);
    connect(pollTimer_, &QTimer::timeout, this, &TfrmMain::showProgress);
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::setForms(TfrmWizard* wizard, TfrmResult* report)
{
    wizard_ = wizard;
    report_ = report;
}

void TfrmMain::buildToolbar()
{
    auto* bar = addToolBar(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setMinimumHeight(40);
    bar->setStyleSheet(
        QStringLiteral("QToolBar { padding: 2px; spacing: 0px; border: none; }"
                       "QToolButton { padding: 0px; margin: 0px; }"));
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    bbtnStart = glyphButton(bar, tr("开始"), tr("单击这里开始"), Glyph::Start);
    btnAbort = glyphButton(bar, tr("中止"), tr("中止比较"), Glyph::Abort);
    synHint_ = tr("以A为范本，同步两个文件夹（B多余的文件不会影响A）");
    btnSynAll = glyphButton(bar, tr("同步"), synHint_, Glyph::Sync);
    btnShowR = glyphButton(bar, tr("报告"), tr("显示比较结果总结"), Glyph::Report);
    auto* separator = new QWidget(bar);
    separator->setFixedWidth(8);
    bar->addWidget(separator);
    btnExit = glyphButton(bar, tr("退出"), tr("退出"), Glyph::Exit);
    btnExport = new QPushButton(tr("标准导出"), bar);
    btnExport->setToolTip(tr("把标准文件夹中所有子目录及所有文件的信息导出到选定的文件中"));
    btnExport->setFixedSize(73, 36);
    bar->addWidget(btnExport)->setVisible(false);  // present, never shown

    btnAbort->setEnabled(false);
    btnSynAll->setEnabled(false);
    btnShowR->setEnabled(false);
    connect(bbtnStart, &QToolButton::clicked, this, &TfrmMain::bbtnStartClick);
    connect(btnAbort, &QToolButton::clicked, this, &TfrmMain::btnAbortClick);
    connect(btnSynAll, &QToolButton::clicked, this, &TfrmMain::btnSynAllClick);
    connect(btnShowR, &QToolButton::clicked, this, &TfrmMain::btnShowRClick);
    connect(btnExit, &QToolButton::clicked, this, &QWidget::close);
    connect(btnExport, &QPushButton::clicked, this, &TfrmMain::btnExportClick);
}

void TfrmMain::buildClientArea()
{
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);

    Splitter1 = new QSplitter(Qt::Vertical, central);
    auto* treePane = new QWidget(Splitter1);
    auto* treeColumn = new QVBoxLayout(treePane);
    treeColumn->setContentsMargins(0, 0, 0, 0);
    treeColumn->setSpacing(0);
    TreeViewResult = new QTreeWidget(treePane);
    TreeViewResult->setHeaderHidden(true);
    TreeViewResult->setFrameShape(QFrame::NoFrame);
    TreeViewResult->setIndentation(19);
    TreeViewResult->setIconSize(QSize(34, 16));
    TreeViewResult->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeViewResult->setStyleSheet(QStringLiteral("QTreeWidget { background: palette(button); }"));
    TreeViewResult->setContextMenuPolicy(Qt::CustomContextMenu);
    TreeViewResult->viewport()->installEventFilter(this);
    connect(TreeViewResult, &QTreeWidget::itemExpanded, this, &TfrmMain::fillPending);
    // Enter or a double click on a file shows the pair side by side.
    connect(TreeViewResult, &QTreeWidget::itemActivated, this, [this] { openPairView(); });
    sg = new QTableWidget(5, 3, Splitter1);
    sg->horizontalHeader()->setVisible(false);
    sg->verticalHeader()->setVisible(false);
    // A thin header whose borders the user can drag; cells keep one line,
    // elided in the middle, with the whole text as their tooltip.
    sg->horizontalHeader()->setFixedHeight(6);
    sg->setWordWrap(false);
    sg->setTextElideMode(Qt::ElideMiddle);
    sg->setShowGrid(true);
    sg->setSelectionBehavior(QAbstractItemView::SelectRows);
    sg->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sg->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    sg->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    for (int r = 0; r < 5; ++r) {
        sg->setRowHeight(r, 24);
        for (int c = 0; c < 3; ++c) {
            auto* cell = new QTableWidgetItem;
            if (r == 0 || c == 0) cell->setBackground(palette().button());  // the fixed row and column
            sg->setItem(r, c, cell);
        }
    }
    sg->setFont(formFont(12));
    auto* copy = new QAction(tr("复制"), sg);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, [this] {
        QStringList texts;
        for (const QTableWidgetItem* cell : sg->selectedItems()) texts << cell->text();
        if (texts.isEmpty() && sg->currentItem()) texts << sg->currentItem()->text();
        QGuiApplication::clipboard()->setText(texts.join(QLatin1Char('\t')));
    });
    sg->addAction(copy);
    sg->setContextMenuPolicy(Qt::ActionsContextMenu);
    treeColumn->addWidget(buildFilterBar(treePane));
    treeColumn->addWidget(TreeViewResult, 1);
    Splitter1->addWidget(treePane);
    Splitter1->addWidget(sg);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({400, 129});
    row->addWidget(Splitter1, 1);
    Panel2 = buildLegend();
    row->addWidget(Panel2);
    outer->addLayout(row, 1);

    auto* progressRow = new QHBoxLayout;
    labelDoing = new ElidedLabel(central);
    labelDoing->setAlignment(Qt::AlignCenter);
    labelDoing->setFixedHeight(18);
    progressRow->addWidget(labelDoing, 1);
    progressBar = new QProgressBar(central);
    progressBar->setFixedSize(148, 14);
    progressBar->setTextVisible(false);
    progressBar->setVisible(false);
    progressRow->addWidget(progressBar);
    outer->addLayout(progressRow);
    setCentralWidget(central);

    lbText = new QLabel(tr("正在比较，请耐心等待..."), central);
    lbText->setFont(formFont(14, true));
    lbText->setGeometry(200, 176, 233, 18);
    lbText->setVisible(false);

    connect(TreeViewResult, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { ShowDetails(current); });
    // On empty space too, with its items disabled (TreeMouseDown decides which).
    connect(TreeViewResult, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!popupActive || isBusy()) return;
        // From the menu key or Shift+F10 too: the actions follow the current row.
        TreeMouseDown(Qt::NoButton, at);
        PopupMenu1->exec(TreeViewResult->viewport()->mapToGlobal(at));
    });
}

std::vector<std::pair<int, QString>> TfrmMain::markCaptions()
{
    return {{StateLacking, tr("B 缺少的文件")}, {StateRedundant, tr("B 多余的文件")}, {StateDifferent, tr("不一致")},
            {StateIdentical, tr("完全相同")},   {StateNotCompared, tr("不比较")},     {StateError, tr("未知错误")}};
}

QWidget* TfrmMain::buildLegend()
{
    auto* legend = new QWidget(this);
    legend->setFixedWidth(148);
    auto* column = new QVBoxLayout(legend);
    column->setContentsMargins(10, 12, 6, 6);
    column->setSpacing(8);
    for (const QString& caption : {tr("A: 标准文件夹A"), tr("B: 比较文件夹B")}) {
        auto* l = new QLabel(caption, legend);
        l->setFont(formFont(14, true));
        column->addWidget(l);
    }
    column->addSpacing(10);
    for (const auto& [index, caption] : markCaptions()) {
        auto* line = new QHBoxLayout;
        auto* image = new QLabel(legend);
        image->setPixmap(stateImage(index));
        image->setFixedSize(16, 16);
        line->addWidget(image);
        line->addWidget(new QLabel(caption, legend), 1);
        column->addLayout(line);
    }
    column->addStretch(1);
    return legend;
}

void TfrmMain::buildStatusBar()
{
    StatusBar1 = statusBar();
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFont(formFont(12));
    for (int i = 0; i < 5; ++i) {
        panels[i] = new ElidedLabel(StatusBar1);
        panels[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        panels[i]->setFixedWidth(kPanelWidths[i]);
        panels[i]->setVisible(kPanelWidths[i] > 0);
        StatusBar1->addWidget(panels[i]);
    }
    StatusBar1->installEventFilter(this);
}

void TfrmMain::buildMenus()
{
    N1 = menuBar()->addMenu(tr("系统"));
    N13 = N1->addAction(tr("开始"), this, &TfrmMain::bbtnStartClick);
    actSaveJob = N1->addAction(tr("保存为作业..."), this, &TfrmMain::saveAsJob);
    actJobs = N1->addAction(tr("作业..."), this, &TfrmMain::showJobs);
    N1->addSeparator();
    N4 = N1->addAction(tr("退出"), this, &QWidget::close);
    N2 = menuBar()->addMenu(tr("帮助"));
    N16 = N2->addAction(tr("帮助"), this, &TfrmMain::N16Click);
    N2->addSeparator();
    N5 = N2->addAction(tr("关于"), this, &TfrmMain::N5Click);

    PopupMenu1 = new QMenu(this);
    N9 = PopupMenu1->addAction(tr("刷新"), this, [this] { N10Click(1); });
    N10 = PopupMenu1->addAction(tr("更新所选项"), this, [this] { N10Click(2); });
    N11 = PopupMenu1->addAction(tr("打开文件夹 A 的文件"), this, [this] { N11Click(3); });
    N12 = PopupMenu1->addAction(tr("打开文件夹 B 的文件"), this, [this] { N11Click(4); });
    for (int i = 0; i < 4; ++i) PopupMenu1->actions()[i]->setData(i + 1);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    if (!event->spontaneous() && !centred_) {
        centred_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    setLanguage(N1->title().contains(QStringLiteral("Main")) ? English : Chinese);
    SetGridWidths();
    setWindowTitle(text(msg::ProductName));
    QMainWindow::showEvent(event);
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!isBusy() && !droppedFolder(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event)
{
    const QString folder = droppedFolder(event->mimeData());
    if (isBusy() || folder.isEmpty()) return;
    event->acceptProposedAction();
    folderDropped(folder);
}

void TfrmMain::folderDropped(const QString& folder)
{
    if (isBusy() || !wizard_) return;
    (droppedA_ ? dm_.LocalDir : dm_.StandardDir) = folder.toStdString();
    wizard_->startAt(droppedA_ ? 3 : 2);
    droppedA_ = !droppedA_;
    bbtnStartClick();
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    SetGridWidths();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched == StatusBar1 && StatusBar1->isEnabled()) StatusBar1Click(mouse->position().toPoint().x());
        if (watched == TreeViewResult->viewport()) TreeMouseDown(mouse->button(), mouse->position().toPoint());
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::bbtnStartClick()
{
    if (isBusy()) return;
    if (wizard_ && execModal(*wizard_) == QDialog::Accepted) RunComparison();
}

void TfrmMain::clearShownResult()
{
    popupActive = false;
    TreeViewResult->clear();
    panels[3]->showText({});  // no counts beside an empty tree
    resetFilter();
}

void TfrmMain::RunComparison()
{
    if (!isBusy()) presenter.compare(*this);
}

void TfrmMain::showNoResult(const std::string& state)
{
    clearShownResult();
    SetIdle(true);
    if (!state.empty()) panels[0]->showText(qs(state));
}

SyncQuestions TfrmMain::runQuestions()
{
    SyncQuestions questions;
    questions.skipUnreadableFolder = [this](const std::string& folder, const std::string& reason) {
        return skipUnreadable(folder, reason);
    };
    questions.confirm = [this](dirCompare& comp, const SyncScope& scope, const std::vector<SyncStep>& plan,
                               std::set<std::string>& leftOut) {
        bool yes = false;
        askFromJob([&] { yes = confirmPlan(comp, scope, plan, leftOut); });
        return yes;
    };
    return questions;
}

void TfrmMain::showResult(const std::string& elapsed)
{
    ShowState();
    panels[4]->showText(qs(elapsed));
    if (!presenter.resultValid) return;
    fillTree();
    panels[3]->showText(CountsText());
    popupActive = true;
    SetIdle(true);
    if (report_) execModal(*report_);
}

bool TfrmMain::askYesNo(const std::string& question)
{
    return ui::askYesNo(this, qs(question), qs(messageText(msg::ProductName)));
}

void TfrmMain::tell(const std::string& text)
{
    messageBox(this, qs(text));
}

void TfrmMain::showProgress()
{
    labelDoing->showText(qs(presenter.run.shownText()));
    const MainPresenter::Gauge gauge = presenter.gauge(syncProgress->isVisible());
    // Thousandths of a copy, or entries: within an int's range either way.
    progressBar->setRange(0, int(std::min<int64_t>(gauge.maximum, INT32_MAX)));
    progressBar->setValue(int(std::min<int64_t>(gauge.value, INT32_MAX)));
    if (syncProgress->isVisible()) syncProgress->update();
}

void TfrmMain::fillTree()
{
    QTreeWidgetItem* header = AddHeaderNode();
    if (!header) return;
    if (presenter.comparer->results.children) AddResultNodes(*presenter.comparer->results.children, header);
    SortTree();
    header->setExpanded(true);
}

void TfrmMain::ShowState()
{
    if (presenter.comparer) panels[0]->showText(qs(presenter.stateText()));
}

QString TfrmMain::CountsText() const
{
    return qs(presenter.countsText());
}

void TfrmMain::btnShowRClick()
{
    if (report_) execModal(*report_);
}

void TfrmMain::StatusBar1Click(int x)
{
    int chosen = 4;
    int left = 0;
    for (int i = 0; i < 5; ++i) {
        if (x >= left && x <= left + kPanelWidths[i]) {
            chosen = i;
            break;
        }
        left += kPanelWidths[i];
    }
    if (!panels[chosen]->fullText().isEmpty()) messageBox(this, panels[chosen]->fullText());
}

}  // namespace dm::ui
