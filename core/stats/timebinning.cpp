// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stats/timebinning.h"

#include <limits>

namespace Korvex {

namespace {

/// Calls on(interval) for 1, 2, 5, 10, 20, 50, ... ns while it returns true and the
/// interval fits 64 bits.
template <class On>
void niceIntervals(On &&on)
{
    constexpr quint64 most = std::numeric_limits<quint64>::max();
    for (quint64 decade = 1;; decade *= 10) {
        for (const quint64 step : {1, 2, 5}) {
            if (decade > most / step || !on(decade * step))
                return;
        }
        if (decade > most / 10)
            return;
    }
}

} // namespace

TimeBinning::TimeBinning(quint64 startNs, quint64 durationNs, quint64 intervalNs)
    : m_start(startNs)
    , m_duration(durationNs)
    , m_interval(qMax<quint64>(1, intervalNs))
    , m_bins(binsFor(durationNs, m_interval))
{
}

int TimeBinning::binsFor(quint64 durationNs, quint64 intervalNs)
{
    // Counted without the one more that could overflow.
    const quint64 whole = durationNs / qMax<quint64>(1, intervalNs);
    const quint64 most = quint64(std::numeric_limits<int>::max()) - 1;
    return int(qMin(whole, most) + 1);
}

QList<quint64> TimeBinning::choices(quint64 durationNs, int maxBins)
{
    QList<quint64> intervals;
    niceIntervals([&](quint64 interval) {
        const int bins = binsFor(durationNs, interval);
        if (bins <= maxBins)
            intervals.append(interval);
        return bins > 1;
    });
    return intervals;
}

quint64 TimeBinning::automatic(quint64 durationNs, int bins)
{
    quint64 chosen = 1;
    niceIntervals([&](quint64 interval) {
        chosen = interval;
        return binsFor(durationNs, interval) > bins;
    });
    return chosen;
}

int TimeBinning::binOf(quint64 ns) const
{
    if (ns <= m_start)
        return 0;
    return int(qMin<quint64>((ns - m_start) / m_interval, quint64(m_bins - 1)));
}

} // namespace Korvex
