// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/channellookback.h"

#include "core/files/frameindex.h"

namespace Korvex {

namespace {

constexpr quint32 Known = quint32(1) << 16;

} // namespace

ChannelLookback::ChannelLookback(std::shared_ptr<const FrameIndex> index)
    : m_index(std::move(index))
{
}

ChannelLookback::~ChannelLookback() = default;

quint16 ChannelLookback::spanChannels(qint64 span) const
{
    // Only whole spans are kept: the index of a capture being read may still grow.
    const qint64 first = span << SpanShift;
    const qint64 end = qMin(first + SpanFrames, m_index->count());
    const bool whole = end - first == SpanFrames;
    if (whole && std::size_t(span) < m_spans.size() && (m_spans[std::size_t(span)] & Known))
        return quint16(m_spans[std::size_t(span)]);
    const int version = m_index->protocolVersion();
    quint32 channels = 0;
    for (qint64 n = first; n < end; ++n)
        channels |= quint32(1) << channelKey(m_index->header(n), version);
    if (whole) {
        if (std::size_t(span) >= m_spans.size())
            m_spans.resize(std::size_t(span) + 1, 0);
        m_spans[std::size_t(span)] = channels | Known;
    }
    return quint16(channels);
}

qint64 ChannelLookback::lastInSpan(qint64 span, qint64 end, int key) const
{
    const int version = m_index->protocolVersion();
    for (qint64 n = end - 1; n >= span << SpanShift; --n) {
        if (channelKey(m_index->header(n), version) == key)
            return n;
    }
    return -1;
}

qint64 ChannelLookback::previous(qint64 n) const
{
    if (n <= 0 || n >= m_index->count())
        return -1;
    const int key = channelKey(m_index->header(n), m_index->protocolVersion());
    qint64 span = n >> SpanShift;
    const qint64 found = lastInSpan(span, n, key);
    if (found >= 0)
        return found;
    for (--span; span >= 0; --span) {
        if (spanChannels(span) & (1u << key))
            return lastInSpan(span, (span + 1) << SpanShift, key);
    }
    return -1;
}

} // namespace Korvex
