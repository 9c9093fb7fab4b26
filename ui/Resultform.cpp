#include "ui/Resultform.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/Comp.h"
#include "engine/ResultView.h"
#include "ui/Artwork.h"
#include "ui/Forms.h"

namespace dm::ui {

namespace {
constexpr int kWidth = 537;
constexpr int kCollapsedHeight = 81;  // a window of 115 pixels, frame included
constexpr int kExpandedHeight = 344;  // a window of 378 pixels
constexpr int kMemoHeight = 256;
constexpr int kButtonsFromBottom = 33;
}  // namespace

void fillReport(TDM& dm, const dirCompare& comp)
{
    const result_t& results = comp.results;
    StringList& lines = dm.ReportLines;
    lines.clear();
    const auto t = [](uint32_t n) { return messageText(n); };
    dm.Identical = results.lacked == 0 && results.different == 0 && results.redundant == 0;
    if (dm.Identical) {
        lines.push_back(t(msg::ReportIdentical));
    } else {
        lines.push_back(t(msg::ReportNotIdentical));
        lines.push_back(t(msg::ReportCountsHeading));
        lines.push_back(t(msg::ReportLacked) + std::to_string(results.lacked));
        lines.push_back(t(msg::ReportDifferent) + std::to_string(results.different));
        lines.push_back(t(msg::ReportRedundant) + std::to_string(results.redundant));
    }
    lines.emplace_back();
    lines.push_back(t(msg::ReportFolderA) + dm.StandardDir);
    lines.push_back(t(msg::ReportFolderB) + dm.LocalDir);
    lines.emplace_back();
    const uint32_t o = dm.Options;
    lines.push_back(
        t(msg::RulesHeading) + t(o & optSize ? msg::RuleSize : msg::RuleNoSize) +
        t(o & optTime ? msg::RuleTime : msg::RuleNoTime) + t(o & optVersion ? msg::RuleVersion : msg::RuleNoVersion) +
        t(o & optSubFolders ? msg::RuleSubFolders : msg::RuleNoSubFolders) +
        (o & optContent ? textIn(", 比较文件内容", ", compare file content") : std::string()) +
        (comp.request.timeWindow
             ? textIn(", 时间容差 ", ", time window ") + std::to_string(comp.request.timeWindow) + textIn(" 秒", " s")
             : std::string()) +
        (comp.request.ignoreHourShift ? textIn(", 忽略整一小时的时差", ", one-hour shifts ignored") : std::string()));
    if (const std::string note = comp.contentRuleNote(); !note.empty()) lines.push_back(note);
    std::vector<const result_t*> unreadable;
    collectUnreadable(results, unreadable);
    if (!unreadable.empty()) {
        lines.emplace_back();
        lines.push_back(textIn("无法读取而略过的文件夹:", "Folders skipped because they could not be read:"));
        for (const result_t* r : unreadable)
            lines.push_back((r->elemA ? r->pathA() : r->pathB()) + "  (" + unreadableText(*r) + ")");
    }
    lines.emplace_back();
    lines.push_back(t(msg::ReportIncluded));
    lines.insert(lines.end(), dm.DoCompareList.begin(), dm.DoCompareList.end());
    lines.push_back(t(msg::ReportExcluded));
    lines.insert(lines.end(), dm.NotUpdateList.begin(), dm.NotUpdateList.end());
}

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
