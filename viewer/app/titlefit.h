// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_APP_TITLEFIT_H
#define VIEWER_APP_TITLEFIT_H

#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace Korvex {

/// The width a window needs for its title to show whole in the title bar, with room for the
/// window icon and the buttons that the window manager puts beside it.
int titleBarWidth(const QWidget *window);

/// Gives a window that is about to be shown at least the width of its title bar text; a
/// dialog sized to its few controls would show its title cut short.
void widenToTitle(QWidget *window);

} // namespace Korvex

#endif // VIEWER_APP_TITLEFIT_H
