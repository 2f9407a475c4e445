// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/frameblock.h"

#include <QtEndian>

namespace Korvex {

qint64 FrameBlock::length(const FrameIndex &index, qint64 n, quint64 offset, quint64 dataEnd)
{
    const quint64 left = dataEnd > offset ? dataEnd - offset : 0;
    return qint64(qMin<quint64>(quint64(index.frameBytes(n)), left));
}

qint64 FrameBlock::extent(const FrameIndex &index, qint64 first, qint64 end, quint64 dataEnd)
{
    end = qMin(end, first + Size);
    quint64 offset = index.checkpoint(first).offset;
    const quint64 start = offset;
    for (qint64 n = first; n < end; ++n)
        offset += quint64(length(index, n, offset, dataEnd));
    return qint64(offset - start);
}

void FrameBlock::layOut(const FrameIndex &index, qint64 first, qint64 end, const char *bytes,
                        qint64 got, quint64 dataEnd)
{
    this->first = first;
    count = int(qMin<qint64>(Size, end - first));
    present = 0;
    const FrameIndex::Checkpoint &checkpoint = index.checkpoint(first);
    const bool digRf3G = index.protocolVersion() == 0;
    qint64 at = 0;
    quint64 time = checkpoint.ticks;
    bool intact = true;
    for (int k = 0; k < count; ++k) {
        const qint64 n = first + k;
        const qint64 length = FrameBlock::length(index, n, checkpoint.offset + quint64(at), dataEnd);
        starts[std::size_t(k)] = quint32(at);
        lengths[std::size_t(k)] = quint32(length);
        if (intact && at + length > got)
            intact = false;
        if (intact && digRf3G) {
            // Bits 0 to 12 of the header word are the fields the index holds.
            const quint32 header = qFromLittleEndian<quint32>(bytes + at);
            intact = (header & 0x1FFF) == index.header(n);
        }
        if (intact && k > 0)
            time += length >= 8 ? qFromLittleEndian<quint32>(bytes + at + 4) : 0;
        ticks[std::size_t(k)] = intact ? time : 0;
        if (intact)
            present = k + 1;
        at += length;
    }
}

} // namespace Korvex
