// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_GAPHISTOGRAM_H
#define CORE_STATS_GAPHISTOGRAM_H

#include "core/files/channellookback.h"
#include "core/frames/framerecord.h"

#include <QtGlobal>

#include <vector>

namespace Korvex {

/// How often each length of gap between two frames of one logical channel type occurs: the
/// gaps from the shortest to the longest (known beforehand, from the statistics) cut into bins
/// of equal width, at least 1 ns. Frames are taken in file order.
class GapHistogram
{
public:
    GapHistogram(int channelKey, int protocolVersion, quint64 minGapNs, quint64 maxGapNs,
                 int bins);

    void add(qint64 frame, quint8 header, bool missing, quint64 ticks)
    {
        Q_UNUSED(frame);
        if (missing || ChannelLookback::channelKey(header, m_protocolVersion) != m_key)
            return;
        const quint64 ns = FrameRecord::nsOfTicks(ticks);
        if (m_seen)
            ++m_counts[std::size_t(binOf(ns - m_lastNs))];
        else
            m_firstNs = ns;
        m_seen = true;
        m_lastNs = ns;
    }

    /// Takes in the gaps of the same bins over the frames right after this histogram's own,
    /// and the gap between the two.
    void merge(const GapHistogram &later);

    int channelKey() const { return m_key; }
    int bins() const { return int(m_counts.size()); }
    quint64 binWidthNs() const { return m_width; }
    quint64 binStartNs(int bin) const { return m_min + quint64(bin) * m_width; }
    qint64 count(int bin) const { return m_counts[std::size_t(bin)]; }
    /// The bin a gap falls into; gaps outside the range go to the nearest end.
    int binOf(quint64 gapNs) const;

private:
    int m_key;
    int m_protocolVersion;
    quint64 m_min;
    quint64 m_width;
    std::vector<qint64> m_counts;
    bool m_seen = false;
    quint64 m_firstNs = 0;
    quint64 m_lastNs = 0;
};

} // namespace Korvex

#endif // CORE_STATS_GAPHISTOGRAM_H
