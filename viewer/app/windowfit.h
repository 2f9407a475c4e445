// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_APP_WINDOWFIT_H
#define VIEWER_APP_WINDOWFIT_H

#include <QRect>
#include <QSize>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

namespace Korvex {

/// Where a window of the wanted size goes over another: centred on it, no larger than the
/// screen's room (`available`) and moved to lie wholly within it. Sizes in the windows' own
/// pixels; `minimum` is the least the window can take, which wins over the screen.
QRect fittedOver(QSize wanted, QSize minimum, const QRect &over, const QRect &available);

/// Places a tool window (statistics, charts, marks) over the main window on its screen as
/// fittedOver says, before the window is first shown; its layout scrolls or squeezes in a
/// smaller size.
void placeOver(QWidget *window, const QWidget *over);

} // namespace Korvex

#endif // VIEWER_APP_WINDOWFIT_H
