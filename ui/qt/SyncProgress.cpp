#include "ui/qt/SyncProgress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "ui/presenter/SyncPlanRows.h"
#include "ui/qt/Forms.h"

namespace dm::ui {

TdlgSyncProgress::TdlgSyncProgress(RunControl& control, QWidget* parent) : QDialog(parent), control_(control)
{
    resize(560, 150);
    auto* column = new QVBoxLayout(this);
    lbItem = new QLabel(this);
    lbItem->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    column->addWidget(lbItem);
    lbFiles = new QLabel(this);
    column->addWidget(lbFiles);
    bar = new QProgressBar(this);
    column->addWidget(bar);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    btnCancel = new QPushButton(this);
    row->addWidget(btnCancel);
    column->addLayout(row);
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        control_.requestAbort();
        btnCancel->setEnabled(false);
    });
}

void TdlgSyncProgress::update()
{
    setWindowTitle(qs(textIn("同步", "Synchronize")));
    btnCancel->setText(qs(textIn("取消", "Cancel")));
    const QString item = qs(control_.text());
    lbItem->setText(lbItem->fontMetrics().elidedText(item, Qt::ElideMiddle, lbItem->width()));
    lbItem->setToolTip(item);
    const int64_t bytes = control_.bytesCopied;
    const int64_t totalBytes = control_.bytesToCopy;
    lbFiles->setText(qs(copiedText(control_)));
    // Bytes, in units coarse enough to fit the bar's int whatever the size.
    int shift = 0;
    while ((totalBytes >> shift) > INT32_MAX) ++shift;
    bar->setRange(0, int(std::max<int64_t>(1, totalBytes >> shift)));
    bar->setValue(int(std::min(bytes, totalBytes) >> shift));
}

}  // namespace dm::ui
