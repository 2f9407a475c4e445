// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/dialogs/filedialog.h"

#include <QFileInfo>
#include <QMessageBox>

namespace Korvex {

FileDialog::FileDialog(QWidget *parent, const QString &caption, const QString &folder,
                       const QString &filter, QFileDialog::AcceptMode mode)
    : QFileDialog(parent, caption, folder, filter)
{
    setAcceptMode(mode);
    setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The question is asked in accept(), where it does not hold the caller up.
    setOption(QFileDialog::DontConfirmOverwrite);
}

void FileDialog::accept()
{
    const QStringList files = selectedFiles();
    // A folder is opened in the dialog; a name starting with '$' is the dialog's own to expand.
    const QFileInfo file(files.isEmpty() ? QString() : files.constFirst());
    if (files.isEmpty() || file.isDir() || file.filePath().startsWith(QLatin1Char('$'))) {
        QFileDialog::accept();
        return;
    }
    // The file dialog's own words, through its own translations.
    if (acceptMode() == QFileDialog::AcceptOpen) {
        if (file.exists())
            QFileDialog::accept();
        else
            box(QMessageBox::Warning,
                QFileDialog::tr("%1\nFile not found.\nPlease verify the correct file name was "
                                "given.")
                    .arg(file.fileName()),
                QMessageBox::Ok);
        return;
    }
    if (!file.exists()) {
        QFileDialog::accept();
        return;
    }
    QMessageBox *replace = box(QMessageBox::Warning,
                               QFileDialog::tr("%1 already exists.\nDo you want to replace it?")
                                   .arg(file.fileName()),
                               QMessageBox::Yes | QMessageBox::No);
    replace->setDefaultButton(QMessageBox::No);
    connect(replace, &QMessageBox::finished, this, [this, replace] {
        if (replace->standardButton(replace->clickedButton()) == QMessageBox::Yes)
            QFileDialog::accept();
    });
}

QMessageBox *FileDialog::box(QMessageBox::Icon icon, const QString &text,
                             QMessageBox::StandardButtons buttons)
{
    auto *box = new QMessageBox(icon, windowTitle(), text, buttons, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}

} // namespace Korvex
