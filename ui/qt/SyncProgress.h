// The progress of a synchronization: the item being copied, files and bytes
// done of their totals, and a button that stops after the current file.
#pragma once

#include <QDialog>

#include "engine/side/RunControl.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace dm::ui {

class TdlgSyncProgress : public QDialog {
public:
    // Cancel asks `control` to stop.
    TdlgSyncProgress(RunControl& control, QWidget* parent = nullptr);

    // Shows what the control says now.
    void update();

    QLabel* lbItem;
    QLabel* lbFiles;
    QProgressBar* bar;
    QPushButton* btnCancel;

private:
    RunControl& control_;
};

}  // namespace dm::ui
