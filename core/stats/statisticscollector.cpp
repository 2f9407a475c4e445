// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stats/statisticscollector.h"

namespace Korvex {

void StatisticsCollector::merge(const StatisticsCollector &later)
{
    CaptureStatistics &into = m_stats;
    const CaptureStatistics &from = later.m_stats;
    if (from.timed > 0) {
        if (into.timed == 0)
            into.firstNs = from.firstNs;
        into.lastNs = from.lastNs;
    }
    into.frames += from.frames;
    into.missing += from.missing;
    into.timed += from.timed;
    for (std::size_t code = 0; code < into.payloadSizes.size(); ++code)
        into.payloadSizes[code] += from.payloadSizes[code];
    for (std::size_t cts = 0; cts < into.cts.size(); ++cts)
        into.cts[cts] += from.cts[cts];
    for (std::size_t key = 0; key < into.channels.size(); ++key) {
        ChannelFigures &channel = into.channels[key];
        const ChannelFigures &next = from.channels[key];
        channel.frames += next.frames;
        channel.payloadBytes += next.payloadBytes;
        if (next.timed == 0)
            continue;
        if (channel.timed == 0) {
            const qint64 frames = channel.frames;
            const qint64 payloadBytes = channel.payloadBytes;
            channel = next;
            channel.frames = frames;
            channel.payloadBytes = payloadBytes;
            continue;
        }
        // In frame order: the gap across the boundary, then those of the later frames.
        noteGap(channel, next.firstNs - channel.lastNs, next.firstFrame);
        if (next.minGapFrame >= 0)
            noteGap(channel, next.minGapNs, next.minGapFrame);
        if (next.maxGapFrame >= 0)
            noteGap(channel, next.maxGapNs, next.maxGapFrame);
        channel.timed += next.timed;
        channel.lastNs = next.lastNs;
    }
}

} // namespace Korvex
