// What a synchronization did: copied, failed and skipped, with every failed
// and skipped item, its target and the reason, in a list that can be copied.
#pragma once

#include <QDialog>

#include "engine/sync/Sync.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace dm::ui {

class TdlgSyncSummary : public QDialog {
public:
    explicit TdlgSyncSummary(QWidget* parent = nullptr);

    void setOutcome(const SyncOutcome& outcome);

    QLabel* lbCounts;
    QPlainTextEdit* memoItems;
    QPushButton* btnOk;
};

}  // namespace dm::ui
