#include "ui/qt/AboutBox.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

#include "common/Messages.h"
#include "common/Version.h"
#include "ui/qt/Artwork.h"
#include "ui/qt/Dialogs.h"
#include "ui/qt/Forms.h"

namespace dm::ui {

TAboutBox::TAboutBox(QWidget* owner, const QString& productName, const QString& versionText) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("About"));
    setFont(formFont(12));
    setFixedSize(372, 206);
    const QPixmap banner = aboutBanner(377, 40);
    ProgramIcon = label(this, {}, 0, 0, 100, 40);
    ProgramIcon->setPixmap(banner.copy(0, 0, 100, 40));
    Image1 = label(this, {}, 100, 0, 277, 40);
    Image1->setPixmap(banner.copy(100, 0, 277, 40));
    for (QLabel* part : {ProgramIcon, Image1}) {
        part->setToolTip(tr("欢迎使用！单击访问我们的网站"));
        part->setCursor(Qt::PointingHandCursor);
        part->installEventFilter(this);
    }
    lbProductName = label(this, productName, 0, 56, 369, 17, true);
    lbProductName->setAlignment(Qt::AlignCenter);
    lbVersion = label(this, qs(messageText(msg::FileVersionLabel)) + versionText, 66, 88, 241, 17);
    lbVersion->setAlignment(Qt::AlignCenter);
    Label1 = label(this, tr("问题与建议请来信：support@dirmatch.example.org"), 16, 120, 345, 14);
    QFont underlined = Label1->font();
    underlined.setUnderline(true);
    Label1->setFont(underlined);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->installEventFilter(this);
    lbNotice = label(this, tr("本程序只复制，不删除：文件夹 B 中多余的文件会保留。"), 16, 144, 345, 17);
    OKButton = button(this, tr("确定"), 143, 172, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == ProgramIcon || watched == Image1) openWithShell(QString::fromLatin1(kWebSite));
        if (watched == Label1) openWithShell(QString::fromLatin1(kSupportMail));
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace dm::ui
