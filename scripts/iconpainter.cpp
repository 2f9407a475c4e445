// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's action icons, its window icon (as an icon file and as the PNG files
// the installation puts into the desktop's icon theme) and the About picture, and writes
// them into the folder named on the command line (normally viewer/resources/).
//
// Every picture is painted here from plain shapes, so the set stays consistent and can be
// regenerated after a change: scripts/make-icons.sh builds this program and runs it.
// The action icons and the About picture are also painted at twice their size, as
// NAME@2x.png, which Qt takes from the resources on screens of twice the density.

#include <QByteArray>
#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>
#include <QTextStream>
#include <QtEndian>
#include <QtMath>

#include <functional>

namespace {

// Outlines sit on half-pixel coordinates throughout, so 1-pixel strokes land on whole pixels.
const QColor kInk(0x24, 0x32, 0x3f);

QLinearGradient vertical(qreal top, qreal bottom, const QColor &from, const QColor &to)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    return g;
}

QPen outline(const QColor &color, qreal width = 1.0)
{
    QPen pen(color, width);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

QImage blankImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void beginPainter(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
}

// ---------------------------------------------------------------- action icons, 32 x 32

void paintOpenFolder(QPainter &p)
{
    const QColor edge(0x8a, 0x5a, 0x0c);

    QPainterPath back;
    back.moveTo(3.5, 7.5);
    back.lineTo(11.5, 7.5);
    back.lineTo(14.5, 10.5);
    back.lineTo(26.5, 10.5);
    back.lineTo(26.5, 26.5);
    back.lineTo(3.5, 26.5);
    back.closeSubpath();
    p.setPen(outline(edge));
    p.setBrush(vertical(7, 27, QColor(0xe9, 0xae, 0x45), QColor(0xc9, 0x86, 0x1f)));
    p.drawPath(back);

    // A sheet peeking out tells an open folder from a closed one.
    p.setPen(outline(QColor(0x8f, 0x99, 0xa6)));
    p.setBrush(QColor(0xfb, 0xfb, 0xf8));
    p.drawRect(QRectF(7.5, 12.5, 16, 10));
    p.setPen(outline(QColor(0xb5, 0xbe, 0xc9)));
    p.drawLine(QPointF(10, 15.5), QPointF(21, 15.5));

    QPainterPath front;
    front.moveTo(8.5, 16.5);
    front.lineTo(30.5, 16.5);
    front.lineTo(26.5, 26.5);
    front.lineTo(3.5, 26.5);
    front.closeSubpath();
    p.setPen(outline(edge));
    p.setBrush(vertical(16, 27, QColor(0xff, 0xdc, 0x7e), QColor(0xf0, 0xae, 0x36)));
    p.drawPath(front);
}

void paintFloppy(QPainter &p)
{
    QPainterPath body;
    body.moveTo(4.5, 4.5);
    body.lineTo(24.5, 4.5);
    body.lineTo(27.5, 7.5);
    body.lineTo(27.5, 27.5);
    body.lineTo(4.5, 27.5);
    body.closeSubpath();
    p.setPen(outline(QColor(0x1b, 0x3a, 0x66)));
    p.setBrush(vertical(4, 28, QColor(0x4a, 0x86, 0xd4), QColor(0x27, 0x56, 0x9c)));
    p.drawPath(body);

    // Metal shutter with its window.
    p.setPen(outline(QColor(0x5f, 0x68, 0x74)));
    p.setBrush(vertical(4, 14, QColor(0xee, 0xf0, 0xf3), QColor(0xaf, 0xb6, 0xc0)));
    p.drawRect(QRectF(9.5, 4.5, 13, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x44, 0x50));
    p.drawRect(QRectF(18, 6, 3, 6));

    // Label.
    p.setPen(outline(QColor(0x1b, 0x3a, 0x66)));
    p.setBrush(QColor(0xfa, 0xfa, 0xf5));
    p.drawRect(QRectF(7.5, 17.5, 17, 10));
    p.setPen(outline(QColor(0xa9, 0xb3, 0xc1)));
    p.drawLine(QPointF(10, 20.5), QPointF(22, 20.5));
    p.drawLine(QPointF(10, 23.5), QPointF(22, 23.5));
}

enum class LensSign { None, Plus, Minus };

void paintMagnifier(QPainter &p, LensSign sign)
{
    const QPointF centre(13, 13);
    const qreal radius = 9;

    // Handle: a dark body with a lighter core reads as a rounded grip.
    QPen grip(kInk, 6, Qt::SolidLine, Qt::RoundCap);
    p.setPen(grip);
    p.drawLine(QPointF(20.5, 20.5), QPointF(27.5, 27.5));
    grip.setColor(QColor(0x6b, 0x4a, 0x2a));
    grip.setWidthF(3.6);
    p.setPen(grip);
    p.drawLine(QPointF(20.8, 20.8), QPointF(27.2, 27.2));

    QRadialGradient glass(centre - QPointF(3, 3), radius * 1.4);
    glass.setColorAt(0, QColor(0xf4, 0xfb, 0xff));
    glass.setColorAt(1, QColor(0x9c, 0xcd, 0xf2));
    p.setPen(QPen(QColor(0x45, 0x50, 0x5c), 2.4));
    p.setBrush(glass);
    p.drawEllipse(centre, radius, radius);

    // Glint on the glass, upper left.
    QPen glint(QColor(255, 255, 255, 220), 1.6, Qt::SolidLine, Qt::RoundCap);
    p.setPen(glint);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(centre.x() - 6, centre.y() - 6, 12, 12), 100 * 16, 60 * 16);

    if (sign == LensSign::None)
        return;
    QPen bar(QColor(0x1f, 0x4f, 0x9a), 2.6, Qt::SolidLine, Qt::FlatCap);
    p.setPen(bar);
    p.drawLine(QPointF(8.5, 13), QPointF(17.5, 13));
    if (sign == LensSign::Plus)
        p.drawLine(QPointF(13, 8.5), QPointF(13, 17.5));
}

