// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_CHANNELLOOKBACK_H
#define CORE_FILES_CHANNELLOOKBACK_H

#include <QtGlobal>

#include <memory>
#include <vector>

namespace Korvex {

class FrameIndex;

/// Finds the frame before a given one that has the same logical channel type, from the index's
/// header bytes. A rare channel may lie millions of frames back, so the index is seen in spans
/// of 4096 frames, each with the set of channel types it holds (found the first time the span
/// is passed over, then kept: 4 bytes a span); a search looks at the header bytes of at most
/// two spans and skips every span between them by its set.
class ChannelLookback
{
public:
    static constexpr int SpanShift = 12;
    static constexpr qint64 SpanFrames = qint64(1) << SpanShift;

    explicit ChannelLookback(std::shared_ptr<const FrameIndex> index);
    ~ChannelLookback();

    /// The channel key of a header byte: its channel type (0 to 15) in DigRF 3G, 0 for every
    /// frame of a capture that is not DigRF 3G, whose frames have no channel.
    static int channelKey(quint8 header, int protocolVersion)
    {
        return protocolVersion == 0 ? (header >> 1) & 0x0F : 0;
    }

    /// The last frame before frame n of n's channel type, or -1 when there is none.
    qint64 previous(qint64 n) const;

private:
    quint16 spanChannels(qint64 span) const;
    qint64 lastInSpan(qint64 span, qint64 end, int key) const;

    std::shared_ptr<const FrameIndex> m_index;
    // Per span the channel types it holds (bit per key) and bit 16 once that is known.
    mutable std::vector<quint32> m_spans;
};

} // namespace Korvex

#endif // CORE_FILES_CHANNELLOOKBACK_H
