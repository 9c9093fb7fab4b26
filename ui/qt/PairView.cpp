#include "ui/qt/PairView.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <memory>
#include <thread>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "engine/compare/Details.h"
#include "platform/FileRead.h"
#include "platform/SysError.h"
#include "ui/presenter/PairSummary.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/Forms.h"

namespace dm::ui {

// A pair read on a thread of its own: shared with it, so that a cancelled
// reading may end after the view has let go of it.
struct TdlgPairView::Loading {
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> read{0};
    std::atomic<bool> done{false};
    PairContent content;  // written by the reading before `done`
};

namespace {

// Beyond this size a file is read only when the user agrees.
constexpr uint64_t kAskAbove = 50u << 20;
constexpr int kHexBytes = 512;              // shown around a difference
constexpr uint64_t kReadAtOnce = 4u << 20;  // pairs up to this size are read before the view shows

QString t(const char* zh, const char* en)
{
    return QString::fromStdString(textIn(zh, en));
}

const QColor kChanged(255, 236, 160);
const QColor kRemoved(255, 205, 205);
const QColor kAdded(200, 240, 200);
const QColor kNone(232, 232, 232);
const QColor kInside(255, 190, 90);

}  // namespace

// Rows of the diff as four columns: A's line number and text, B's.
class DiffRowsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // A line no longer than this fits its column in any window the view opens in.
    static constexpr size_t kShortLine = 60;

    void setContent(std::vector<std::string> a, std::vector<std::string> b, std::vector<DiffRow> rows)
    {
        beginResetModel();
        a_ = std::move(a);
        b_ = std::move(b);
        rows_ = std::move(rows);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(rows_.size()); }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 4; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
        return section == 1 ? QStringLiteral("A") : section == 3 ? QStringLiteral("B") : QString();
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const DiffRow& row = rows_[size_t(index.row())];
        const bool sideA = index.column() < 2;
        const int32_t line = sideA ? row.lineA : row.lineB;
        if (role == Qt::DisplayRole) {
            if (line < 0) return QString();
            if (index.column() % 2 == 0) return QString::number(line + 1);
            return QString::fromStdString((sideA ? a_ : b_)[size_t(line)]);
        }
        // A line longer than its column is read whole in its tooltip.
        if (role == Qt::ToolTipRole && index.column() % 2 == 1 && line >= 0) {
            const std::string& text = (sideA ? a_ : b_)[size_t(line)];
            return text.size() > kShortLine ? QString::fromStdString(text) : QVariant();
        }
        if (role == Qt::BackgroundRole && index.column() % 2 == 1) {
            switch (row.kind) {
                case RowKind::Same: return QVariant();
                case RowKind::Changed: return kChanged;
                case RowKind::Removed: return sideA ? kRemoved : kNone;
                case RowKind::Added: return sideA ? kNone : kAdded;
            }
        }
        if (role == Qt::ForegroundRole && index.column() % 2 == 0) return QColor(Qt::gray);
        if (role == Qt::TextAlignmentRole && index.column() % 2 == 0)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    }

    // Where a changed row's two lines differ, as character positions of the
    // column's text; empty where the row is not a changed one.
    std::pair<int, int> changeIn(const QModelIndex& index) const
    {
        const DiffRow& row = rows_[size_t(index.row())];
        if (row.kind != RowKind::Changed || index.column() % 2 == 0) return {0, 0};
        const std::string& a = a_[size_t(row.lineA)];
        const std::string& b = b_[size_t(row.lineB)];
        const LineChange change = lineChange(a, b);
        const std::string& text = index.column() < 2 ? a : b;
        const size_t begin = index.column() < 2 ? change.beginA : change.beginB;
        const size_t end = index.column() < 2 ? change.endA : change.endB;
        const int from = int(QString::fromStdString(text.substr(0, begin)).size());
        return {from, from + int(QString::fromStdString(text.substr(begin, end - begin)).size())};
    }

    const std::vector<DiffRow>& rows() const { return rows_; }

private:
    std::vector<std::string> a_;
    std::vector<std::string> b_;
    std::vector<DiffRow> rows_;
};

