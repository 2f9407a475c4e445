// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_FIELDTIMESERIES_H
#define CORE_STATS_FIELDTIMESERIES_H

#include "core/stats/timebinning.h"

#include <QList>
#include <QPointF>
#include <QtGlobal>

#include <memory>
#include <vector>

namespace Korvex {

class FieldDefinitions;

/// One field's physical value over time, summed up per interval of time: the smallest, largest
/// and last value of the frames of its message in each interval, and the first and last
/// of those frames. However many frames there are, the chart of the field draws a step line of
/// a few points per interval from it, where a value holds until the next frame of its message.
class FieldTimeSeries
{
public:
    struct Interval
    {
        qint64 count = 0;
        double minimum = 0;
        double maximum = 0;
        double last = 0;
        qint64 firstFrame = -1;
        qint64 lastFrame = -1;
    };

    FieldTimeSeries(std::shared_ptr<const FieldDefinitions> definitions, int message, int field,
                    const TimeBinning &binning);

    /// Takes in one frame, in the order of the frames: its header byte, its payload in dump order
    /// and its time in ns. Frames of other messages are passed over.
    void add(qint64 frame, quint8 header, const uchar *payload, int length, quint64 ns);

    /// Takes in the same field over the frames right after this series' own.
    void merge(const FieldTimeSeries &later);

    const TimeBinning &binning() const { return m_binning; }
    const Interval &interval(int bin) const { return m_intervals[std::size_t(bin)]; }
    /// Frames of the message taken in.
    qint64 frames() const { return m_frames; }
    /// The smallest and largest value of them all (0 without frames).
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }

    /// The step line in (time in units of `unitNs`, value) points, at most four per interval:
    /// at an interval's start the value held before, then its smallest, largest and last value.
    /// It ends at the end of the last interval.
    QList<QPointF> stepLine(double unitNs) const;
    /// The frame whose value the line shows at a time: in an interval with frames its first
    /// one, else the last frame before; -1 before the first frame.
    qint64 frameAt(quint64 ns) const;

private:
    std::shared_ptr<const FieldDefinitions> m_definitions;
    int m_message;
    int m_field;
    TimeBinning m_binning;
    std::vector<Interval> m_intervals;
    qint64 m_frames = 0;
    double m_minimum = 0;
    double m_maximum = 0;
};

} // namespace Korvex

#endif // CORE_STATS_FIELDTIMESERIES_H
