// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_STATS_TIMECHARTVIEW_H
#define VIEWER_STATS_TIMECHARTVIEW_H

#include <QChartView>
#include <QPointer>
#include <QValueAxis>

namespace Korvex {

/// The view of a chart over time that zooms and moves along its time axis: the wheel zooms
/// around the mouse, a drag moves the time on view, never past the chart's own range; the other
/// axis stays. A press that does not move stays a click for the chart's series.
class TimeChartView : public QChartView
{
    Q_OBJECT

public:
    explicit TimeChartView(QWidget *parent = nullptr);
    ~TimeChartView() override;

    /// The time axis of the chart on view; its range now is the most that can be shown.
    void setTimeAxis(QValueAxis *axis);
    QValueAxis *timeAxis() const { return m_axis; }
    bool isZoomed() const;
    /// Shows the whole range again.
    void resetZoom();
    /// Zooms in (a factor above 1) or out around an axis value.
    void zoomAround(double value, double factor);
    /// Moves the time on view by a number of axis values.
    void moveBy(double values);
    /// Whether the last press of the mouse moved the chart rather than clicking it.
    bool dragged() const { return m_dragged; }

signals:
    /// The time on view changed: zoomed, moved or reset.
    void zoomChanged(bool zoomed);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    /// The axis value at a viewport x.
    double valueAt(double x) const;
    void setRange(double low, double high);

    QPointer<QValueAxis> m_axis;
    double m_fullLow = 0;
    double m_fullHigh = 1;
    QPoint m_pressAt;
    double m_lastX = 0;
    bool m_pressed = false;
    bool m_pressedOnItem = false;
    bool m_dragged = false;
};

} // namespace Korvex

#endif // VIEWER_STATS_TIMECHARTVIEW_H
