// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/framecursor.h"

#include "core/files/capture.h"

namespace Korvex {

namespace {

// Bytes read from the file at a time.
constexpr qint64 ReadBytes = qint64(1) << 20;
// The most bytes a block of frames takes: 64 frames of the largest payload.
constexpr qint64 MaxBlockBytes = qint64(FrameBlock::Size) * 72;

} // namespace

FrameCursor::FrameCursor(const Capture &capture, qint64 first, qint64 end)
    : m_capture(capture)
    , m_number(qMax<qint64>(0, first) - 1)
    , m_first(qMax<qint64>(0, first))
    , m_end(qMin(end, capture.frameCount()))
    , m_dataEnd(capture.dataEnd())
{
    m_block.count = 0;
}

bool FrameCursor::moveTo(qint64 n)
{
    if (n < m_first || n >= m_end)
        return false;
    m_number = n;
    if (m_block.count == 0 || n < m_block.first || n >= m_block.first + m_block.count)
        loadBlock(FrameBlock::firstOf(n));
    m_k = int(n - m_block.first);
    return true;
}

void FrameCursor::loadBlock(qint64 first)
{
    const FrameIndex &index = m_capture.index();
    const quint64 offset = index.checkpoint(first).offset;
    const quint64 bufferEnd = m_bufferOffset + quint64(m_bufferBytes);
    // The block's exact extent needs a walk over its frames: skipped while the buffer holds
    // the largest block there can be.
    const bool buffered = offset >= m_bufferOffset
                          && (offset + quint64(MaxBlockBytes) <= bufferEnd
                              || offset + quint64(FrameBlock::extent(index, first, m_end,
                                                                    m_dataEnd))
                                     <= bufferEnd);
    if (!buffered) {
        // The block and as many after it as one read brings.
        const qint64 extent = FrameBlock::extent(index, first, m_end, m_dataEnd);
        const quint64 left = m_dataEnd > offset ? m_dataEnd - offset : 0;
        const qint64 wanted = qMax(extent, qint64(qMin<quint64>(quint64(ReadBytes), left)));
        m_buffer.resize(wanted);
        m_bufferOffset = offset;
        m_bufferBytes = m_capture.readAt(offset, m_buffer.data(), wanted);
    }
    m_blockAt = qint64(offset - m_bufferOffset);
    m_block.layOut(index, first, m_end, m_buffer.constData() + m_blockAt,
                   qMax<qint64>(0, m_bufferBytes - m_blockAt), m_dataEnd);
}

quint8 FrameCursor::header() const
{
    return m_capture.index().header(m_number);
}

FrameRecord FrameCursor::record() const
{
    return m_capture.decode(m_number, bytes(), length(), ticks());
}

} // namespace Korvex
