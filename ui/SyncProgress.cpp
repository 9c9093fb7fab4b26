#include "ui/SyncProgress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "ui/Forms.h"

namespace dm::ui {

TdlgSyncProgress::TdlgSyncProgress(RunControl& control, QWidget* parent) : QDialog(parent), control_(control)
{
    setWindowTitle(qs(textIn("同步", "Synchronize")));
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
    btnCancel = new QPushButton(qs(textIn("取消", "Cancel")), this);
    row->addWidget(btnCancel);
    column->addLayout(row);
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        control_.requestAbort();
        btnCancel->setEnabled(false);
    });
}

void TdlgSyncProgress::update()
{
    const QString item = qs(control_.text());
    lbItem->setText(lbItem->fontMetrics().elidedText(item, Qt::ElideMiddle, lbItem->width()));
    lbItem->setToolTip(item);
    const int64_t bytes = control_.bytesCopied;
    const int64_t totalBytes = control_.bytesToCopy;
    lbFiles->setText(qs(textIn("文件 ", "Files ")) + QString::number(control_.filesCopied.load()) + " / " +
                     QString::number(control_.filesToCopy.load()) + QStringLiteral("    ") + sizeText(uint64_t(bytes)) +
                     " / " + sizeText(uint64_t(totalBytes)));
    // The bar counts KiB, so that it fits an int whatever the size.
    bar->setRange(0, int(std::max<int64_t>(1, totalBytes / 1024)));
    bar->setValue(int(std::min(bytes, totalBytes) / 1024));
}

}  // namespace dm::ui
