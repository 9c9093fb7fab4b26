// What a synchronization will copy, shown before it starts: every item with
// where it comes from and goes to, why, and its size, each with a tick box.
#pragma once

#include <QDialog>
#include <set>
#include <string>
#include <vector>

#include "engine/sync/Sync.h"
#include "ui/presenter/SyncPlanRows.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace dm::ui {

class TdlgSyncPreview : public QDialog {
public:
    explicit TdlgSyncPreview(QWidget* parent = nullptr);

    // Lists the plan, every item ticked.
    // hostA and hostB ("HOST:") are shown before the paths of a side on another machine.
    void setPlan(const std::vector<SyncStep>& steps, const std::string& hostA = {}, const std::string& hostB = {});
    // The sources of the items the user unticked.
    std::set<std::string> leftOut() const;
    // Shows what is settled before the plan is (files B holds newer are
    // unticked where they are left), and what the user settled.
    void setChoices(const PlanChoices& choices);
    PlanChoices choices() const;

    QLabel* lbQuestion;
    QTableWidget* table;
    QLabel* lbTotals;
    QPushButton* btnStart;
    QPushButton* btnCancel;
    QCheckBox* cbKeepReplaced;
    QLineEdit* edBackupFolder;
    QCheckBox* cbKeepNewer;

private:
    void showTotals();

    std::vector<SyncStep> steps_;
};

}  // namespace dm::ui
