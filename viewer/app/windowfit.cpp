// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/windowfit.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace Korvex {

QRect fittedOver(QSize wanted, QSize minimum, const QRect &over, const QRect &available)
{
    const QSize size = wanted.boundedTo(available.size()).expandedTo(minimum);
    QRect placed(QPoint(0, 0), size);
    placed.moveCenter(over.center());
    // Within the screen, its top left corner first where the window is larger than the room.
    placed.moveLeft(std::max(available.left(),
                             std::min(placed.left(), available.right() - size.width() + 1)));
    placed.moveTop(std::max(available.top(),
                            std::min(placed.top(), available.bottom() - size.height() + 1)));
    return placed;
}

void placeOver(QWidget *window, const QWidget *over)
{
    const QScreen *screen = over->screen();
    if (!screen)
        return;
    // The title bar and frame come on top of the window's own size.
    const QRect frame = over->frameGeometry();
    const QRect inner = over->geometry();
    const QSize decoration(frame.width() - inner.width(), frame.height() - inner.height());
    const QRect available = screen->availableGeometry().adjusted(
        0, 0, -decoration.width(), -decoration.height());
    const QRect placed = fittedOver(window->size(), window->minimumSizeHint(), inner, available);
    window->resize(placed.size());
    window->move(placed.topLeft());
}

} // namespace Korvex
