#include "ui/qt/Resultform.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/compare/Comp.h"
#include "ui/qt/Artwork.h"
#include "ui/qt/Forms.h"

namespace dm::ui {

namespace {
constexpr int kWidth = 537;
constexpr int kCollapsedHeight = 81;  // a window of 115 pixels, frame included
constexpr int kExpandedHeight = 344;  // a window of 378 pixels
constexpr int kMemoHeight = 256;
constexpr int kButtonsFromBottom = 33;
}  // namespace

TfrmResult::TfrmResult(TDM& dm, QWidget* parent) : QDialog(parent), dm_(dm)
{
    setWindowTitle(tr("结果"));
    setFont(formFont(12));
    setFixedSize(kWidth, kCollapsedHeight);
    Image1 = label(this, {}, 24, 8, 32, 32);
    Image1->setPixmap(reportIcon(true));
    Image2 = label(this, {}, 24, 8, 32, 32);
    Image2->setPixmap(reportIcon(false));
    Label1 = label(this, {}, 64, 16, 441, 24);
    Label1->setAlignment(Qt::AlignCenter);
    QFont headline = Label1->font();
    headline.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("WenQuanYi Micro Hei")});
    headline.setPixelSize(19);
    Label1->setFont(headline);
    memoResult = memo(this, 24, 49, 497, 0);
    memoResult->setReadOnly(true);
    memoResult->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoResult->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memoResult->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memoResult->setStyleSheet(QStringLiteral("QPlainTextEdit { background: palette(button); }"));
    memoResult->setVisible(false);
    btnOk = flatButton(this, tr("关闭"), 448, 48, 73, 25);
    btnDetail = flatButton(this, tr("细节 >>"), 24, 48, 73, 25);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnDetail, &QPushButton::clicked, this, &TfrmResult::btnDetailClick);
}

void TfrmResult::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TfrmResult::FormShow()
{
    memoResult->clear();
    QString text;
    for (const std::string& line : dm_.ReportLines) text += qs(line) + QLatin1Char('\n');
    memoResult->setPlainText(text);
    Label1->setText(dm_.ReportLines.empty() ? QString() : qs(dm_.ReportLines.front()));
    Image1->setVisible(dm_.Identical);
    Image2->setVisible(!dm_.Identical);
}

void TfrmResult::btnDetailClick()
{
    expanded = !expanded;
    btnDetail->setText(qs(messageText(msg::DetailsButton)) +
                       (expanded ? QStringLiteral(" <<") : QStringLiteral(" >>")));
    memoResult->setVisible(expanded);
    memoResult->resize(memoResult->width(), expanded ? kMemoHeight : 0);
    setFixedSize(kWidth, expanded ? kExpandedHeight : kCollapsedHeight);
}

void TfrmResult::resizeEvent(QResizeEvent* event)
{
    // The buttons keep their distance to the bottom edge.
    btnOk->move(btnOk->x(), height() - kButtonsFromBottom);
    btnDetail->move(btnDetail->x(), height() - kButtonsFromBottom);
    QDialog::resizeEvent(event);
}

}  // namespace dm::ui