namespace {

// Every cell drawn the same way: its colour, the stretch of a changed line
// that changed, its text, and a frame (not a fill) for the selected row, so
// that the colours stay readable.
class RowDelegate : public QStyledItemDelegate {
public:
    RowDelegate(DiffRowsModel* model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (const QVariant background = index.data(Qt::BackgroundRole); background.isValid())
            painter->fillRect(option.rect, background.value<QColor>());
        const QString text = index.data().toString();
        const QFontMetrics metrics(option.font);
        const int margin = 3;
        if (const auto [from, to] = model_->changeIn(index); from != to) {
            const int left = option.rect.left() + margin + metrics.horizontalAdvance(text.left(from));
            const int width = std::max(2, metrics.horizontalAdvance(text.mid(from, to - from)));
            painter->fillRect(QRect(left, option.rect.top() + 1, width, option.rect.height() - 2), kInside);
        }
        const QVariant foreground = index.data(Qt::ForegroundRole);
        painter->setFont(option.font);
        painter->setPen(foreground.isValid() ? foreground.value<QColor>() : option.palette.color(QPalette::Text));
        const QVariant alignment = index.data(Qt::TextAlignmentRole);
        painter->drawText(option.rect.adjusted(margin, 0, -margin, 0),
                          alignment.isValid() ? Qt::Alignment(alignment.toInt()) : Qt::AlignLeft | Qt::AlignVCenter,
                          text);
        if (option.state & QStyle::State_Selected) {
            painter->setPen(QPen(option.palette.color(QPalette::Highlight), 2));
            painter->drawLine(option.rect.topLeft(), option.rect.topRight());
            painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        }
    }

private:
    DiffRowsModel* model_;
};

}  // namespace

// The whole file in a narrow bar: where the differences lie; a click goes there.
class DiffOverview : public QWidget {
public:
    DiffOverview(DiffRowsModel* model, QTableView* table, QWidget* parent)
        : QWidget(parent), model_(model), table_(table)
    {
        setFixedWidth(14);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Base));
        const auto& rows = model_->rows();
        if (rows.empty()) return;
        const double perRow = double(height()) / double(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].kind == RowKind::Same) continue;
            const QColor colour = rows[i].kind == RowKind::Changed ? kInside
                                  : rows[i].kind == RowKind::Added ? QColor(60, 170, 60)
                                                                   : QColor(210, 60, 60);
            painter.fillRect(QRectF(1, double(i) * perRow, width() - 2, std::max(2.0, perRow)), colour);
        }
        painter.setPen(Qt::gray);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        const int rows = int(model_->rows().size());
        if (rows == 0) return;
        const int row = std::clamp(int(event->position().y() * rows / std::max(1, height())), 0, rows - 1);
        table_->scrollTo(model_->index(row, 1), QAbstractItemView::PositionAtCenter);
    }

private:
    DiffRowsModel* model_;
    QTableView* table_;
};

