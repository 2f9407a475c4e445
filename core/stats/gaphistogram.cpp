// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stats/gaphistogram.h"

namespace Korvex {

GapHistogram::GapHistogram(int channelKey, int protocolVersion, quint64 minGapNs,
                           quint64 maxGapNs, int bins)
    : m_key(channelKey)
    , m_protocolVersion(protocolVersion)
    , m_min(qMin(minGapNs, maxGapNs))
{
    const quint64 span = qMax(minGapNs, maxGapNs) - m_min;
    const quint64 wanted = quint64(qMax(1, bins));
    // Wide enough that `wanted` bins reach the longest gap: ceil((span + 1) / wanted).
    m_width = qMax<quint64>(1, span / wanted + 1);
    m_counts.assign(std::size_t(span / m_width + 1), 0);
}

void GapHistogram::merge(const GapHistogram &later)
{
    for (std::size_t bin = 0; bin < m_counts.size(); ++bin)
        m_counts[bin] += later.m_counts[bin];
    if (!later.m_seen)
        return;
    if (m_seen)
        ++m_counts[std::size_t(binOf(later.m_firstNs - m_lastNs))];
    else
        m_firstNs = later.m_firstNs;
    m_seen = true;
    m_lastNs = later.m_lastNs;
}

int GapHistogram::binOf(quint64 gapNs) const
{
    if (gapNs <= m_min)
        return 0;
    return int(qMin<quint64>((gapNs - m_min) / m_width, quint64(m_counts.size() - 1)));
}

} // namespace Korvex
