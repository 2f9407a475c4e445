// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_DIALOGS_FILEDIALOG_H
#define VIEWER_DIALOGS_FILEDIALOG_H

#include <QFileDialog>
#include <QMessageBox>

namespace Korvex {

/// A file dialog for one file, to open or to save under, whose own questions (replace a file?)
/// and warnings (no such file) come in message boxes over it that wait for no answer: the
/// dialog stays open until the box is answered, as it did while the box waited.
class FileDialog : public QFileDialog
{
public:
    FileDialog(QWidget *parent, const QString &caption, const QString &folder,
               const QString &filter, QFileDialog::AcceptMode mode);

    void accept() override;

private:
    QMessageBox *box(QMessageBox::Icon icon, const QString &text,
                     QMessageBox::StandardButtons buttons);
};

} // namespace Korvex

#endif // VIEWER_DIALOGS_FILEDIALOG_H
