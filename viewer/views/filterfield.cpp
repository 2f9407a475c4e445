// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/filterfield.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace Korvex {

FilterField::FilterField(QWidget *parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textEdited, this, &FilterField::clearMark);
}

FilterField::~FilterField() = default;

void FilterField::setMark(int start, int length)
{
    m_start = qBound(0, start, int(text().size()));
    m_length = qMax(1, length);
    update();
}

void FilterField::clearMark()
{
    if (m_start < 0)
        return;
    m_start = -1;
    m_length = 0;
    update();
}

qreal FilterField::xOf(int position) const
{
    // The line edit tells where its cursor is drawn only; the other gaps lie the text's
    // advance away from it, whichever way the text has scrolled.
    const QString shown = displayText();
    const QFontMetricsF metrics(font());
    const int cursor = qBound(0, cursorPosition(), int(shown.size()));
    position = qBound(0, position, int(shown.size()));
    return cursorRect().center().x() + metrics.horizontalAdvance(shown.left(position))
           - metrics.horizontalAdvance(shown.left(cursor));
}

void FilterField::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    if (m_start < 0)
        return;
    const int end = qMin(m_start + m_length, int(displayText().size()));
    qreal left = xOf(m_start);
    qreal right = end > m_start ? xOf(end) : left + QFontMetricsF(font()).averageCharWidth();
    const QRect text = contentsRect();
    left = qMax<qreal>(left, text.left());
    right = qMin<qreal>(right, text.right());
    if (right <= left)
        return;
    // A wave two pixels high just below the text's baseline.
    const QFontMetricsF metrics(font());
    const qreal baseline = cursorRect().center().y() + metrics.ascent() / 2 + 1;
    const qreal bottom = qMin<qreal>(baseline + 3, text.bottom());
    QPainterPath wave(QPointF(left, bottom));
    bool up = true;
    for (qreal x = left + 2; x < right + 2; x += 2, up = !up)
        wave.lineTo(qMin(x, right), up ? bottom - 2 : bottom);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xD0, 0x10, 0x10), 1.2));
    painter.drawPath(wave);
}

} // namespace Korvex
