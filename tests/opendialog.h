// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_OPENDIALOG_H
#define TESTS_OPENDIALOG_H

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QStringList>
#include <QWidget>

/// The viewer's dialogs open without waiting: once the call that opens one returns, the dialog
/// is the active modal widget, and a test fills and answers it directly.
namespace OpenDialog {

/// The modal dialog of type T now open (the one on top), or null.
template<typename T>
T *top()
{
    auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

/// Answers the message boxes open, top first, and gives their "title|text" in the order they
/// opened.
inline QStringList takeMessageBoxes()
{
    QStringList boxes;
    while (auto *box = top<QMessageBox>()) {
        boxes.prepend(box->windowTitle() + QLatin1Char('|') + box->text());
        box->done(QMessageBox::Ok);
    }
    return boxes;
}

/// Rejects every modal dialog still open, top first, so that a test that stopped midway leaves
/// none behind; returns how many there were.
inline int closeAll()
{
    int closed = 0;
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        if (++closed == 100)
            break;
    }
    return closed;
}

} // namespace OpenDialog

#endif // TESTS_OPENDIALOG_H
