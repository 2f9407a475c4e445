// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/stats/timechartview.h"

#include <QApplication>
#include <QMouseEvent>
#include <QValueAxis>
#include <QWheelEvent>

#include <cmath>

namespace Korvex {

namespace {

// One notch of the wheel zooms by a quarter.
constexpr double NotchFactor = 1.25;
// How far in the zoom goes: a millionth of the whole range on view.
constexpr double DeepestZoom = 1e6;

} // namespace

TimeChartView::TimeChartView(QWidget *parent)
    : QChartView(parent)
{
}

TimeChartView::~TimeChartView() = default;

void TimeChartView::setTimeAxis(QValueAxis *axis)
{
    m_axis = axis;
    if (m_axis) {
        m_fullLow = m_axis->min();
        m_fullHigh = m_axis->max();
    }
    emit zoomChanged(false);
}

bool TimeChartView::isZoomed() const
{
    return m_axis && (m_axis->min() > m_fullLow || m_axis->max() < m_fullHigh);
}

void TimeChartView::resetZoom()
{
    setRange(m_fullLow, m_fullHigh);
}

void TimeChartView::setRange(double low, double high)
{
    if (!m_axis)
        return;
    const double full = m_fullHigh - m_fullLow;
    const double span = qBound(full / DeepestZoom, high - low, full);
    // The same span, shifted back inside the whole range where it left it.
    low = qBound(m_fullLow, low, m_fullHigh - span);
    m_axis->setRange(low, low + span);
    emit zoomChanged(isZoomed());
}

void TimeChartView::zoomAround(double value, double factor)
{
    if (!m_axis || factor <= 0)
        return;
    const double low = m_axis->min();
    const double high = m_axis->max();
    value = qBound(low, value, high);
    setRange(value - (value - low) / factor, value + (high - value) / factor);
}

void TimeChartView::moveBy(double values)
{
    if (m_axis)
        setRange(m_axis->min() + values, m_axis->max() + values);
}

double TimeChartView::valueAt(double x) const
{
    const QRectF plot = chart()->plotArea();
    if (!m_axis || plot.width() <= 0)
        return 0;
    const double scene = mapToScene(QPoint(int(x), 0)).x();
    return m_axis->min() + (scene - plot.left()) / plot.width() * (m_axis->max() - m_axis->min());
}

void TimeChartView::wheelEvent(QWheelEvent *event)
{
    if (!m_axis || event->angleDelta().y() == 0) {
        QChartView::wheelEvent(event);
        return;
    }
    const double notches = event->angleDelta().y() / 120.0;
    zoomAround(valueAt(event->position().x()), std::pow(NotchFactor, notches));
    event->accept();
}

void TimeChartView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    m_dragged = false;
    m_pressAt = event->position().toPoint();
    m_lastX = event->position().x();
    // The series take their clicks; a press beside them is the view's alone (the chart view of
    // Qt 6.4 does not check that an item lies under a press).
    m_pressedOnItem = itemAt(m_pressAt) != nullptr;
    if (m_pressedOnItem)
        QChartView::mousePressEvent(event);
    else
        event->accept();
}

void TimeChartView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressed && m_axis) {
        if (!m_dragged && (event->position().toPoint() - m_pressAt).manhattanLength()
                              >= QApplication::startDragDistance())
            m_dragged = true;
        if (m_dragged) {
            moveBy(valueAt(m_lastX) - valueAt(event->position().x()));
            m_lastX = event->position().x();
            event->accept();
            return;
        }
    }
    if (m_pressedOnItem || !m_pressed)
        QChartView::mouseMoveEvent(event);
}

void TimeChartView::mouseReleaseEvent(QMouseEvent *event)
{
    m_pressed = false;
    if (m_pressedOnItem)
        QChartView::mouseReleaseEvent(event);
    else
        event->accept();
    m_pressedOnItem = false;
}

} // namespace Korvex
