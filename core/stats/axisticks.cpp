// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stats/axisticks.h"

#include "core/text/numbertext.h"

#include <QtGlobal>

#include <cmath>

namespace Korvex {

namespace {

// Rounding that counts a value within a millionth of a step as on it.
constexpr double Slack = 1e-6;

} // namespace

AxisTicks::AxisTicks(double low, double high, int most, double smallest)
    : m_low(qMin(low, high))
    , m_high(qMax(low, high))
{
    const double span = m_high - m_low;
    most = qMax(1, most);
    if (!std::isfinite(span) || span <= 0) {
        m_step = qMax(1.0, smallest);
        return;
    }
    // From the power of ten below span / most up, the first of 1, 2, 5 that is wide enough.
    double power = std::pow(10.0, std::floor(std::log10(span / most)));
    for (;;) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            const double step = factor * power;
            if (step >= smallest && span / step <= most * (1 + Slack)) {
                m_step = step;
                return;
            }
        }
        power *= 10;
    }
}

QList<double> AxisTicks::values() const
{
    QList<double> ticks;
    if (!std::isfinite(m_low) || !std::isfinite(m_high))
        return ticks;
    const double first = std::ceil(m_low / m_step - Slack);
    const double last = std::floor(m_high / m_step + Slack);
    for (double n = first; n <= last; ++n)
        ticks.append(n == 0 ? 0.0 : n * m_step);
    return ticks;
}

int AxisTicks::decimals(double unit) const
{
    const double step = m_step / unit;
    if (step >= 1 - Slack)
        return 0;
    return int(std::ceil(-std::log10(step) - Slack));
}

AxisTicks::Unit AxisTicks::timeUnit() const
{
    static const struct
    {
        double ns;
        const char *name;
    } units[] = {{1e9, "s"}, {1e6, "ms"}, {1e3, "µs"}};
    const double largest = qMax(std::abs(m_low), std::abs(m_high));
    for (const auto &unit : units) {
        if (largest >= unit.ns && decimals(unit.ns) <= 3)
            return {unit.ns, QString::fromUtf8(unit.name)};
    }
    return {1, QStringLiteral("ns")};
}

QString AxisTicks::timeLabel(double ns) const
{
    const Unit unit = timeUnit();
    return NumberText::grouped(ns / unit.ns, decimals(unit.ns));
}

QString AxisTicks::countLabel(double value) const
{
    return NumberText::grouped(value, decimals());
}

} // namespace Korvex
