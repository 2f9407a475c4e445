// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/combokeys.h"

#include <QEvent>
#include <QKeyEvent>

namespace Korvex {

bool ComboKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::AltModifier
            && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            // An accepted override hands the key to the focused widget instead of a shortcut.
            event->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace Korvex
