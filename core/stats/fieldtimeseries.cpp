// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stats/fieldtimeseries.h"

#include "core/fields/fielddefinitions.h"

namespace Korvex {

FieldTimeSeries::FieldTimeSeries(std::shared_ptr<const FieldDefinitions> definitions,
                                 int message, int field, const TimeBinning &binning)
    : m_definitions(std::move(definitions))
    , m_message(message)
    , m_field(field)
    , m_binning(binning)
    , m_intervals(std::size_t(binning.bins()))
{
}

void FieldTimeSeries::add(qint64 frame, quint8 header, const uchar *payload, int length,
                          quint64 ns)
{
    if (m_definitions->messageOf(header, payload, length) != m_message)
        return;
    const PayloadField &layout = m_definitions->field(m_message, m_field).layout;
    const double value = layout.physical(layout.raw(payload));
    Interval &at = m_intervals[std::size_t(m_binning.binOf(ns))];
    if (at.count++ == 0) {
        at.minimum = at.maximum = value;
        at.firstFrame = frame;
    } else {
        at.minimum = qMin(at.minimum, value);
        at.maximum = qMax(at.maximum, value);
    }
    at.last = value;
    at.lastFrame = frame;
    if (m_frames++ == 0) {
        m_minimum = m_maximum = value;
    } else {
        m_minimum = qMin(m_minimum, value);
        m_maximum = qMax(m_maximum, value);
    }
}

void FieldTimeSeries::merge(const FieldTimeSeries &later)
{
    for (std::size_t bin = 0; bin < m_intervals.size(); ++bin) {
        Interval &at = m_intervals[bin];
        const Interval &next = later.m_intervals[bin];
        if (next.count == 0)
            continue;
        if (at.count == 0) {
            at = next;
            continue;
        }
        at.count += next.count;
        at.minimum = qMin(at.minimum, next.minimum);
        at.maximum = qMax(at.maximum, next.maximum);
        at.last = next.last;
        at.lastFrame = next.lastFrame;
    }
    if (later.m_frames == 0)
        return;
    if (m_frames == 0) {
        m_minimum = later.m_minimum;
        m_maximum = later.m_maximum;
    } else {
        m_minimum = qMin(m_minimum, later.m_minimum);
        m_maximum = qMax(m_maximum, later.m_maximum);
    }
    m_frames += later.m_frames;
}

QList<QPointF> FieldTimeSeries::stepLine(double unitNs) const
{
    QList<QPointF> points;
    const auto append = [&points](double x, double y) {
        if (points.isEmpty() || points.constLast() != QPointF(x, y))
            points.append(QPointF(x, y));
    };
    bool held = false;
    double value = 0;
    for (int bin = 0; bin < m_binning.bins(); ++bin) {
        const Interval &at = m_intervals[std::size_t(bin)];
        if (at.count == 0)
            continue;
        const double x = double(m_binning.binStart(bin)) / unitNs;
        if (held)
            append(x, value);
        append(x, at.minimum);
        append(x, at.maximum);
        append(x, at.last);
        held = true;
        value = at.last;
    }
    if (held)
        append(double(m_binning.binStart(m_binning.bins())) / unitNs, value);
    return points;
}

qint64 FieldTimeSeries::frameAt(quint64 ns) const
{
    if (ns < m_binning.startNs())
        return -1;
    const int bin = m_binning.binOf(ns);
    if (m_intervals[std::size_t(bin)].count > 0)
        return m_intervals[std::size_t(bin)].firstFrame;
    for (int before = bin - 1; before >= 0; --before) {
        if (m_intervals[std::size_t(before)].count > 0)
            return m_intervals[std::size_t(before)].lastFrame;
    }
    return -1;
}

} // namespace Korvex
