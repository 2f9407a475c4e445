// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_FRAMEINDEX_H
#define CORE_FILES_FRAMEINDEX_H

#include "core/files/loggedframes.h"
#include "core/frames/frameheader.h"

#include <QtGlobal>

#include <array>
#include <memory>
#include <vector>

namespace Korvex {

/// The compact index of a capture's frames: one byte per frame, the header word's low byte,
/// which holds every field of a frame that loaded (CTS in bit 0, channel type in bits 1-4,
/// payload size code 0-6 in bits 5-7), and every CheckpointEvery frames the frame's file offset
/// and accumulated time. A frame's offset and time are found from its checkpoint by walking the
/// header bytes and the time words in the file; nothing else is kept per frame. The index only
/// grows: frames are appended as they are read.
class FrameIndex final : public LoggedFrames
{
public:
    static constexpr int CheckpointEvery = 64;

    /// Where a checkpoint frame starts in the file, and its time in ticks.
    struct Checkpoint
    {
        quint64 offset = 0;
        quint64 ticks = 0;
    };

    explicit FrameIndex(int protocolVersion);

    int protocolVersion() const { return m_protocolVersion; }
    qint64 count() const { return m_count; }

    /// Makes room for `frames` frames ahead, so that appending up to that many never moves the
    /// chunk table: a thread that shows the load's frame lines reads it while the load appends.
    void reserve(qint64 frames) { m_chunks.reserve(std::size_t((frames + ChunkMask) >> ChunkShift)); }

    /// Appends a frame; its offset and time are kept when it is a checkpoint frame.
    void append(quint8 header, quint64 offset, quint64 ticks)
    {
        const qint64 at = m_count & ChunkMask;
        if (at == 0)
            m_chunks.push_back(std::make_unique<Chunk>());
        Chunk &chunk = *m_chunks.back();
        chunk.headers[std::size_t(at)] = header;
        if (at % CheckpointEvery == 0)
            chunk.checkpoints[std::size_t(at / CheckpointEvery)] = {offset, ticks};
        ++m_count;
    }

    /// The header byte of frame n (0 <= n < count()).
    quint8 header(qint64 n) const
    {
        return m_chunks[std::size_t(n >> ChunkShift)]->headers[std::size_t(n & ChunkMask)];
    }
    FrameHeader fields(qint64 n) const { return FrameHeader::fromWord(header(n)); }
    /// The header bytes of frame n (0 <= n < count()) and of the frames after it that lie
    /// beside it in memory; `available` receives how many, at least one.
    const quint8 *headers(qint64 n, qint64 *available) const
    {
        const qint64 at = n & ChunkMask;
        *available = qMin(ChunkFrames - at, m_count - n);
        return m_chunks[std::size_t(n >> ChunkShift)]->headers.data() + at;
    }

    /// The checkpoint of frame n: the one of frame n rounded down to CheckpointEvery.
    const Checkpoint &checkpoint(qint64 n) const
    {
        return m_chunks[std::size_t(n >> ChunkShift)]
            ->checkpoints[std::size_t((n & ChunkMask) / CheckpointEvery)];
    }

    /// The bytes frame n takes in the file: header word, time word and payload words; the
    /// header and time words alone in a capture that is not DigRF 3G.
    int frameBytes(qint64 n) const { return frameBytes(header(n), m_protocolVersion); }
    static int frameBytes(quint8 header, int protocolVersion);

    /// Payload bytes of frame n as the load log counts them: 0 when not DigRF 3G.
    int loggedPayloadBytes(qint64 n) const override;

    /// Memory the index holds.
    qint64 memoryBytes() const;

private:
    static constexpr int ChunkShift = 16;
    static constexpr qint64 ChunkFrames = qint64(1) << ChunkShift;
    static constexpr qint64 ChunkMask = ChunkFrames - 1;

    struct Chunk
    {
        std::array<quint8, ChunkFrames> headers;
        std::array<Checkpoint, ChunkFrames / CheckpointEvery> checkpoints;
    };

    int m_protocolVersion;
    qint64 m_count = 0;
    std::vector<std::unique_ptr<Chunk>> m_chunks;
};

} // namespace Korvex

#endif // CORE_FILES_FRAMEINDEX_H