TdlgPairView::TdlgPairView(QWidget* parent) : QDialog(parent)
{
    resize(1000, 640);
    auto* layout = new QVBoxLayout(this);
    lbFiles = new QLabel(this);
    lbFiles->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lbFiles);

    auto* bar = new QHBoxLayout;
    lbCount = new QLabel(this);
    btnPrevious = new QPushButton(this);
    btnNext = new QPushButton(this);
    btnCopy = new QPushButton(this);
    btnClose = new QPushButton(this);
    cmbEncoding = new QComboBox(this);
    cmbEncoding->addItem(QString(), 0u);
    for (const unsigned codePage : {platform::kUtf8CodePage, kGb18030, kWindows1252, kLatin1, kUtf16Le, kUtf16Be})
        cmbEncoding->addItem(qs(encodingName(codePage)), codePage);
    bar->addWidget(lbCount, 1);
    bar->addWidget(cmbEncoding);
    for (QPushButton* b : {btnPrevious, btnNext, btnCopy, btnClose}) {
        b->setAutoDefault(false);
        bar->addWidget(b);
    }
    layout->addLayout(bar);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    pages = new QStackedWidget(this);
    auto* textPage = new QWidget(pages);
    auto* textRow = new QHBoxLayout(textPage);
    textRow->setContentsMargins(0, 0, 0, 0);
    model_ = new DiffRowsModel(this);
    table = new QTableView(textPage);
    table->setModel(model_);
    table->setFont(fixed);
    table->setItemDelegate(new RowDelegate(model_, table));
    table->setShowGrid(false);
    table->setStyleSheet(QStringLiteral("QTableView { selection-background-color: transparent; }"));
    table->setWordWrap(false);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(QFontMetrics(fixed).height() + 2);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setStretchLastSection(true);
    overview_ = new DiffOverview(model_, table, textPage);
    textRow->addWidget(table, 1);
    textRow->addWidget(overview_);
    pages->addWidget(textPage);

    auto* bytesPage = new QWidget(pages);
    auto* bytesRow = new QHBoxLayout(bytesPage);
    bytesRow->setContentsMargins(0, 0, 0, 0);
    for (QPlainTextEdit** hex : {&hexA, &hexB}) {
        *hex = new QPlainTextEdit(bytesPage);
        (*hex)->setReadOnly(true);
        (*hex)->setFont(fixed);
        (*hex)->setLineWrapMode(QPlainTextEdit::NoWrap);
        bytesRow->addWidget(*hex);
    }
    pages->addWidget(bytesPage);

    auto* readingPage = new QWidget(pages);
    auto* readingColumn = new QVBoxLayout(readingPage);
    readingColumn->addStretch();
    lbReading = new QLabel(readingPage);
    lbReading->setAlignment(Qt::AlignCenter);
    progress = new QProgressBar(readingPage);
    btnCancelReading = new QPushButton(readingPage);
    readingColumn->addWidget(lbReading);
    readingColumn->addWidget(progress);
    readingColumn->addWidget(btnCancelReading, 0, Qt::AlignCenter);
    readingColumn->addStretch();
    pages->addWidget(readingPage);
    layout->addWidget(pages, 1);

    connect(btnNext, &QPushButton::clicked, this, [this] { goToDifference(true); });
    connect(btnPrevious, &QPushButton::clicked, this, [this] { goToDifference(false); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnCancelReading, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, [this] { cancelReading(); });
    connect(btnCopy, &QPushButton::clicked, this, [this] {
        // B's file is gone once replaced: asked first, unless the user said not to.
        if (!pathB_.empty() && !copyWithoutAsking_ &&
            !askYesNo(this,
                      t("用 A 中的文件覆盖 B 中的文件?\n", "Replace the file in B with the one in A?\n") + qs(pathB_),
                      windowTitle(), copyWithoutAsking_))
            return;
        accept();
        if (copyAOverB) copyAOverB();
    });
    connect(cmbEncoding, &QComboBox::activated, this, [this] {
        // Read again as the user chose: a text the view did not recognise, or took for another.
        codePage_ = cmbEncoding->currentData().toUInt();
        cancelReading();
        std::string why;
        if (!readShownPair(why)) lbCount->setText(qs(why));
    });
    new QShortcut(QKeySequence(Qt::Key_F8), this, [this] { goToDifference(true); });
    new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8), this, [this] { goToDifference(false); });
}

