// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/stats/tickaxis.h"

#include "core/stats/axisticks.h"

#include <cmath>

namespace Korvex {

namespace {

// Steps over the range of an axis: enough to read values off, few enough for wide labels.
constexpr int MostTimeSteps = 10;
constexpr int MostCountSteps = 8;

} // namespace

TickAxis::TickAxis(Kind kind, const QString &title, double nsPerValue, QObject *parent)
    : QCategoryAxis(parent)
    , m_kind(kind)
    , m_title(title)
    , m_nsPerValue(nsPerValue > 0 ? nsPerValue : 1)
{
    setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    setTitleText(kind == Kind::Time ? m_title.arg(QStringLiteral("ns")) : m_title);
    connect(this, &QValueAxis::rangeChanged, this, &TickAxis::relabel);
}

TickAxis::~TickAxis() = default;

void TickAxis::setCountRange(double highest)
{
    const AxisTicks ticks(0, qMax(1.0, highest), MostCountSteps, 1);
    setRange(0, std::ceil(qMax(1.0, highest) / ticks.step()) * ticks.step());
}

void TickAxis::relabel(qreal low, qreal high)
{
    const QStringList old = categoriesLabels();
    for (const QString &label : old)
        remove(label);
    if (m_kind == Kind::Count) {
        const AxisTicks ticks(low, high, MostCountSteps, 1);
        const QList<double> values = ticks.values();
        setStartValue(values.isEmpty() ? low : values.first() - ticks.step());
        for (const double value : values)
            append(ticks.countLabel(value), value);
        return;
    }
    // Whole nanoseconds at the least, however far the axis is zoomed in.
    const AxisTicks ticks(low * m_nsPerValue, high * m_nsPerValue, MostTimeSteps, 1);
    const QList<double> values = ticks.values();
    setStartValue(values.isEmpty() ? low : (values.first() - ticks.step()) / m_nsPerValue);
    for (const double ns : values)
        append(ticks.timeLabel(ns), ns / m_nsPerValue);
    setTitleText(m_title.arg(ticks.timeUnit().name));
}

} // namespace Korvex
