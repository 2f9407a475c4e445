#include "app/titlefit.h"

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
    // Icon and three buttons, each about a line high, and the gaps between them.
    return metrics.horizontalAdvance(window->windowTitle()) + 6 * metrics.height();
}

void widenToTitle(QWidget *window)
{
    const QSize hint = window->sizeHint();
    window->resize(std::max(hint.width(), titleBarWidth(window)), hint.height());
}

} // namespace Korvex
