// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/framesegment.h"

#include "core/filters/filterexpression.h"

namespace Korvex::Dump {

FrameSegment::FrameSegment(int protocolVersion)
    : m_protocolVersion(protocolVersion)
{
    m_pass.setPieceFrames(PieceFrames);
}

bool FrameSegment::append(const ScannedFrame &frame)
{
    m_frames.push_back({frame.number, frame.offset, frame.ticks, m_bytes.size(), frame.length});
    m_bytes.append(frame.bytes, frame.length);
    return count() >= SegmentFrames;
}

void FrameSegment::clear()
{
    m_frames.clear();
    m_bytes.clear();
}

ScannedFrame FrameSegment::frame(qint64 k) const
{
    const Kept &kept = m_frames[std::size_t(k)];
    return {kept.number, kept.offset, kept.ticks, m_bytes.constData() + kept.at, kept.length};
}

quint8 FrameSegment::header(qint64 k) const
{
    return m_protocolVersion == 0 ? quint8(m_bytes.at(m_frames[std::size_t(k)].at)) : 0;
}

FrameFacts FrameSegment::facts(qint64 k, bool withPayload) const
{
    const Kept &kept = m_frames[std::size_t(k)];
    return FrameFacts::fromBytes(kept.number, header(k), kept.ticks,
                                 m_bytes.constData() + kept.at, kept.length, m_protocolVersion,
                                 withPayload);
}

std::vector<quint64> FrameSegment::matches(const FilterExpression &filter) const
{
    const bool payloads = filter.needsPayload();
    std::vector<quint64> bits(std::size_t((count() + 63) / 64), 0);
    // Pieces start on multiples of 64 frames, so each sets its own words.
    m_pass.run(0, count(), [&](int, qint64 from, qint64 to, const WorkProgress &) {
        for (qint64 k = from; k < to; ++k) {
            if (filter.matches(facts(k, payloads)))
                bits[std::size_t(k >> 6)] |= quint64(1) << (k & 63);
        }
        return true;
    });
    return bits;
}

} // namespace Korvex::Dump
