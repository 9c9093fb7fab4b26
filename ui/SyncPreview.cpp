#include "ui/SyncPreview.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "ui/Forms.h"

namespace dm::ui {

namespace {

enum Column { Kind, From, To, Size, ColumnCount };

}  // namespace

TdlgSyncPreview::TdlgSyncPreview(QWidget* parent) : QDialog(parent)
{
    resize(760, 420);
    auto* column = new QVBoxLayout(this);
    lbQuestion = new QLabel(this);
    column->addWidget(lbQuestion);
    table = new QTableWidget(0, ColumnCount, this);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideMiddle);
    table->horizontalHeader()->setSectionResizeMode(From, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(To, QHeaderView::Stretch);
    column->addWidget(table, 1);
    auto* row = new QHBoxLayout;
    lbTotals = new QLabel(this);
    row->addWidget(lbTotals, 1);
    btnStart = new QPushButton(this);
    btnCancel = new QPushButton(this);
    btnStart->setDefault(true);
    row->addWidget(btnStart);
    row->addWidget(btnCancel);
    column->addLayout(row);
    connect(btnStart, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(table, &QTableWidget::itemChanged, this, [this] { showTotals(); });
}

void TdlgSyncPreview::setPlan(const std::vector<SyncStep>& steps, const std::string& hostA, const std::string& hostB)
{
    // In the language of the moment (the main window settles it when shown).
    setWindowTitle(qs(messageText(msg::SyncConfirmCaption)));
    lbQuestion->setText(qs(messageText(msg::SyncConfirm)));
    table->setHorizontalHeaderLabels({qs(textIn("原因", "Why")), qs(textIn("从 A", "From A")),
                                      qs(textIn("到 B", "To B")), qs(textIn("大小", "Size"))});
    btnStart->setText(qs(textIn("开始", "Start")));
    btnCancel->setText(qs(textIn("取消", "Cancel")));
    steps_ = steps;
    sizes_.clear();
    files_.clear();
    const QSignalBlocker quiet(table);
    table->setRowCount(int(steps.size()));
    for (int i = 0; i < int(steps.size()); ++i) {
        const SyncStep& step = steps[size_t(i)];
        sizes_.push_back(step.size);
        files_.push_back(step.files);
        auto* kind = new QTableWidgetItem(
            qs(step.kind == OnlyInA ? textIn("B 缺少", "lacking in B") : textIn("不一致", "different")));
        kind->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        kind->setCheckState(Qt::Checked);
        table->setItem(i, Kind, kind);
        for (const auto& [col, text] : {std::pair{From, hostA + step.source}, std::pair{To, hostB + step.target}}) {
            auto* cell = new QTableWidgetItem(qs(text));
            cell->setToolTip(qs(text));
            table->setItem(i, col, cell);
        }
        table->setItem(i, Size,
                       new QTableWidgetItem(step.folder ? qs(textIn("文件夹", "folder")) : sizeText(sizes_.back())));
    }
    table->resizeColumnToContents(Kind);
    showTotals();
}

std::set<std::string> TdlgSyncPreview::leftOut() const
{
    std::set<std::string> out;
    for (int i = 0; i < table->rowCount(); ++i) {
        if (table->item(i, Kind)->checkState() != Qt::Checked) out.insert(steps_[size_t(i)].source);
    }
    return out;
}

void TdlgSyncPreview::showTotals()
{
    int count = 0;
    uint64_t bytes = 0;
    uint64_t files = 0;
    for (int i = 0; i < table->rowCount(); ++i) {
        if (table->item(i, Kind)->checkState() != Qt::Checked) continue;
        ++count;
        bytes += sizes_[size_t(i)];
        files += files_[size_t(i)];
    }
    // Folders count with all they hold.
    lbTotals->setText(qs(textIn("共 ", "")) + QString::number(count) + qs(textIn(" 项 (", " items (")) +
                      QString::number(files) + qs(textIn(" 个文件), ", " files), ")) + sizeText(bytes));
    btnStart->setEnabled(count > 0 || table->rowCount() == 0);
}

}  // namespace dm::ui
