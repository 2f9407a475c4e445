// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_DIALOGS_MODALDIALOGS_H
#define VIEWER_DIALOGS_MODALDIALOGS_H

#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <functional>

class QColor;
class QColorDialog;
class QDialog;

namespace Korvex {

/// Modal dialogs that return at once: each is shown over its window and hands what the user
/// chose to a continuation, so the application's event loop stays the only one. A dialog
/// belongs to the window it is shown over and is deleted once closed.
namespace ModalDialogs {

/// The modal dialog already open over `window` (or, for a window of its own, over the whole
/// application), raised to the front; null when none is open. A command that would open a
/// second dialog over the first does nothing instead.
QWidget *raiseOpen(QWidget *window);

/// Opens `dialog` modally over its parent window (over the application when it has none);
/// it is deleted once closed.
void open(QDialog *dialog);

/// A message box with the given buttons; `done` receives the button chosen (NoButton when
/// the box was closed without one).
QMessageBox *message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                     const QString &text,
                     QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                     std::function<void(QMessageBox::StandardButton)> done = {});

/// Asks a Yes/No question; `yes` runs only when the answer is Yes.
QMessageBox *ask(QWidget *parent, const QString &title, const QString &text,
                 std::function<void()> yes);

/// A file dialog for one file (an existing one to open, or any name to save under);
/// `chosen` receives the file once the dialog is accepted.
QFileDialog *chooseFile(QWidget *parent, const QString &caption, const QString &folder,
                        const QString &filter, QFileDialog::AcceptMode mode,
                        std::function<void(const QString &)> chosen);

/// A colour dialog starting at `initial`; `chosen` receives the colour once it is accepted.
QColorDialog *chooseColor(QWidget *parent, const QColor &initial,
                          std::function<void(const QColor &)> chosen);

} // namespace ModalDialogs

} // namespace Korvex

#endif // VIEWER_DIALOGS_MODALDIALOGS_H
