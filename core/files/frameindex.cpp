// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/frameindex.h"

namespace Korvex {

FrameIndex::FrameIndex(int protocolVersion)
    : m_protocolVersion(protocolVersion)
{
}

int FrameIndex::frameBytes(quint8 header, int protocolVersion)
{
    // Payload words of the size codes a loaded frame can have (0 to 6).
    static constexpr int words[8] = {1, 1, 2, 3, 4, 8, 16, 0};
    return protocolVersion != 0 ? 8 : 8 + 4 * words[header >> 5];
}

int FrameIndex::loggedPayloadBytes(qint64 n) const
{
    return m_protocolVersion != 0 ? 0 : fields(n).payloadSizeBits() / 8;
}

bool FrameIndex::addChunk()
{
    if (m_written >= MaxFrames)
        return false;
    const qint64 c = m_written >> ChunkShift;
    std::unique_ptr<Table> &table = m_tables[std::size_t(c >> TableShift)];
    if (!table)
        table = std::make_unique<Table>();
    std::unique_ptr<Chunk> &slot = (*table)[std::size_t(c & (TableChunks - 1))];
    slot = std::make_unique<Chunk>();
    m_tail = slot.get();
    ++m_chunks;
    return true;
}

qint64 FrameIndex::memoryBytes() const
{
    const qint64 tables = (m_chunks + TableChunks - 1) / TableChunks;
    return qint64(sizeof(*this)) + tables * qint64(sizeof(Table))
           + m_chunks * qint64(sizeof(Chunk));
}

} // namespace Korvex
