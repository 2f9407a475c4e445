// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_COLORS_FRAMECOLORSCHEME_H
#define VIEWER_COLORS_FRAMECOLORSCHEME_H

#include "viewer/colors/framecolors.h"

#include <QColor>
#include <QMap>
#include <QString>

namespace Korvex {

/// The frame colours of both protocol versions, keyed by logical channel type name: what the
/// frame table, the overview strip and printing paint with. The colour dialog edits it.
class FrameColorScheme
{
public:
    using Table = QMap<QString, FrameColors>;

    /// DigRF 3G for version 0, DigRF v4 for every other version.
    const Table &table(int version) const { return version == 0 ? colors3G : colorsV4; }
    Table &table(int version) { return version == 0 ? colors3G : colorsV4; }

    /// The colours of a channel type name; an invalid colour when the table has no entry.
    /// A lookup never adds an entry.
    QColor textColor(int version, const QString &name) const;
    QColor bgColor(int version, const QString &name) const;

private:
    Table colors3G;
    Table colorsV4;
};

} // namespace Korvex

#endif // VIEWER_COLORS_FRAMECOLORSCHEME_H
