// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_ABOUT_ABOUTDLG_H
#define VIEWER_ABOUT_ABOUTDLG_H

#include <QDialog>

#include <memory>

namespace Ui {
class AboutDlg;
}

namespace Korvex {

/// The About box: product, version and maker, with buttons that hand the maker's web page
/// and a mail to support to the desktop.
class AboutDlg : public QDialog
{
    Q_OBJECT

public:
    AboutDlg();
    ~AboutDlg() override;

    /// The maker's web page, as handed to the desktop.
    static QString webAddress();
    /// The mail link to support, as handed to the desktop.
    static QString mailLink();

public slots:
    void openURL();
    void mailTo();

private:
    /// Tells that the desktop could not open a link and shows its address for copying.
    void showAddress(const QString &problem, const QString &address);

    std::unique_ptr<Ui::AboutDlg> ui;
};

} // namespace Korvex

#endif // VIEWER_ABOUT_ABOUTDLG_H
