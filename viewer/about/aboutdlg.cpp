// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/about/aboutdlg.h"

#include "ui_aboutdlg.h"

#include "core/text/programinfo.h"
#include "viewer/dialogs/modaldialogs.h"

#include <QDesktopServices>
#include <QIcon>
#include <QUrl>

namespace Korvex {

AboutDlg::AboutDlg()
    : QDialog(nullptr)
    , ui(std::make_unique<Ui::AboutDlg>())
{
    ui->setupUi(this);
    ui->lblVersion->setText(tr("Version %1").arg(ProgramInfo::version()));
    ui->lblLicense->setText(ProgramInfo::licenseNotice());
    // Through an icon the picture is also found at twice its size, which a screen of twice
    // the density shows sharp.
    const QPixmap picture = ui->label->pixmap();
    ui->label->setPixmap(QIcon(QStringLiteral(":/about.png"))
                             .pixmap(picture.deviceIndependentSize().toSize(), devicePixelRatioF()));
}

AboutDlg::~AboutDlg() = default;

QString AboutDlg::webAddress()
{
    // The button's text pads the address with blanks; those are not part of the address.
    return QStringLiteral("https://www.kestrant.example/");
}

QString AboutDlg::mailLink()
{
    return QStringLiteral("mailto:support@kestrant.example");
}

void AboutDlg::openURL()
{
    if (!QDesktopServices::openUrl(QUrl(webAddress())))
        showAddress(tr("No web browser could be started for the web page."), webAddress());
}

void AboutDlg::mailTo()
{
    if (!QDesktopServices::openUrl(QUrl(mailLink())))
        showAddress(tr("No mail program could be started for a mail to support."),
                    QUrl(mailLink()).path());
}

void AboutDlg::showAddress(const QString &problem, const QString &address)
{
    QMessageBox *box = ModalDialogs::message(this, QMessageBox::Information, tr("Framescope"),
                                             tr("%1\nThe address to copy:\n\n%2")
                                                 .arg(problem, address));
    // The address can be selected and copied from the box.
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

} // namespace Korvex
