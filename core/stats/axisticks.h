// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_AXISTICKS_H
#define CORE_STATS_AXISTICKS_H

#include <QList>
#include <QString>

namespace Korvex {

/// The ticks of a chart axis at round numbers: a step of 1, 2 or 5 times a power of ten, the
/// smallest such step that leaves no more than a given number of steps over the range, and
/// every multiple of it within the range. A time axis (values in nanoseconds) also gets the unit
/// its labels read best in.
class AxisTicks
{
public:
    /// A unit of time: how many nanoseconds it holds and its name.
    struct Unit
    {
        double ns = 1;
        QString name;
    };

    /// Ticks over low to high with at most `most` steps, none smaller than `smallest` (1 for
    /// counts or whole nanoseconds).
    AxisTicks(double low, double high, int most, double smallest = 0);

    double step() const { return m_step; }
    /// The multiples of the step from low to high, both included.
    QList<double> values() const;
    /// The decimals a label needs to tell ticks `step` apart when values are divided by `unit`.
    int decimals(double unit = 1) const;

    /// The unit for the labels of a time axis over these ticks: the largest of s, ms, µs and ns
    /// that the range's largest value reaches and in which a step needs no more than three
    /// decimals ("2.001 s" rather than "2.000 001 s", which reads as "2,000,001 µs").
    Unit timeUnit() const;
    /// The label of a tick of a time axis, in the unit, digits grouped: "1,500", "2.5".
    QString timeLabel(double ns) const;
    /// The label of a tick of a count axis: "4,000,000".
    QString countLabel(double value) const;

private:
    double m_low;
    double m_high;
    double m_step = 1;
};

} // namespace Korvex

#endif // CORE_STATS_AXISTICKS_H
