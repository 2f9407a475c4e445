// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/titlefit.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QWidget>

#include <algorithm>

namespace Korvex {

int titleBarWidth(const QWidget *window)
{
    // The window manager draws the title in a font of its own, usually a bold one of the
    // desktop's size; the title bar font Qt knows of stands in for it.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const QFontMetrics metrics(font);
    // Icon, three buttons and the gaps around them and the title: about nine lines' height in
    // the common title bars, which elide a title that gets less.
    return metrics.horizontalAdvance(window->windowTitle()) + 9 * metrics.height();
}

void widenToTitle(QWidget *window)
{
    const QSize hint = window->sizeHint();
    window->resize(std::max(hint.width(), titleBarWidth(window)), hint.height());
}

} // namespace Korvex