void paintStop(QPainter &p)
{
    auto octagon = [](qreal radius) {
        QPolygonF poly;
        for (int i = 0; i < 8; ++i) {
            const qreal angle = qDegreesToRadians(22.5 + 45.0 * i);
            poly << QPointF(16 + radius * qCos(angle), 16 + radius * qSin(angle));
        }
        return poly;
    };
    p.setPen(outline(QColor(0x7a, 0x14, 0x10)));
    p.setBrush(vertical(2, 30, QColor(0xf0, 0x5e, 0x4c), QColor(0xbb, 0x24, 0x1a)));
    p.drawPolygon(octagon(14.5));
    p.setPen(QPen(QColor(255, 255, 255, 230), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(octagon(12.2));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(8, 13.5, 16, 5), 1, 1);
}

// A right-pointing arrow; `withBar` adds the end bar of "first"/"last", `mirrored` turns
// it to the left. All four navigation icons share this one shape.
void paintArrow(QPainter &p, bool withBar, bool mirrored)
{
    if (mirrored) {
        p.translate(32, 0);
        p.scale(-1, 1);
    }
    const qreal shift = withBar ? -3 : 0;
    QPolygonF arrow;
    arrow << QPointF(4.5 + shift, 12.5) << QPointF(15.5 + shift, 12.5)
          << QPointF(15.5 + shift, 5.5) << QPointF(27 + shift, 16)
          << QPointF(15.5 + shift, 26.5) << QPointF(15.5 + shift, 19.5)
          << QPointF(4.5 + shift, 19.5);
    const QPen edge = outline(QColor(0x1d, 0x6a, 0x31));
    const QLinearGradient fill = vertical(5, 27, QColor(0x86, 0xdc, 0x98), QColor(0x2a, 0x95, 0x45));
    p.setPen(edge);
    p.setBrush(fill);
    p.drawPolygon(arrow);
    if (withBar)
        p.drawRect(QRectF(25.5, 5.5, 3, 21));
}

void paintFileInfo(QPainter &p)
{
    QPainterPath page;
    page.moveTo(6.5, 2.5);
    page.lineTo(19.5, 2.5);
    page.lineTo(25.5, 8.5);
    page.lineTo(25.5, 29.5);
    page.lineTo(6.5, 29.5);
    page.closeSubpath();
    p.setPen(outline(QColor(0x6a, 0x78, 0x88)));
    p.setBrush(vertical(2, 30, QColor(0xff, 0xff, 0xff), QColor(0xe6, 0xeb, 0xf2)));
    p.drawPath(page);

    QPolygonF ear;
    ear << QPointF(19.5, 2.5) << QPointF(19.5, 8.5) << QPointF(25.5, 8.5);
    p.setBrush(QColor(0xd3, 0xdb, 0xe6));
    p.drawPolygon(ear);

    p.setPen(outline(QColor(0xb5, 0xbe, 0xc9)));
    p.drawLine(QPointF(9, 6.5), QPointF(17, 6.5));
    p.drawLine(QPointF(9, 9.5), QPointF(17, 9.5));

    // Blue disc with the "i", drawn from shapes so it does not depend on fonts.
    p.setPen(outline(QColor(0x17, 0x4a, 0x8a)));
    p.setBrush(vertical(12, 27, QColor(0x5a, 0x9e, 0xea), QColor(0x1f, 0x5c, 0xad)));
    p.drawEllipse(QPointF(16, 19.5), 7.5, 7.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 15.2), 1.6, 1.6);
    p.drawRoundedRect(QRectF(14.6, 17.6, 2.8, 6.6), 0.6, 0.6);
}

