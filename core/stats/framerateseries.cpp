// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stats/framerateseries.h"

namespace Korvex {

FrameRateSeries::FrameRateSeries(const TimeBinning &binning, int protocolVersion)
    : m_binning(binning)
    , m_protocolVersion(protocolVersion)
    , m_counts(std::size_t(binning.bins()) * Channels, 0)
    , m_first(std::size_t(binning.bins()), -1)
{
}

void FrameRateSeries::merge(const FrameRateSeries &later)
{
    for (std::size_t at = 0; at < m_counts.size(); ++at)
        m_counts[at] += later.m_counts[at];
    for (std::size_t bin = 0; bin < m_first.size(); ++bin) {
        if (m_first[bin] < 0)
            m_first[bin] = later.m_first[bin];
    }
}

qint64 FrameRateSeries::count(int bin) const
{
    qint64 sum = 0;
    for (int key = 0; key < Channels; ++key)
        sum += count(bin, key);
    return sum;
}

qint64 FrameRateSeries::total(int key) const
{
    qint64 sum = 0;
    for (int bin = 0; bin < bins(); ++bin)
        sum += count(bin, key);
    return sum;
}

qint64 FrameRateSeries::frameFrom(int bin) const
{
    for (int b = qMax(0, bin); b < bins(); ++b) {
        if (m_first[std::size_t(b)] >= 0)
            return m_first[std::size_t(b)];
    }
    return -1;
}

quint64 FrameRateSeries::baseInterval(quint64 durationNs)
{
    const QList<quint64> choices = TimeBinning::choices(durationNs);
    if (choices.isEmpty())
        return 1;
    quint64 base = choices.first();
    for (const quint64 interval : choices) {
        // Choices are 1, 2 and 5 times powers of ten: a tenth of a 2 divides them all.
        if (interval % base != 0)
            return base / 2;
    }
    return base;
}

FrameRateSeries FrameRateSeries::merged(quint64 intervalNs) const
{
    const quint64 own = m_binning.intervalNs();
    if (intervalNs <= own || intervalNs % own != 0)
        return *this;
    return *regridded(TimeBinning(m_binning.startNs(), m_binning.durationNs(), intervalNs));
}

std::optional<FrameRateSeries> FrameRateSeries::regridded(const TimeBinning &binning) const
{
    const quint64 own = m_binning.intervalNs();
    if (binning.startNs() != m_binning.startNs() || binning.durationNs() < m_binning.durationNs()
        || binning.intervalNs() % own != 0)
        return std::nullopt;
    FrameRateSeries coarse(binning, m_protocolVersion);
    const quint64 ratio = binning.intervalNs() / own;
    for (int bin = 0; bin < bins(); ++bin) {
        const std::size_t to = std::size_t(qMin<quint64>(quint64(bin) / ratio, quint64(coarse.bins() - 1)));
        for (std::size_t key = 0; key < Channels; ++key)
            coarse.m_counts[to * Channels + key] += m_counts[std::size_t(bin) * Channels + key];
        // Frames come in file order, which is not always the order of their times.
        const qint64 first = m_first[std::size_t(bin)];
        qint64 &into = coarse.m_first[to];
        if (first >= 0 && (into < 0 || first < into))
            into = first;
    }
    return coarse;
}

} // namespace Korvex
