// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TEXT_SCROLLERGEOMETRY_H
#define CORE_TEXT_SCROLLERGEOMETRY_H

#include <QRectF>
#include <QtGlobal>

namespace Korvex {

class FrameBitmap;

/// The frame scroller's maths, in scene pixels: the height each frame gets, where its bar lies
/// and which pixel rows it paints, where the tracker lies, and which row a tracker position means.
class ScrollerGeometry
{
public:
    /// First and last pixel row (inclusive) that a bar paints.
    struct PixelRows
    {
        qint64 first;
        qint64 last;
    };

    /// One table row per frame when every row fits into the table; otherwise the viewport
    /// height below the header shared out among all frames.
    static double itemHeight(qint64 count, int rowH, int headerH, int tableH, int viewH);

    /// Bar i starts one pixel above the header's bottom plus i frame heights.
    static double barTop(qint64 i, double h, int headerH);
    /// At least one pixel high, whatever the compression.
    static int barHeight(double h);
    static QRectF barRect(qint64 i, double h, int headerH, int stripW);
    /// The rows a filled rectangle with a cosmetic outline covers on the raster: from the row
    /// its top lies in down to that row plus the bar's height.
    static PixelRows barRows(qint64 i, double h, int headerH);

    /// The scene's height: just below the last bar.
    static double sceneHeight(qint64 count, double h, int headerH);

    /// The tracker in scene coordinates over rows topRow to bottomRow; a bottomRow of -1 (no
    /// row at the viewport's bottom) means the list ends above it.
    static QRectF trackerRect(qint64 topRow, qint64 bottomRow, qint64 count, double h,
                              int headerH, int viewW);

    /// The row whose bar the tracker's top at scene y stands for, within 0 to count - 1.
    static qint64 rowAt(double sceneTop, double h, int headerH, qint64 count);

    /// The row whose share of the strip holds scene y: the bars of rows r to r + 1 part the
    /// strip between them. -1 above the first bar and below the last.
    static qint64 rowAtY(double y, double h, int headerH, qint64 count);

    /// The bars first to last whose pixel rows reach pixel row y; none (last < first) where no
    /// bar does.
    struct Bars
    {
        qint64 first;
        qint64 last;
    };
    static Bars barsReaching(qint64 y, double h, int headerH, qint64 count);

    /// The frame the strip stands for at scene y, of `count` frames: the one whose share of the
    /// strip holds y (rowAtY). With a display filter (`shown`; nullptr for none) that hides it,
    /// the shown frame nearest to it (the earlier of two as near) among the bars that paint the
    /// same pixel row, where there is one: what that row shows in full colour.
    static qint64 frameAtY(double y, double h, int headerH, qint64 count,
                           const FrameBitmap *shown);

    /// The last of `count` bars whose first pixel row lies at or above pixel row y, or -1.
    static qint64 lastBarFrom(qint64 y, double h, int headerH, qint64 count);
};

} // namespace Korvex

#endif // CORE_TEXT_SCROLLERGEOMETRY_H
