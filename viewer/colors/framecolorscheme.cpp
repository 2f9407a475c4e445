// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/colors/framecolorscheme.h"

namespace Korvex {

QColor FrameColorScheme::textColor(int version, const QString &name) const
{
    const Table &colors = table(version);
    const auto it = colors.constFind(name);
    return it == colors.constEnd() ? QColor() : it->textColor;
}

QColor FrameColorScheme::bgColor(int version, const QString &name) const
{
    const Table &colors = table(version);
    const auto it = colors.constFind(name);
    return it == colors.constEnd() ? QColor() : it->bgColor;
}

} // namespace Korvex
