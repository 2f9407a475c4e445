#ifndef TESTS_MODALDRIVER_H
#define TESTS_MODALDRIVER_H

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

/// Drives the static modal dialogs (file, input, message, print) that a slot opens and waits
/// in: the handler runs once a visible dialog of type T is the active modal widget.
namespace ModalDriver {

template<typename T>
void whenModal(std::function<void(T *)> handler, int triesLeft = 500)
{
    QTimer::singleShot(0, [handler, triesLeft] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            handler(dialog);
        } else if (triesLeft > 0) {
            QTimer::singleShot(10, [handler, triesLeft] { whenModal<T>(handler, triesLeft - 1); });
        } else {
            qWarning("ModalDriver: the expected dialog never showed");
        }
    });
}

} // namespace ModalDriver

#endif // TESTS_MODALDRIVER_H
