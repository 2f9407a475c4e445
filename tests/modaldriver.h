// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_MODALDRIVER_H
#define TESTS_MODALDRIVER_H

#include "hangguard.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

/// Drives the static modal dialogs (file, input, message, print) that a slot opens and waits
/// in: the handler runs once a visible dialog of type T is the active modal widget.
namespace ModalDriver {

namespace Detail {

// Ends every modal dialog, so that the slot waiting in one returns and the test goes on.
inline void closeModalWidgets()
{
    for (int closed = 0; closed < 100; ++closed) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    }
}

// Without a context the wait belongs to the application; with one it ends with the context.
template<typename T>
void poll(std::function<void(T *)> handler, QPointer<QObject> context, bool bound,
          QDeadlineTimer deadline, int delayMs)
{
    if (bound && !context)
        return;
    QObject *receiver = bound ? context.data() : qApp;
    QTimer::singleShot(delayMs, receiver, [handler, context, bound, deadline] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            handler(dialog);
        } else if (!deadline.hasExpired()) {
            poll<T>(handler, context, bound, deadline, 10);
        } else {
            QTest::qFail("ModalDriver: the expected dialog never showed", __FILE__, __LINE__);
            closeModalWidgets();
        }
    });
}

} // namespace Detail

/// Runs handler on the next visible modal dialog of type T. Should none come within the hang
/// guard, the test fails and whatever modal dialog is up is closed. Deleting `context` ends
/// the wait early, for a test that expects no dialog at all.
template<typename T>
void whenModal(std::function<void(T *)> handler, QObject *context = nullptr)
{
    Detail::poll<T>(std::move(handler), context, context != nullptr,
                    QDeadlineTimer(HangGuardMs), 0);
}

} // namespace ModalDriver

#endif // TESTS_MODALDRIVER_H
