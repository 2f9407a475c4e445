// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_FRAMEINDEX_H
#define CORE_FILES_FRAMEINDEX_H

#include "core/files/loggedframes.h"
#include "core/frames/frameheader.h"

#include <QtGlobal>

#include <array>
#include <atomic>
#include <memory>

namespace Korvex {

/// The compact index of a capture's frames: one byte per frame, the header word's low byte,
/// which holds every field of a frame that loaded (CTS in bit 0, channel type in bits 1-4,
/// payload size code 0-6 in bits 5-7), and every CheckpointEvery frames the frame's file offset
/// and accumulated time. A frame's offset and time are found from its checkpoint by walking the
/// header bytes and the time words in the file; nothing else is kept per frame. The index only
/// grows: one thread appends frames as they are read and publishes them now and then, while any
/// number of threads read the frames published. A chunk of frames never moves once made, so a
/// reader needs no lock: it reads count() once and every frame below it stays as it was.
class FrameIndex final : public LoggedFrames
{
public:
    static constexpr int CheckpointEvery = 64;
    /// The most frames an index holds; append() takes no more.
    static constexpr qint64 MaxFrames = qint64(1) << 36;

    /// Where a checkpoint frame starts in the file, and its time in ticks.
    struct Checkpoint
    {
        quint64 offset = 0;
        quint64 ticks = 0;
    };

    explicit FrameIndex(int protocolVersion);

    int protocolVersion() const { return m_protocolVersion; }
    /// The frames published: any thread may read them.
    qint64 count() const { return m_count.load(std::memory_order_acquire); }
    /// Where the frame block ends as far as it was read when the frames were published: just
    /// after the last frame, or after the invalid frame that ended it. Read after count(), it
    /// covers every frame below that count.
    quint64 dataEnd() const { return m_dataEnd.load(std::memory_order_acquire); }

    /// Appends a frame, seen by other threads once published; its offset and time are kept
    /// when it is a checkpoint frame. Only one thread appends.
    void append(quint8 header, quint64 offset, quint64 ticks)
    {
        const qint64 at = m_written & ChunkMask;
        if (at == 0 && !addChunk())
            return;
        m_tail->headers[std::size_t(at)] = header;
        if (at % CheckpointEvery == 0)
            m_tail->checkpoints[std::size_t(at / CheckpointEvery)] = {offset, ticks};
        ++m_written;
    }
    /// The frames appended, published or not (for the appending thread).
    qint64 written() const { return m_written; }
    /// Makes every frame appended so far readable by other threads, with where the frame block
    /// ends after them.
    void publish(quint64 dataEnd)
    {
        m_dataEnd.store(dataEnd, std::memory_order_release);
        m_count.store(m_written, std::memory_order_release);
    }

    /// The header byte of frame n (0 <= n < count()).
    quint8 header(qint64 n) const { return chunk(n).headers[std::size_t(n & ChunkMask)]; }
    FrameHeader fields(qint64 n) const { return FrameHeader::fromWord(header(n)); }
    /// The header bytes of frame n (0 <= n < count()) and of the frames after it that lie
    /// beside it in memory; `available` receives how many, at least one.
    const quint8 *headers(qint64 n, qint64 *available) const
    {
        const qint64 at = n & ChunkMask;
        *available = qMin(ChunkFrames - at, count() - n);
        return chunk(n).headers.data() + at;
    }

    /// The checkpoint of frame n: the one of frame n rounded down to CheckpointEvery.
    const Checkpoint &checkpoint(qint64 n) const
    {
        return chunk(n).checkpoints[std::size_t((n & ChunkMask) / CheckpointEvery)];
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
    // Chunks are reached through a table of tables of their addresses, made as needed and
    // never moved, so that appending never touches what a reader follows.
    static constexpr int TableShift = 10;
    static constexpr qint64 TableChunks = qint64(1) << TableShift;
    static constexpr qint64 Tables = (MaxFrames >> ChunkShift) / TableChunks;

    struct Chunk
    {
        std::array<quint8, ChunkFrames> headers;
        std::array<Checkpoint, ChunkFrames / CheckpointEvery> checkpoints;
    };
    using Table = std::array<std::unique_ptr<Chunk>, TableChunks>;

    const Chunk &chunk(qint64 n) const
    {
        const qint64 c = n >> ChunkShift;
        return *(*m_tables[std::size_t(c >> TableShift)])[std::size_t(c & (TableChunks - 1))];
    }
    // Makes the chunk of the next frame; false when the index is full.
    bool addChunk();

    int m_protocolVersion;
    std::atomic<qint64> m_count{0};
    std::atomic<quint64> m_dataEnd{0};
    // Written by the appending thread alone.
    qint64 m_written = 0;
    qint64 m_chunks = 0;
    Chunk *m_tail = nullptr;
    std::array<std::unique_ptr<Table>, Tables> m_tables;
};

} // namespace Korvex

#endif // CORE_FILES_FRAMEINDEX_H
