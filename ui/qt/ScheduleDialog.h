// When a saved job runs by itself: every day at a time, every hour, every so
// many minutes, or not on a schedule; chosen with controls in the program's
// language rather than typed as the command line's words.
#pragma once

#include <QDialog>
#include <QStringList>
#include <string>

class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimeEdit;

namespace dm::ui {

class TdlgSchedule : public QDialog {
public:
    // Opens on the job's schedule as stored ("daily 02:30", "hourly", "every 15", or none).
    TdlgSchedule(QWidget* parent, const std::string& schedule);

    // The choice as `dirmatch job schedule` takes it: "--daily 02:30",
    // "--hourly", "--every 15" or "--off".
    QStringList arguments() const;

    QRadioButton* rbDaily;
    QTimeEdit* edtTime;
    QRadioButton* rbHourly;
    QRadioButton* rbEvery;
    QSpinBox* edtMinutes;
    QRadioButton* rbOff;
    QPushButton* btnOk;
    QPushButton* btnCancel;
};

}  // namespace dm::ui