void paintPrinter(QPainter &p)
{
    const QPen paperEdge = outline(QColor(0x7a, 0x86, 0x96));

    // Sheet waiting in the feeder.
    p.setPen(paperEdge);
    p.setBrush(QColor(0xfb, 0xfb, 0xf8));
    p.drawRect(QRectF(9.5, 3.5, 13, 10));

    p.setPen(outline(QColor(0x46, 0x50, 0x5c)));
    p.setBrush(vertical(11, 24, QColor(0xe4, 0xe8, 0xec), QColor(0x95, 0x9e, 0xa9)));
    p.drawRoundedRect(QRectF(3.5, 11.5, 25, 12), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3d, 0x46, 0x52));
    p.drawRect(QRectF(7, 18, 18, 2));
    p.setBrush(QColor(0x3c, 0xc8, 0x5a));
    p.drawEllipse(QPointF(25, 14.5), 1.2, 1.2);

    // Printed sheet coming out at the front.
    p.setPen(paperEdge);
    p.setBrush(QColor(0xff, 0xff, 0xff));
    p.drawRect(QRectF(8.5, 19.5, 15, 9));
    p.setPen(outline(QColor(0x5b, 0x6b, 0x80)));
    p.drawLine(QPointF(11, 22.5), QPointF(21, 22.5));
    p.drawLine(QPointF(11, 25.5), QPointF(18, 25.5));
}

void paintSwatches(QPainter &p, const QList<QColor> &colors)
{
    const QPointF corners[4] = {{3.5, 3.5}, {17.5, 3.5}, {3.5, 17.5}, {17.5, 17.5}};
    for (int i = 0; i < 4; ++i) {
        const QColor c = colors.at(i);
        const QRectF r(corners[i], QSizeF(11, 11));
        p.setPen(outline(c.darker(170)));
        p.setBrush(vertical(r.top(), r.bottom(), c.lighter(125), c));
        p.drawRoundedRect(r, 2, 2);
    }
}

// ---------------------------------------------------------------- the mark

