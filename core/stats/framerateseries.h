// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_FRAMERATESERIES_H
#define CORE_STATS_FRAMERATESERIES_H

#include "core/files/channellookback.h"
#include "core/frames/framerecord.h"
#include "core/stats/timebinning.h"

#include <QtGlobal>

#include <optional>
#include <vector>

namespace Korvex {

/// The frames per interval of time, by logical channel type, and the first frame of each
/// interval: what the frame-rate chart draws and where a click on it leads. Frames are taken in
/// file order; a frame missing from the file has no time and is left out.
class FrameRateSeries
{
public:
    static constexpr int Channels = 16;

    FrameRateSeries(const TimeBinning &binning, int protocolVersion);

    void add(qint64 frame, quint8 header, bool missing, quint64 ticks)
    {
        if (missing)
            return;
        const quint64 ns = FrameRecord::nsOfTicks(ticks);
        // Times only grow, so the interval moves on rather than being divided out per frame.
        if (ns >= m_binEnd || ns < m_binStart) {
            m_bin = m_binning.binOf(ns);
            // The first and last intervals also take the times before and after the stretch.
            m_binStart = m_bin == 0 ? 0 : m_binning.binStart(m_bin);
            m_binEnd = m_bin == m_binning.bins() - 1
                           ? ~quint64(0)
                           : m_binning.binStart(m_bin) + m_binning.intervalNs();
        }
        ++m_counts[std::size_t(m_bin) * Channels
                   + std::size_t(ChannelLookback::channelKey(header, m_protocolVersion))];
        qint64 &first = m_first[std::size_t(m_bin)];
        if (first < 0)
            first = frame;
    }

    /// Takes in the counts of the same intervals over the frames right after this series' own.
    void merge(const FrameRateSeries &later);

    const TimeBinning &binning() const { return m_binning; }
    int bins() const { return m_binning.bins(); }
    qint64 count(int bin, int key) const { return m_counts[std::size_t(bin) * Channels + std::size_t(key)]; }
    /// All frames of an interval.
    qint64 count(int bin) const;
    /// Frames of a channel key over all intervals.
    qint64 total(int key) const;
    /// The first frame in the interval, or in the next one that has a frame; -1 when none has.
    qint64 frameFrom(int bin) const;

    /// The finest interval to count at for a stretch of time so that every other interval the
    /// chart offers for it is a whole number of them: the finest choice, or the power of ten
    /// below it where that choice is 2 of it (5 is no multiple of 2).
    static quint64 baseInterval(quint64 durationNs);
    /// The same counts over intervals of `intervalNs`, a whole number of this series' own, each
    /// the sum of the intervals it covers: a coarser chart without looking at the frames again.
    /// The interval of this series where `intervalNs` is no multiple of it.
    FrameRateSeries merged(quint64 intervalNs) const;
    /// The same counts over another binning of the same start, as long (or longer, for frames
    /// that joined the capture since) and of an interval a whole number of this series' own;
    /// nothing where the binning does not fit.
    std::optional<FrameRateSeries> regridded(const TimeBinning &binning) const;

private:
    TimeBinning m_binning;
    int m_protocolVersion;
    std::vector<qint64> m_counts;
    std::vector<qint64> m_first;
    int m_bin = 0;
    quint64 m_binStart = 0;
    quint64 m_binEnd = 0;
};

} // namespace Korvex

#endif // CORE_STATS_FRAMERATESERIES_H
