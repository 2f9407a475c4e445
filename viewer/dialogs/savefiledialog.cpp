// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/dialogs/savefiledialog.h"

#include <QFileInfo>
#include <QMessageBox>

namespace Korvex {

SaveFileDialog::SaveFileDialog(QWidget *parent, const QString &caption, const QString &folder,
                               const QString &filter)
    : QFileDialog(parent, caption, folder, filter)
{
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    // The question is asked here, where it does not hold the caller up.
    setOption(QFileDialog::DontConfirmOverwrite);
}

void SaveFileDialog::accept()
{
    const QStringList files = selectedFiles();
    const QFileInfo file(files.isEmpty() ? QString() : files.constFirst());
    if (files.isEmpty() || !file.exists() || file.isDir()) {
        QFileDialog::accept();
        return;
    }
    // The file dialog's own words, Yes or No, No by default.
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                QFileDialog::tr("%1 already exists.\nDo you want to replace it?")
                                    .arg(file.fileName()),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box] {
        if (box->standardButton(box->clickedButton()) == QMessageBox::Yes)
            QFileDialog::accept();
    });
    box->open();
}

} // namespace Korvex
