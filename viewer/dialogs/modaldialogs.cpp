// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/dialogs/modaldialogs.h"

#include "viewer/dialogs/filedialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>

namespace Korvex::ModalDialogs {

QWidget *raiseOpen(QWidget *window)
{
    QWidget *modal = QApplication::activeModalWidget();
    // A modal dialog is not in its own way.
    if (!modal || modal == window->window())
        return nullptr;
    // A dialog shown over another window leaves this one free.
    if (modal->windowModality() == Qt::WindowModal) {
        const QWidget *over = modal->parentWidget();
        while (over && over->window() != window->window())
            over = over->parentWidget();
        if (!over)
            return nullptr;
    }
    modal->raise();
    modal->activateWindow();
    return modal;
}

void open(QDialog *dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (dialog->parentWidget() && dialog->parentWidget()->window()->isVisible()) {
        dialog->open();
        return;
    }
    // A window-modal dialog without a window to block (none, or one not shown) would block
    // nothing.
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setResult(0);
    dialog->show();
}

QMessageBox *message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                     const QString &text, QMessageBox::StandardButtons buttons,
                     std::function<void(QMessageBox::StandardButton)> done)
{
    auto *box = new QMessageBox(icon, title, text, buttons, parent);
    if (done) {
        QObject::connect(box, &QDialog::finished, box, [box, done = std::move(done)] {
            done(box->standardButton(box->clickedButton()));
        });
    }
    open(box);
    return box;
}

QMessageBox *ask(QWidget *parent, const QString &title, const QString &text,
                 std::function<void()> yes)
{
    return message(parent, QMessageBox::Question, title, text,
                   QMessageBox::Yes | QMessageBox::No,
                   [yes = std::move(yes)](QMessageBox::StandardButton button) {
                       if (button == QMessageBox::Yes)
                           yes();
                   });
}

QFileDialog *chooseFile(QWidget *parent, const QString &caption, const QString &folder,
                        const QString &filter, QFileDialog::AcceptMode mode,
                        std::function<void(const QString &)> chosen)
{
    auto *dialog = new FileDialog(parent, caption, folder, filter, mode);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [chosen = std::move(chosen)](const QString &file) {
                         if (!file.isEmpty())
                             chosen(file);
                     });
    open(dialog);
    return dialog;
}

QColorDialog *chooseColor(QWidget *parent, const QColor &initial,
                          std::function<void(const QColor &)> chosen)
{
    auto *dialog = new QColorDialog(parent);
    dialog->setCurrentColor(initial);
    QObject::connect(dialog, &QColorDialog::colorSelected, dialog,
                     [chosen = std::move(chosen)](const QColor &color) {
                         if (color.isValid())
                             chosen(color);
                     });
    open(dialog);
    return dialog;
}

} // namespace Korvex::ModalDialogs
