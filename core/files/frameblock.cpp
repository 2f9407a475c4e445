// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/frameblock.h"

#include <QtEndian>

namespace Korvex {

namespace {

// The bytes a frame takes in the file for each header byte, for DigRF 3G (0) and for every
// other protocol (1): a table look-up for the walks over a block's frames.
const std::array<quint8, 256> &frameSizes(int protocolVersion)
{
    static const std::array<std::array<quint8, 256>, 2> sizes = [] {
        std::array<std::array<quint8, 256>, 2> table{};
        for (int header = 0; header < 256; ++header) {
            table[0][std::size_t(header)] = quint8(FrameIndex::frameBytes(quint8(header), 0));
            table[1][std::size_t(header)] = quint8(FrameIndex::frameBytes(quint8(header), 1));
        }
        return table;
    }();
    return sizes[protocolVersion == 0 ? 0 : 1];
}

// The header bytes of the block starting at frame `first`, which lie side by side in the
// index: its chunks hold a multiple of the checkpoint distance.
const quint8 *blockHeaders(const FrameIndex &index, qint64 first)
{
    qint64 available = 0;
    return index.headers(first, &available);
}

} // namespace

qint64 FrameBlock::length(const FrameIndex &index, qint64 n, quint64 offset, quint64 dataEnd)
{
    const quint64 left = dataEnd > offset ? dataEnd - offset : 0;
    return qint64(qMin<quint64>(quint64(index.frameBytes(n)), left));
}

qint64 FrameBlock::extent(const FrameIndex &index, qint64 first, qint64 end, quint64 dataEnd)
{
    end = qMin(end, first + Size);
    if (first >= end)
        return 0;
    const quint64 offset = index.checkpoint(first).offset;
    const qint64 left = dataEnd > offset ? qint64(dataEnd - offset) : 0;
    const std::array<quint8, 256> &sizes = frameSizes(index.protocolVersion());
    const quint8 *headers = blockHeaders(index, first);
    qint64 bytes = 0;
    for (qint64 k = 0; k < end - first; ++k)
        bytes += sizes[headers[k]];
    // Every frame but the one the end of the data cuts takes its whole size.
    return qMin(bytes, left);
}

void FrameBlock::layOut(const FrameIndex &index, qint64 first, qint64 end, const char *bytes,
                        qint64 got, quint64 dataEnd)
{
    this->first = first;
    count = int(qMax<qint64>(0, qMin<qint64>(Size, end - first)));
    present = 0;
    if (count == 0)
        return;
    const FrameIndex::Checkpoint &checkpoint = index.checkpoint(first);
    const bool digRf3G = index.protocolVersion() == 0;
    const std::array<quint8, 256> &sizes = frameSizes(index.protocolVersion());
    const quint8 *headers = blockHeaders(index, first);
    const qint64 left = dataEnd > checkpoint.offset ? qint64(dataEnd - checkpoint.offset) : 0;
    qint64 at = 0;
    quint64 time = checkpoint.ticks;
    bool intact = true;
    for (int k = 0; k < count; ++k) {
        const quint8 header = headers[k];
        // A frame cut short by the end of the data takes what was left.
        const qint64 length = qMin<qint64>(sizes[header], left - at);
        starts[std::size_t(k)] = quint32(at);
        lengths[std::size_t(k)] = quint32(length);
        if (intact && at + length > got)
            intact = false;
        if (intact && digRf3G) {
            // Bits 0 to 12 of the header word are the fields the index holds.
            const quint32 word = qFromLittleEndian<quint32>(bytes + at);
            intact = (word & 0x1FFF) == header;
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