bool TdlgPairView::showPair(const dirCompare& comp, const result_t& item, std::string& why)
{
    // Worded when shown: the language may have changed since the view was made.
    setWindowTitle(t("比较文件内容", "Compare file contents"));
    btnPrevious->setText(t("上一个不同 (Shift+F8)", "Previous (Shift+F8)"));
    btnNext->setText(t("下一个不同 (F8)", "Next (F8)"));
    btnCopy->setText(t("用 A 覆盖 B", "Copy A over B"));
    btnClose->setText(t("关闭", "Close"));
    const bool hasA = item.kind != OnlyInB;
    const bool hasB = item.kind != OnlyInA;
    // Only files of this machine are read here.
    for (const auto& [has, side] : {std::pair{hasA, &comp.sideA()}, std::pair{hasB, &comp.sideB()}}) {
        if (has && !side->hasLocalPaths()) {
            why = textIn("这一边的文件不在本机上, 无法在这里显示: ", "A file on that side is not on this machine: ") +
                  side->whyNoLocalPaths();
            return false;
        }
    }
    pathA_ = hasA ? item.pathA() : std::string();
    pathB_ = hasB ? item.pathB() : std::string();
    const uint64_t sizeA = hasA && item.elemA ? item.elemA->size() : 0;
    const uint64_t sizeB = hasB && item.elemB ? item.elemB->size() : 0;
    if (std::max(sizeA, sizeB) > kAskAbove &&
        !askYesNo(this,
                  t("文件很大 (", "The file is large (") + QString::number(std::max(sizeA, sizeB) >> 20) +
                      t(" MB)。仍要读取并比较吗?", " MB). Read and compare it all the same?"),
                  windowTitle()))
        return false;

    // Each file with its size, its time and (where read) its version.
    const auto describe = [](const element_t* e) {
        if (!e) return t("(没有)", "(none)");
        QString text = qs(e->path) + QStringLiteral("    ") + QString::number(e->size()) +
                       t(" 字节    ", " bytes    ") + qs(localTimeText(e->findData.ftLastWriteTime));
        if (!e->version.empty() && e->version != messageText(msg::NoVersion))
            text += t("    版本 ", "    version ") + qs(e->version);
        return text;
    };
    lbFiles->setText(QStringLiteral("A: ") + describe(hasA ? item.elemA : nullptr) + QStringLiteral("\nB: ") +
                     describe(hasB ? item.elemB : nullptr));
    canCopy_ = item.kind != OnlyInB && copyAOverB != nullptr;
    btnCopy->setEnabled(canCopy_);
    sizes_ = sizeA + sizeB;
    // Each pair is first read in the encodings its files fit.
    codePage_ = 0;
    cmbEncoding->setItemText(0, t("自动", "Automatic"));
    cmbEncoding->setCurrentIndex(0);
    cmbEncoding->setToolTip(t("读取这两个文件所用的编码", "The encoding the two files are read in"));
    return readShownPair(why);
}

bool TdlgPairView::readShownPair(std::string& why)
{
    // Small pairs are shown at once; larger ones are read on a thread of
    // their own while the view shows how far it got and can be cancelled.
    if (sizes_ <= kReadAtOnce) {
        PairContent content = readPair(pathA_, pathB_, {}, kMaxLinePairBytes, codePage_);
        if (content.error) {
            why = std::string(1, content.side) + ": " + platform::systemMessage(content.error);
            return false;
        }
        present(std::move(content));
        return true;
    }
    auto loading = std::make_shared<Loading>();
    loading_ = loading;
    progress->setRange(0, 1000);
    progress->setValue(0);
    lbReading->setText(t("正在读取这两个文件...", "Reading the two files..."));
    btnCancelReading->setText(t("取消", "Cancel"));
    pages->setCurrentIndex(2);
    for (QPushButton* b : {btnPrevious, btnNext, btnCopy}) b->setEnabled(false);
    lbCount->clear();
    const uint64_t total = std::max<uint64_t>(1, sizes_);
    std::thread([loading, a = pathA_, b = pathB_, codePage = codePage_] {
        platform::ContentReading reading;
        reading.stop = [loading] { return loading->stop.load(); };
        reading.progress = [loading](uint64_t bytes) { loading->read += bytes; };
        loading->content = readPair(a, b, reading, kMaxLinePairBytes, codePage);
        loading->done = true;
    }).detach();
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll, loading, total] {
        if (loading != loading_) return poll->deleteLater();
        progress->setValue(int(std::min<uint64_t>(1000, loading->read * 1000 / total)));
        if (!loading->done) return;
        poll->deleteLater();
        loading_.reset();
        if (loading->content.error) {
            lbReading->setText(QString(loading->content.side) + QStringLiteral(": ") +
                               qs(platform::systemMessage(loading->content.error)));
            return;
        }
        btnCopy->setEnabled(canCopy_);
        present(std::move(loading->content));
    });
    poll->start(50);
    return true;
}

void TdlgPairView::cancelReading()
{
    // The reading ends at its next piece; its result is dropped.
    if (loading_) loading_->stop = true;
    loading_.reset();
}

void TdlgPairView::present(PairContent content)
{
    if (!content.binary) return showText(content);
    showBytes(content.first);
    if (codePage_ != 0)
        lbCount->setText(lbCount->text() + t("    (不是 ", "    (not text in ") + qs(encodingName(codePage_)) +
                         QStringLiteral(")"));
    if (content.tooLarge)
        lbCount->setText(t("太大, 无法逐行比较 (", "Too large to compare line by line (") +
                         QString::number(double(content.tooLarge) / (1 << 20), 'f', 0) + QStringLiteral(" MiB)    ") +
                         lbCount->text());
}

