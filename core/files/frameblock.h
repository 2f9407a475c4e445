// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_FRAMEBLOCK_H
#define CORE_FILES_FRAMEBLOCK_H

#include "core/files/frameindex.h"

#include <QtGlobal>

#include <array>

namespace Korvex {

/// The frames from one checkpoint of the index up to the next, laid out over the file's bytes
/// read from the checkpoint's offset: where each frame starts, its time, and how many of them
/// the bytes still hold as they were indexed. A frame whose bytes are gone (the file was cut
/// short) or differ from the index (the file was changed) is missing, and so is every later
/// frame of the block, whose time could not be counted past it.
struct FrameBlock
{
    static constexpr int Size = FrameIndex::CheckpointEvery;

    qint64 first = 0;
    int count = 0;
    int present = 0;
    std::array<quint32, Size> starts{};
    std::array<quint32, Size> lengths{};
    std::array<quint64, Size> ticks{};

    /// The first frame of the block that frame n lies in.
    static qint64 firstOf(qint64 n) { return n - n % Size; }
    /// The bytes the block starting at frame `first` takes in the file, of the frames below
    /// `end` (the index's count, read once by the caller while the index grows).
    static qint64 extent(const FrameIndex &index, qint64 first, qint64 end, quint64 dataEnd);
    /// The bytes frame n takes in the file when it starts at `offset`: a frame cut short by the
    /// end of the frame block (possible only outside DigRF 3G) takes what was left.
    static qint64 length(const FrameIndex &index, qint64 n, quint64 offset, quint64 dataEnd);

    /// Lays out the block starting at frame `first`, of the frames below `end`, over `got`
    /// bytes read from its checkpoint.
    void layOut(const FrameIndex &index, qint64 first, qint64 end, const char *bytes, qint64 got,
                quint64 dataEnd);
};

} // namespace Korvex

#endif // CORE_FILES_FRAMEBLOCK_H
