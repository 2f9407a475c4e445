// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_PRINTTOFILE_H
#define TESTS_PRINTTOFILE_H

#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QString>

/// Chooses "Print to File (PDF)" into `path` in an open print dialog; false when the dialog
/// offers no such choice.
inline bool printToFile(QPrintDialog *dialog, const QString &path)
{
    auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"));
    auto *fileName = dialog->findChild<QLineEdit *>(QStringLiteral("filename"));
    const int pdf = printers ? printers->findText(QStringLiteral("Print to File (PDF)")) : -1;
    if (pdf < 0 || !fileName)
        return false;
    printers->setCurrentIndex(pdf);
    fileName->setText(path);
    return true;
}

#endif // TESTS_PRINTTOFILE_H
