// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_STATISTICSCOLLECTOR_H
#define CORE_STATS_STATISTICSCOLLECTOR_H

#include "core/files/channellookback.h"
#include "core/frames/framerecord.h"
#include "core/stats/capturestatistics.h"

#include <QtGlobal>

namespace Korvex {

/// Gathers a capture's statistics from its frames, taken in file order one at a time: the
/// viewer feeds it from the index and the file, drfdump from the frames it streams, so both
/// give the same figures. Frames split into runs may be gathered apart, one collector a run,
/// and merged in their order: the result is that of one collector over them all.
class StatisticsCollector
{
public:
    explicit StatisticsCollector(int protocolVersion)
    {
        m_stats.protocolVersion = protocolVersion;
    }

    /// Takes in one frame: its number, header byte, whether it is missing and its time.
    void add(qint64 frame, quint8 header, bool missing, quint64 ticks)
    {
        static constexpr int payloadBytes[CaptureStatistics::SizeCodes] = {1, 4, 8, 12,
                                                                          16, 32, 64, 0};
        const bool digRf3G = m_stats.protocolVersion == 0;
        ChannelFigures &channel =
            m_stats.channels[std::size_t(ChannelLookback::channelKey(header, m_stats.protocolVersion))];
        ++m_stats.frames;
        ++channel.frames;
        if (digRf3G) {
            const int code = header >> 5;
            channel.payloadBytes += payloadBytes[code];
            ++m_stats.payloadSizes[std::size_t(code)];
            ++m_stats.cts[header & 1];
        }
        if (missing) {
            ++m_stats.missing;
            return;
        }
        const quint64 ns = FrameRecord::nsOfTicks(ticks);
        if (m_stats.timed++ == 0)
            m_stats.firstNs = ns;
        m_stats.lastNs = ns;
        if (channel.timed++ == 0) {
            channel.firstNs = ns;
            channel.firstFrame = frame;
        } else {
            // Times never go back in a capture: they are sums of unsigned deltas.
            noteGap(channel, ns - channel.lastNs, frame);
        }
        channel.lastNs = ns;
    }

    /// Takes in what another collector gathered from the frames right after this one's: the
    /// gap from this one's last frame of a channel to the other's first is counted between.
    void merge(const StatisticsCollector &later);

    const CaptureStatistics &result() const { return m_stats; }

private:
    /// A gap ending at `frame`; of equal gaps the earliest frame is kept.
    static void noteGap(ChannelFigures &channel, quint64 gap, qint64 frame)
    {
        if (channel.minGapFrame < 0 || gap < channel.minGapNs) {
            channel.minGapNs = gap;
            channel.minGapFrame = frame;
        }
        if (channel.maxGapFrame < 0 || gap > channel.maxGapNs) {
            channel.maxGapNs = gap;
            channel.maxGapFrame = frame;
        }
    }

    CaptureStatistics m_stats;
};

} // namespace Korvex

#endif // CORE_STATS_STATISTICSCOLLECTOR_H