// The program's mark: a deep-blue tile with a tide line and a wave riding over it.
// Drawn in a box of `size` pixels; small sizes drop detail that would only blur.
void paintMark(QPainter &p, qreal size)
{
    const qreal s = size / 48.0;
    const bool tiny = size < 24;
    const qreal border = 0.5;
    const QRectF tile(border, border, size - 2 * border, size - 2 * border);
    const qreal radius = tiny ? 3 : 8 * s;

    p.setPen(outline(QColor(0x0f, 0x24, 0x42)));
    p.setBrush(vertical(0, size, QColor(0x2f, 0x72, 0xb8), QColor(0x14, 0x34, 0x62)));
    p.drawRoundedRect(tile, radius, radius);

    // Frame brackets: the capture window the wave is seen through.
    if (!tiny) {
        QPen bracket(QColor(0x9f, 0xd8, 0xff, 170), qMax(1.0, 2 * s), Qt::SolidLine, Qt::FlatCap);
        bracket.setJoinStyle(Qt::MiterJoin);
        p.setPen(bracket);
        p.setBrush(Qt::NoBrush);
        const qreal in = 9 * s, arm = 6 * s;
        const qreal l = in, r = size - in, t = in, b = size - in;
        p.drawPolyline(QPolygonF({{l + arm, t}, {l, t}, {l, t + arm}}));
        p.drawPolyline(QPolygonF({{r - arm, t}, {r, t}, {r, t + arm}}));
        p.drawPolyline(QPolygonF({{l + arm, b}, {l, b}, {l, b - arm}}));
        p.drawPolyline(QPolygonF({{r - arm, b}, {r, b}, {r, b - arm}}));
    }

    // Tide line across the middle.
    const qreal mid = size / 2 + (tiny ? 0.5 : 0);
    p.setPen(QPen(QColor(0x7f, 0xe3, 0xf0, tiny ? 200 : 150), tiny ? 1 : qMax(1.0, 1.5 * s)));
    p.drawLine(QPointF(tiny ? 2 : 6 * s, mid), QPointF(size - (tiny ? 2 : 6 * s), mid));

    // One and a half periods of a wave, white, over the tide line.
    QPainterPath wave;
    const qreal x0 = tiny ? 2.5 : 7 * s, x1 = size - x0;
    const qreal amp = tiny ? 3.5 : 11 * s;
    const int steps = 48;
    for (int i = 0; i <= steps; ++i) {
        const qreal t = qreal(i) / steps;
        const qreal x = x0 + (x1 - x0) * t;
        const qreal y = mid - amp * qSin(t * 3 * M_PI);
        if (i == 0)
            wave.moveTo(x, y);
        else
            wave.lineTo(x, y);
    }
    QPen wavePen(Qt::white, tiny ? 1.6 : qMax(1.8, 3.2 * s), Qt::SolidLine, Qt::RoundCap);
    wavePen.setJoinStyle(Qt::RoundJoin);
    p.setPen(wavePen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
}

QImage markImage(int size)
{
    QImage image = blankImage(size, size);
    QPainter p(&image);
    beginPainter(p);
    paintMark(p, size);
    return image;
}

// The About picture: the mark, larger, on a capture screen with a list of coloured frames
// and the digital trace they came from.
QImage aboutImage(int scale)
{
    QImage image = blankImage(110 * scale, 109 * scale);
    QPainter p(&image);
    beginPainter(p);
    p.scale(scale, scale);

    const QRectF panel(0.5, 0.5, 109, 108);
    p.setPen(outline(QColor(0x0f, 0x24, 0x42)));
    p.setBrush(vertical(0, 109, QColor(0x1c, 0x30, 0x4c), QColor(0x0a, 0x15, 0x24)));
    p.drawRoundedRect(panel, 8, 8);

    p.setPen(QPen(QColor(0x3b, 0x5a, 0x80, 90), 1));
    for (int x = 11; x < 105; x += 11)
        p.drawLine(QPointF(x + 0.5, 4), QPointF(x + 0.5, 105));
    for (int y = 11; y < 105; y += 11)
        p.drawLine(QPointF(4, y + 0.5), QPointF(106, y + 0.5));

    // Frame rows, coloured by channel type as the table shows them.
    const QList<QColor> rowColors = {QColor(0xf2, 0xc2, 0x30), QColor(0x44, 0xb0, 0x5a),
                                     QColor(0x6a, 0xa6, 0xea), QColor(0x44, 0xb0, 0x5a),
                                     QColor(0xe5, 0x48, 0x3b), QColor(0x6a, 0xa6, 0xea),
                                     QColor(0xc9, 0x8b, 0xe8)};
    for (int i = 0; i < rowColors.size(); ++i) {
        const QRectF row(74, 9 + i * 8, 28, 5);
        p.setPen(Qt::NoPen);
        p.setBrush(rowColors.at(i));
        p.drawRoundedRect(row, 1, 1);
        p.setBrush(QColor(0x0a, 0x15, 0x24, 120));
        p.drawRect(QRectF(row.left() + 3, row.top() + 2, 9 + (i * 5) % 11, 1));
    }

    // A digital line: idle low, then bursts of bits, one burst per frame.
    // Four pixels per bit keeps every edge on a pixel centre.
    const QString bits = QStringLiteral("0010110100011010011000101");
    QPolygonF trace;
    const qreal low = 98.5, high = 81.5;
    qreal x = 5.5;
    const qreal step = 4;
    trace << QPointF(x, low);
    qreal level = low;
    for (const QChar bit : bits) {
        const qreal next = bit == QLatin1Char('1') ? high : low;
        if (next != level) {
            trace << QPointF(x, level) << QPointF(x, next);
            level = next;
        }
        x += step;
    }
    trace << QPointF(x, level);
    QPen glow(QColor(0x7f, 0xe3, 0xf0, 45), 3.2);
    glow.setJoinStyle(Qt::RoundJoin);
    p.setPen(glow);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(trace);
    QPen tracePen(QColor(0x9f, 0xf0, 0xfa), 1.0);
    tracePen.setJoinStyle(Qt::MiterJoin);
    p.setPen(tracePen);
    p.drawPolyline(trace);

    p.translate(7, 8);
    paintMark(p, 60);
    return image;
}

// ---------------------------------------------------------------- ICO container

void putLE16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void putLE32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// One 32-bit BMP entry of an icon file: header with doubled height, BGRA rows bottom-up,
// then the 1-bit AND mask. Plain BMP entries are read by every ICO reader, PNG ones not.
QByteArray icoBitmap(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    const int maskStride = ((w + 31) / 32) * 4;

    QByteArray out;
    putLE32(out, 40);
    putLE32(out, quint32(w));
    putLE32(out, quint32(2 * h));
    putLE16(out, 1);
    putLE16(out, 32);
    putLE32(out, 0);
    putLE32(out, quint32(w * h * 4 + maskStride * h));
    putLE32(out, 0);
    putLE32(out, 0);
    putLE32(out, 0);
    putLE32(out, 0);

    for (int y = h - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(char(qBlue(row[x])));
            out.append(char(qGreen(row[x])));
            out.append(char(qRed(row[x])));
            out.append(char(qAlpha(row[x])));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QByteArray mask(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (qAlpha(row[x]) == 0)
                mask[x / 8] = char(mask.at(x / 8) | (0x80 >> (x % 8)));
        }
        out.append(mask);
    }
    return out;
}

QByteArray icoFile(const QList<QImage> &images)
{
    QByteArray out;
    putLE16(out, 0);
    putLE16(out, 1);
    putLE16(out, quint16(images.size()));

    QList<QByteArray> bodies;
    for (const QImage &image : images)
        bodies << icoBitmap(image);

    quint32 offset = 6 + 16 * quint32(images.size());
    for (int i = 0; i < images.size(); ++i) {
        const QImage &image = images.at(i);
        out.append(char(image.width() >= 256 ? 0 : image.width()));
        out.append(char(image.height() >= 256 ? 0 : image.height()));
        out.append(char(0));
        out.append(char(0));
        putLE16(out, 1);
        putLE16(out, 32);
        putLE32(out, quint32(bodies.at(i).size()));
        putLE32(out, offset);
        offset += quint32(bodies.at(i).size());
    }
    for (const QByteArray &body : bodies)
        out.append(body);
    return out;
}

// Reads the icon file back through Qt's own reader, so a broken container is caught here
// and not as a missing window icon.
bool icoReadsBack(const QByteArray &data, const QList<QImage> &expected, QString *why)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    if (reader.imageCount() != expected.size()) {
        *why = QStringLiteral("image count %1").arg(reader.imageCount());
        return false;
    }
    for (int i = 0; i < expected.size(); ++i) {
        if (!reader.jumpToImage(i)) {
            *why = QStringLiteral("cannot reach image %1").arg(i);
            return false;
        }
        const QImage got = reader.read().convertToFormat(QImage::Format_ARGB32);
        const QImage want = expected.at(i).convertToFormat(QImage::Format_ARGB32);
        if (got.size() != want.size()) {
            *why = QStringLiteral("image %1 has size %2x%3").arg(i).arg(got.width()).arg(got.height());
            return false;
        }
        // The premultiplied drawing loses a little on the way to straight alpha; allow that.
        for (int y = 0; y < want.height(); ++y) {
            for (int x = 0; x < want.width(); ++x) {
                const QRgb a = got.pixel(x, y), b = want.pixel(x, y);
                if (qAbs(qAlpha(a) - qAlpha(b)) > 1
                    || (qAlpha(b) > 32
                        && (qAbs(qRed(a) - qRed(b)) > 8 || qAbs(qGreen(a) - qGreen(b)) > 8
                            || qAbs(qBlue(a) - qBlue(b)) > 8))) {
                    *why = QStringLiteral("image %1 differs at %2,%3").arg(i).arg(x).arg(y);
                    return false;
                }
            }
        }
    }
    return true;
}

