#include "ui/qt/SyncPreview.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "ui/qt/Forms.h"

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
    auto* keep = new QHBoxLayout;
    cbKeepReplaced = new QCheckBox(this);
    edBackupFolder = new QLineEdit(this);
    cbKeepNewer = new QCheckBox(this);
    keep->addWidget(cbKeepReplaced);
    keep->addWidget(edBackupFolder, 1);
    keep->addWidget(cbKeepNewer);
    column->addLayout(keep);
    connect(cbKeepReplaced, &QCheckBox::toggled, edBackupFolder, &QWidget::setEnabled);
    connect(cbKeepNewer, &QCheckBox::toggled, this, [this](bool keepNewer) {
        for (int i = 0; i < table->rowCount(); ++i) {
            if (steps_[size_t(i)].newerInB)
                table->item(i, Kind)->setCheckState(tickedFirst(steps_[size_t(i)], keepNewer) ? Qt::Checked
                                                                                              : Qt::Unchecked);
        }
    });
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
    cbKeepReplaced->setText(qs(textIn("被替换的文件保存到:", "Keep replaced files in:")));
    cbKeepNewer->setText(qs(textIn("保留 B 中较新的文件", "Leave files newer in B")));
    steps_ = steps;
    const QSignalBlocker quiet(table);
    const std::vector<PlanRow> rows = planRows(steps, hostA, hostB);
    table->setRowCount(int(rows.size()));
    for (int i = 0; i < int(rows.size()); ++i) {
        const PlanRow& row = rows[size_t(i)];
        auto* kind = new QTableWidgetItem(qs(row.why));
        kind->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        kind->setCheckState(tickedFirst(steps[size_t(i)], cbKeepNewer->isChecked()) ? Qt::Checked : Qt::Unchecked);
        table->setItem(i, Kind, kind);
        for (const auto& [col, text] : {std::pair{From, row.from}, std::pair{To, row.to}}) {
            auto* cell = new QTableWidgetItem(qs(text));
            cell->setToolTip(qs(text));
            table->setItem(i, col, cell);
        }
        table->setItem(i, Size, new QTableWidgetItem(qs(row.size)));
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

void TdlgSyncPreview::setChoices(const PlanChoices& choices)
{
    cbKeepReplaced->setChecked(choices.keepReplaced);
    edBackupFolder->setText(qs(choices.backupFolder));
    edBackupFolder->setEnabled(choices.keepReplaced);
    const QSignalBlocker quiet(cbKeepNewer);  // the plan shown next is ticked for it
    cbKeepNewer->setChecked(choices.keepNewer);
}

PlanChoices TdlgSyncPreview::choices() const
{
    return {cbKeepReplaced->isChecked(), edBackupFolder->text().toStdString(), cbKeepNewer->isChecked()};
}

void TdlgSyncPreview::showTotals()
{
    std::vector<bool> ticked;
    for (int i = 0; i < table->rowCount(); ++i) ticked.push_back(table->item(i, Kind)->checkState() == Qt::Checked);
    const PlanTotals totals = planTotals(steps_, ticked);
    lbTotals->setText(qs(totals.text));
    btnStart->setEnabled(totals.mayStart);
}

}  // namespace dm::ui