void TdlgPairView::showText(PairContent& content)
{
    pages->setCurrentIndex(0);
    lbCount->setText(qs(textSummary(content, !pathA_.empty(), !pathB_.empty())));
    diff_ = std::move(content.diff);
    // Wide enough for the last line's number, whatever its digits.
    const size_t lines = std::max(content.a->lines.size(), content.b->lines.size());
    const QString widest(QString::number(lines).size() + 1, QLatin1Char('0'));
    model_->setContent(std::move(content.a->lines), std::move(content.b->lines), diff_.rows);
    const int numbers = QFontMetrics(table->font()).horizontalAdvance(widest) + 8;
    table->setColumnWidth(0, numbers);
    table->setColumnWidth(2, numbers);
    table->setColumnWidth(1, (width() - 2 * numbers - 60) / 2);
    btnNext->setEnabled(!diff_.blocks.empty());
    btnPrevious->setEnabled(!diff_.blocks.empty());
    overview_->update();
    block_ = 0;
    if (!diff_.blocks.empty()) selectBlock(0);
}

void TdlgPairView::showBytes(const ByteDifference& first)
{
    pages->setCurrentIndex(1);
    bytesSeen_.clear();
    byteAt_ = 0;
    lbCount->setText(qs(bytesSummary(first, !pathA_.empty(), !pathB_.empty())));
    if (first.error) return;
    showBytesAround(first.offset.value_or(0), first.offset.has_value());
    const bool both = !pathA_.empty() && !pathB_.empty();
    btnNext->setEnabled(both && first.offset.has_value());
    btnPrevious->setEnabled(false);
}

void TdlgPairView::showBytesAround(uint64_t at, bool differs)
{
    byteAt_ = at;
    // A few rows before the difference, its row marked.
    const uint64_t row = at / 16 * 16;
    const uint64_t from = row >= 64 ? row - 64 : 0;
    for (const auto& [path, view] : {std::pair{pathA_, hexA}, std::pair{pathB_, hexB}}) {
        std::string bytes;
        if (!path.empty()) platform::readFileRange(path, from, kHexBytes, bytes);
        view->setPlainText(path.empty() ? QString() : QString::fromStdString(hexRows(bytes, from)));
        QList<QTextEdit::ExtraSelection> marks;
        if (differs) {
            QTextEdit::ExtraSelection mark;
            mark.format.setBackground(kChanged);
            mark.format.setProperty(QTextFormat::FullWidthSelection, true);
            mark.cursor = QTextCursor(view->document()->findBlockByNumber(int((row - from) / 16)));
            marks << mark;
        }
        view->setExtraSelections(marks);
    }
}

void TdlgPairView::selectBlock(size_t block)
{
    block_ = block;
    const int row = int(diff_.blocks.at(block));  // one past the last is a fault, never a row
    table->selectRow(row);
    table->scrollTo(model_->index(row, 1), QAbstractItemView::PositionAtCenter);
}

void TdlgPairView::goToDifference(bool forward)
{
    if (pages->currentIndex() == 0) {
        if (diff_.blocks.empty()) return;
        if (forward && block_ + 1 < diff_.blocks.size()) selectBlock(block_ + 1);
        if (!forward && block_ > 0) selectBlock(block_ - 1);
        return;
    }
    // Bytes: the next row of 16 that differs, found by reading on from here.
    if (!btnNext->isEnabled() && forward) return;
    uint64_t at = 0;
    if (forward) {
        const ByteDifference next = firstDifferentByte(pathA_, pathB_, (byteAt_ / 16 + 1) * 16);
        if (!next.offset) {
            btnNext->setEnabled(false);
            return;
        }
        bytesSeen_.push_back(byteAt_);
        at = *next.offset;
    } else {
        if (bytesSeen_.empty()) return;
        at = bytesSeen_.back();
        bytesSeen_.pop_back();
    }
    showBytesAround(at, true);
    lbCount->setText(t("不同在偏移 ", "Difference at offset ") + qs(offsetText(at)));
    btnPrevious->setEnabled(!bytesSeen_.empty());
    btnNext->setEnabled(true);
}

}  // namespace dm::ui
