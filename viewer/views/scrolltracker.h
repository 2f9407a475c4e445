// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_SCROLLTRACKER_H
#define VIEWER_VIEWS_SCROLLTRACKER_H

#include <QGraphicsRectItem>
#include <QObject>

namespace Korvex {

/// The frame scroller's draggable frame over the bars of the rows the table shows. It moves
/// only vertically, between the table header and the scene's bottom, and reports every move.
class ScrollTracker : public QObject, public QGraphicsRectItem
{
    Q_OBJECT

public:
    explicit ScrollTracker(double topMargin);
    ~ScrollTracker() override;

    /// Whether the user holds it with the mouse; it then goes where the mouse takes it.
    bool isDragged() const { return dragged; }
    /// Whether its last move was stopped by the top margin or by the scene's bottom. Its pen
    /// and its minimum height keep its top off the first and last rows' bars there.
    bool stoppedAtTop() const { return stop == Stop::Top; }
    bool stoppedAtBottom() const { return stop == Stop::Bottom; }

signals:
    /// After every change of position, and when the user lets go of it.
    void moved();

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    enum class Stop { None, Top, Bottom };

    double topMargin;
    bool dragged = false;
    Stop stop = Stop::None;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_SCROLLTRACKER_H
