#include "core/stats/framerateseries.h"

namespace Korvex {

FrameRateSeries::FrameRateSeries(const TimeBinning &binning, int protocolVersion)
    : m_binning(binning)
    , m_protocolVersion(protocolVersion)
    , m_counts(std::size_t(binning.bins()) * Channels, 0)
    , m_first(std::size_t(binning.bins()), -1)
{
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

} // namespace Korvex
