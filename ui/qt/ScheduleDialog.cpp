#include "ui/qt/ScheduleDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "ui/qt/Forms.h"

namespace dm::ui {

TdlgSchedule::TdlgSchedule(QWidget* parent, const std::string& schedule) : QDialog(parent)
{
    setWindowTitle(qs(textIn("按时运行", "Schedule")));
    auto* column = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    rbDaily = new QRadioButton(qs(textIn("每天, 时间:", "Every day at:")), this);
    edtTime = new QTimeEdit(QTime(2, 0), this);
    edtTime->setDisplayFormat(QStringLiteral("HH:mm"));
    rbHourly = new QRadioButton(qs(textIn("每小时", "Every hour")), this);
    rbEvery = new QRadioButton(qs(textIn("每隔 (分钟):", "Every (minutes):")), this);
    edtMinutes = new QSpinBox(this);
    edtMinutes->setRange(1, 10080);  // up to a week, as the command line takes it
    edtMinutes->setValue(30);
    rbOff = new QRadioButton(qs(textIn("不按时运行", "Not on a schedule")), this);
    grid->addWidget(rbDaily, 0, 0);
    grid->addWidget(edtTime, 0, 1);
    grid->addWidget(rbHourly, 1, 0);
    grid->addWidget(rbEvery, 2, 0);
    grid->addWidget(edtMinutes, 2, 1);
    grid->addWidget(rbOff, 3, 0);
    column->addLayout(grid);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    btnOk = new QPushButton(qs(textIn("确定", "OK")), this);
    btnOk->setDefault(true);
    btnCancel = new QPushButton(qs(textIn("取消", "Cancel")), this);
    row->addWidget(btnOk);
    row->addWidget(btnCancel);
    column->addLayout(row);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    // A time or a number typed chooses its line.
    connect(edtTime, &QTimeEdit::timeChanged, rbDaily, [this] { rbDaily->setChecked(true); });
    connect(edtMinutes, &QSpinBox::valueChanged, rbEvery, [this] { rbEvery->setChecked(true); });

    const QStringList words = qs(schedule).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString kind = words.value(0);
    if (kind == QStringLiteral("daily") && QTime::fromString(words.value(1), QStringLiteral("H:mm")).isValid()) {
        edtTime->setTime(QTime::fromString(words.value(1), QStringLiteral("H:mm")));
    } else if (kind == QStringLiteral("hourly")) {
        rbHourly->setChecked(true);
    } else if (kind == QStringLiteral("every") && words.value(1).toInt() > 0) {
        edtMinutes->setValue(words.value(1).toInt());
    } else if (kind.isEmpty()) {
        rbOff->setChecked(true);
    } else {
        rbDaily->setChecked(true);  // a schedule this window cannot show: a daily one proposed
    }
}

QStringList TdlgSchedule::arguments() const
{
    if (rbDaily->isChecked()) return {QStringLiteral("--daily"), edtTime->time().toString(QStringLiteral("HH:mm"))};
    if (rbHourly->isChecked()) return {QStringLiteral("--hourly")};
    if (rbEvery->isChecked()) return {QStringLiteral("--every"), QString::number(edtMinutes->value())};
    return {QStringLiteral("--off")};
}

}  // namespace dm::ui
