// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/scrolltracker.h"

#include <QBrush>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPen>

namespace Korvex {

ScrollTracker::ScrollTracker(double topMargin)
    : QObject(nullptr)
    , QGraphicsRectItem(nullptr)
    , topMargin(topMargin)
{
    setZValue(100.0);
    // Without geometry notifications Qt 6 never asks itemChange about position changes.
    setFlags(ItemIsMovable | ItemIsSelectable | ItemSendsGeometryChanges);
    setBrush(QBrush(Qt::transparent, Qt::SolidPattern));
    setPen(QPen(QBrush(Qt::black), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
}

ScrollTracker::~ScrollTracker() = default;

QVariant ScrollTracker::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (change == ItemPositionChange && scene()) {
        const QRectF br = boundingRect();
        const QRectF sr = scene()->sceneRect();
        QPointF p = value.toPointF();
        p.setX(0);
        stop = Stop::None;
        if (br.top() + p.y() < topMargin) {
            p.setY(sr.top() - br.top() + topMargin);
            stop = Stop::Top;
        } else if (br.bottom() + p.y() >= sr.bottom()) {
            p.setY(sr.bottom() - br.bottom());
            stop = Stop::Bottom;
        }
        return p;
    }
    if (change == ItemPositionHasChanged)
        emit moved();
    return QGraphicsRectItem::itemChange(change, value);
}

void ScrollTracker::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsRectItem::mousePressEvent(event);
    dragged = event->button() == Qt::LeftButton;
    stop = Stop::None;
}

void ScrollTracker::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsRectItem::mouseReleaseEvent(event);
    if (!dragged)
        return;
    dragged = false;
    // Lets the window put the tracker back onto the row grid that the drag left.
    emit moved();
}

} // namespace Korvex
