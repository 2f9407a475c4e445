// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TOOLS_FRAMESEGMENT_H
#define TOOLS_FRAMESEGMENT_H

#include "core/files/framereader.h"
#include "core/filters/framefacts.h"
#include "core/tasks/parallelpass.h"

#include <QByteArray>
#include <QtGlobal>

#include <vector>

namespace Korvex {
class FilterExpression;
}

namespace Korvex::Dump {

/// The frames of a capture streaming past, kept a segment at a time so that they can be
/// looked at side by side on every core and then handed on in order: drfdump's memory stays
/// the same whatever the capture's size.
class FrameSegment
{
public:
    /// Frames in a full segment: those of the largest size stay below twenty megabytes.
    static constexpr qint64 SegmentFrames = qint64(1) << 18;

    explicit FrameSegment(int protocolVersion);

    /// Keeps a copy of the frame; true once the segment is full.
    bool append(const ScannedFrame &frame);
    qint64 count() const { return qint64(m_frames.size()); }
    bool isEmpty() const { return m_frames.empty(); }
    void clear();

    /// Frame k of the segment, its bytes valid until the segment is cleared.
    ScannedFrame frame(qint64 k) const;
    /// The frame's header byte (0 outside DigRF 3G) and what a filter looks at.
    quint8 header(qint64 k) const;
    FrameFacts facts(qint64 k, bool withPayload) const;

    /// Which frames match the filter, judged in pieces side by side: bit k of word k / 64.
    std::vector<quint64> matches(const FilterExpression &filter) const;
    static bool isSet(const std::vector<quint64> &bits, qint64 k)
    {
        return bits[std::size_t(k >> 6)] >> (k & 63) & 1;
    }

    /// The pass the segment's frames are split by: pieces of 64 frames multiples.
    const ParallelPass &pass() const { return m_pass; }

private:
    // A piece is worth a thread.
    static constexpr qint64 PieceFrames = qint64(1) << 14;

    struct Kept
    {
        qint64 number;
        quint64 offset;
        quint64 ticks;
        qsizetype at;
        qint64 length;
    };

    int m_protocolVersion;
    ParallelPass m_pass;
    std::vector<Kept> m_frames;
    QByteArray m_bytes;
};

} // namespace Korvex::Dump

#endif // TOOLS_FRAMESEGMENT_H
