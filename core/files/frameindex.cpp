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

qint64 FrameIndex::memoryBytes() const
{
    return qint64(sizeof(*this)) + qint64(m_chunks.capacity()) * qint64(sizeof(void *))
           + qint64(m_chunks.size()) * qint64(sizeof(Chunk));
}

} // namespace Korvex
