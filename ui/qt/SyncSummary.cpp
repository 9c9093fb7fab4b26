#include "ui/qt/SyncSummary.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "ui/qt/Forms.h"

namespace dm::ui {

TdlgSyncSummary::TdlgSyncSummary(QWidget* parent) : QDialog(parent)
{
    resize(620, 320);
    auto* column = new QVBoxLayout(this);
    lbCounts = new QLabel(this);
    column->addWidget(lbCounts);
    memoItems = new QPlainTextEdit(this);
    memoItems->setReadOnly(true);
    memoItems->setLineWrapMode(QPlainTextEdit::NoWrap);
    column->addWidget(memoItems, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    btnOk = new QPushButton(this);
    btnOk->setDefault(true);
    row->addWidget(btnOk);
    column->addLayout(row);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
}

void TdlgSyncSummary::setOutcome(const SyncOutcome& outcome)
{
    // Worded when shown: the language may have been chosen after the dialog was made.
    setWindowTitle(qs(textIn("同步结果", "Synchronization result")));
    btnOk->setText(qs(textIn("确定", "OK")));
    lbCounts->setText(qs(summaryText(outcome)));
    QStringList lines;
    for (const std::string& line : summaryItems(outcome)) lines << qs(line);
    memoItems->setPlainText(lines.join(QLatin1Char('\n')));
    memoItems->setVisible(!lines.isEmpty());
    // A run with nothing to list is a line and a button, not an empty page.
    if (lines.isEmpty()) {
        setMinimumSize(0, 0);
        resize(minimumSizeHint().expandedTo(QSize(320, 0)));
    } else {
        resize(620, 320);
    }
}

}  // namespace dm::ui
