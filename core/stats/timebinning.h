// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_TIMEBINNING_H
#define CORE_STATS_TIMEBINNING_H

#include <QList>
#include <QtGlobal>

namespace Korvex {

/// How the frame-rate chart cuts a stretch of time into intervals of equal length: from the
/// first frame's time on, intervals of 1, 2 or 5 times a power of ten nanoseconds, enough of
/// them that the last frame's time falls into the last.
class TimeBinning
{
public:
    /// The most intervals a chart draws, and how many the automatic choice aims at. A chart of
    /// a step per interval for each of 16 channels is laid out and painted on the window's
    /// thread: with 200 of them it lets the window repaint within 50 ms.
    static constexpr int MaxBins = 2000;
    static constexpr int AutoBins = 200;

    TimeBinning() = default;
    TimeBinning(quint64 startNs, quint64 durationNs, quint64 intervalNs);

    /// The intervals a stretch of `durationNs` may be cut into, finest first: from the finest
    /// that gives at most maxBins intervals to the first that gives a single one.
    static QList<quint64> choices(quint64 durationNs, int maxBins = MaxBins);
    /// The finest interval that gives at most `bins` intervals.
    static quint64 automatic(quint64 durationNs, int bins = AutoBins);
    /// How many intervals of `intervalNs` cover times 0 to durationNs, both included.
    static int binsFor(quint64 durationNs, quint64 intervalNs);

    quint64 startNs() const { return m_start; }
    quint64 durationNs() const { return m_duration; }
    quint64 intervalNs() const { return m_interval; }
    int bins() const { return m_bins; }
    quint64 binStart(int bin) const { return m_start + quint64(bin) * m_interval; }
    /// The interval a time falls into; a time outside the stretch goes to the nearest end.
    int binOf(quint64 ns) const;

private:
    quint64 m_start = 0;
    quint64 m_duration = 0;
    quint64 m_interval = 1;
    int m_bins = 1;
};

} // namespace Korvex

#endif // CORE_STATS_TIMEBINNING_H
