#include "about/aboutdlg.h"

#include "ui_aboutdlg.h"

#include <QDesktopServices>
#include <QUrl>

namespace Korvex {

AboutDlg::AboutDlg()
    : QDialog(nullptr)
    , ui(std::make_unique<Ui::AboutDlg>())
{
    ui->setupUi(this);
    ui->lblVersion->setText(tr("Version %1").arg(QStringLiteral("0.9")));
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
    // A desktop without a browser simply does nothing; there is nothing to report.
    QDesktopServices::openUrl(QUrl(webAddress()));
}

void AboutDlg::mailTo()
{
    QDesktopServices::openUrl(QUrl(mailLink()));
}

} // namespace Korvex