// An icon of 32 x 32 points, painted at `scale` pixels per point.
QImage icon32(const std::function<void(QPainter &)> &paint, int scale)
{
    QImage image = blankImage(32 * scale, 32 * scale);
    QPainter p(&image);
    beginPainter(p);
    p.scale(scale, scale);
    paint(p);
    return image;
}

// "name.png" becomes "name@2x.png", the name Qt looks for on a screen of twice the density.
QString atTwice(const QString &name)
{
    return QString(name).insert(name.lastIndexOf(QLatin1Char('.')), QLatin1String("@2x"));
}

} // namespace

int main(int argc, char *argv[])
{
    // Painting needs no screen; stay off any display unless the caller chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: iconpainter OUTPUT_FOLDER\n";
        return 2;
    }
    const QDir folder(args.at(1));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        err << "cannot create " << folder.path() << "\n";
        return 1;
    }

    const QList<QColor> colours = {QColor(0xe5, 0x48, 0x3b), QColor(0x44, 0xb0, 0x5a),
                                   QColor(0x3a, 0x7b, 0xd5), QColor(0xf2, 0xc2, 0x30)};
    const QList<QColor> greys = {QColor(0x4a, 0x4a, 0x4a), QColor(0x86, 0x86, 0x86),
                                 QColor(0x62, 0x62, 0x62), QColor(0xc4, 0xc4, 0xc4)};

    const QList<QPair<QString, std::function<void(QPainter &)>>> icons = {
        {"dirlink-32.png", paintOpenFolder},
        {"floppy-32.png", paintFloppy},
        {"searchfind.png", [](QPainter &p) { paintMagnifier(p, LensSign::None); }},
        {"zoom-in-32.png", [](QPainter &p) { paintMagnifier(p, LensSign::Plus); }},
        {"zoom-out-32.png", [](QPainter &p) { paintMagnifier(p, LensSign::Minus); }},
        {"stop-32.png", paintStop},
        {"go-first-32.png", [](QPainter &p) { paintArrow(p, true, true); }},
        {"go-previous-32.png", [](QPainter &p) { paintArrow(p, false, true); }},
        {"go-next-32.png", [](QPainter &p) { paintArrow(p, false, false); }},
        {"go-last-32.png", [](QPainter &p) { paintArrow(p, true, false); }},
        {"fileinfo-32.png", paintFileInfo},
        {"print-32.png", paintPrinter},
        {"status-color.png", [&colours](QPainter &p) { paintSwatches(p, colours); }},
        {"status-gray-scale.png", [&greys](QPainter &p) { paintSwatches(p, greys); }},
    };

    int failures = 0;
    auto save = [&](const QString &name, const QImage &image) {
        if (!image.save(folder.filePath(name), "PNG")) {
            err << "cannot write " << folder.filePath(name) << "\n";
            ++failures;
        }
    };

    for (const auto &icon : icons) {
        save(icon.first, icon32(icon.second, 1));
        save(atTwice(icon.first), icon32(icon.second, 2));
    }
    save(QStringLiteral("about.png"), aboutImage(1));
    save(atTwice(QStringLiteral("about.png")), aboutImage(2));

    const QList<QImage> marks = {markImage(16), markImage(32), markImage(48)};
    // The same mark as loose PNG files, for the desktop's icon theme on installation.
    for (const QImage &mark : marks)
        save(QStringLiteral("framescope-%1.png").arg(mark.width()), mark);
    const QByteArray ico = icoFile(marks);
    QString why;
    if (!icoReadsBack(ico, marks, &why)) {
        err << "icon file does not read back: " << why << "\n";
        ++failures;
    }
    QFile icoOut(folder.filePath(QStringLiteral("Tidemark_16_32_48.ico")));
    if (!icoOut.open(QIODevice::WriteOnly) || icoOut.write(ico) != ico.size()) {
        err << "cannot write " << icoOut.fileName() << "\n";
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
