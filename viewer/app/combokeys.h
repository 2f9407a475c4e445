// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_APP_COMBOKEYS_H
#define VIEWER_APP_COMBOKEYS_H

#include <QObject>

namespace Korvex {

/// Keeps Alt+Up and Alt+Down, which open a combo box's list, for the combo boxes it watches
/// while they have the focus; elsewhere in the window the same keys are shortcuts.
class ComboKeys : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace Korvex

#endif // VIEWER_APP_COMBOKEYS_H
