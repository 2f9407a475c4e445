// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_COLORS_FRAMECOLORS_H
#define VIEWER_COLORS_FRAMECOLORS_H

#include <QColor>

namespace Korvex {

/// Text and background colour of one logical channel type; an invalid colour means none.
struct FrameColors
{
    QColor textColor;
    QColor bgColor;
};

} // namespace Korvex

#endif // VIEWER_COLORS_FRAMECOLORS_H
