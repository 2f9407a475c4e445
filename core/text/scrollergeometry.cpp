// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/scrollergeometry.h"

#include "core/filters/framebitmap.h"

#include <QtMath>

#include <cmath>

namespace Korvex {

double ScrollerGeometry::itemHeight(qint64 count, int rowH, int headerH, int tableH, int viewH)
{
    // In 64 bits: a hundred million rows of 30 pixels overflow an int.
    if (count * rowH + headerH <= tableH)
        return rowH;
    return double(viewH - headerH) / double(count);
}

double ScrollerGeometry::barTop(qint64 i, double h, int headerH)
{
    return (headerH - 1) + double(i) * h;
}

int ScrollerGeometry::barHeight(double h)
{
    return qMax(1, int(h));
}

QRectF ScrollerGeometry::barRect(qint64 i, double h, int headerH, int stripW)
{
    return QRectF(0, barTop(i, h, headerH), stripW, barHeight(h));
}

ScrollerGeometry::PixelRows ScrollerGeometry::barRows(qint64 i, double h, int headerH)
{
    const qint64 first = qFloor(barTop(i, h, headerH));
    return {first, first + barHeight(h)};
}

double ScrollerGeometry::sceneHeight(qint64 count, double h, int headerH)
{
    return barTop(count, h, headerH);
}

QRectF ScrollerGeometry::trackerRect(qint64 topRow, qint64 bottomRow, qint64 count, double h,
                                     int headerH, int viewW)
{
    const qint64 top = qMax<qint64>(0, topRow);
    const qint64 bottom = bottomRow < 0 ? count - 1 : bottomRow;
    const double height = qMax(3.0, std::trunc(double(bottom - top + 1) * h));
    return QRectF(0, double(top) * h + headerH, viewW, height);
}

qint64 ScrollerGeometry::rowAt(double sceneTop, double h, int headerH, qint64 count)
{
    if (count <= 0 || !(h > 0))
        return 0;
    // The tracker's top sits exactly on a row's bar after every scroll; the small allowance keeps
    // a product like 3 * 0.1 / 0.1 from truncating to the row above.
    const double row = std::floor((sceneTop - headerH) / h + 1e-6);
    return qint64(qBound(0.0, row, double(count - 1)));
}

ScrollerGeometry::Bars ScrollerGeometry::barsReaching(qint64 y, double h, int headerH,
                                                     qint64 count)
{
    // The bars that reach down to this pixel row start after the last that ends above it.
    return {lastBarFrom(y - barHeight(h) - 1, h, headerH, count) + 1,
            lastBarFrom(y, h, headerH, count)};
}

qint64 ScrollerGeometry::rowAtY(double y, double h, int headerH, qint64 count)
{
    if (count <= 0 || !(h > 0) || y < barTop(0, h, headerH) || y >= sceneHeight(count, h, headerH))
        return -1;
    const double row = std::floor((y - barTop(0, h, headerH)) / h + 1e-9);
    return qint64(qBound(0.0, row, double(count - 1)));
}

qint64 ScrollerGeometry::frameAtY(double y, double h, int headerH, qint64 count,
                                  const FrameBitmap *shown)
{
    const qint64 frame = rowAtY(y, h, headerH, count);
    if (frame < 0 || !shown || shown->test(frame))
        return frame;
    const Bars bars = barsReaching(qFloor(y), h, headerH, count);
    const qint64 before = shown->previousSet(frame);
    const qint64 after = shown->nextSet(frame);
    const bool hasBefore = before >= 0 && before >= bars.first;
    const bool hasAfter = after >= 0 && after <= bars.last;
    if (hasBefore && (!hasAfter || frame - before <= after - frame))
        return before;
    return hasAfter ? after : frame;
}

qint64 ScrollerGeometry::lastBarFrom(qint64 y, double h, int headerH, qint64 count)
{
    if (count <= 0 || !(h > 0))
        return -1;
    // A first guess from the bar tops' arithmetic, then made exact against barRows itself.
    const double guess = std::ceil((double(y) + 2 - headerH) / h) - 1;
    qint64 bar = qint64(qBound(-1.0, guess, double(count - 1)));
    while (bar + 1 < count && barRows(bar + 1, h, headerH).first <= y)
        ++bar;
    while (bar >= 0 && barRows(bar, h, headerH).first > y)
        --bar;
    return bar;
}

} // namespace Korvex
